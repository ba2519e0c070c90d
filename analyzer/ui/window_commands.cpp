#include "analyzer/ui/window_commands.h"

#include "analyzer/ui/main_window.h"

namespace vork {

bool LoadOperationFile(Tmdvform& window, const std::string& fileName)
{
    return window.operations().Loadfile(fileName, &window.prompter());
}

bool LoadLastOperationFile(Tmdvform& window)
{
    return window.operations().LoadLastFile(&window.prompter());
}

} // namespace vork
