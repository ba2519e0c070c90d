#include "workspace/ui/dnc_link.h"

namespace {
DncTerminalMaker& maker()
{
    static DncTerminalMaker instance;
    return instance;
}
} // namespace

void setDncTerminalMaker(DncTerminalMaker make)
{
    maker() = std::move(make);
}

const DncTerminalMaker& dncTerminalMaker()
{
    return maker();
}
