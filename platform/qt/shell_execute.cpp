#include "platform/qt/shell_execute.h"

#include "platform/folders.h"
#include "platform/paths.h"
#include "platform/qt/shellstart.h"

#include <QCoreApplication>

#include <sstream>
#include <vector>

namespace platform {

int ExecuteFile(const std::string& file, const std::string& parameters, const std::string& folder,
                Prompter& prompter, const std::string& caption)
{
    std::vector<std::string> arguments;
    std::istringstream words(parameters);
    for (std::string word; words >> word;)
        arguments.push_back(word);
    const std::string path = isBareName(file) ? programPath(folder, file) : file;
    const int result = shellOpen(path, arguments, folder);
    QCoreApplication::processEvents();
    if (result <= 32)
        prompter.message(caption, "Cannot Execute (" + std::to_string(result) + ") [" + file + "]",
                         MessageKind::Information, Buttons::Ok);
    return result;
}

} // namespace platform
