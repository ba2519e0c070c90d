#include "dnc/engine/serial_line.h"

namespace dnc {

double LineSettings::bitsPerCharacter() const
{
    const double stop = stopBits == 5 ? 1.5 : stopBits;
    return 1 + dataBits + (parity == Parity::None ? 0 : 1) + stop;
}

} // namespace dnc
