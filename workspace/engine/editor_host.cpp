#include "workspace/engine/editor_host.h"

namespace mrw {

namespace {
EditorHost* runHost = nullptr;
}

EditorHost* editorHost()
{
    return runHost;
}

void setEditorHost(EditorHost* host)
{
    runHost = host;
}

} // namespace mrw
