#include "platform/qt/shellstart.h"

#include "platform/paths.h"
#include "platform/qt/latin1.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace platform {

std::string programPath(const std::string& folder, const std::string& name)
{
    std::string bare = toNativeSeparators(name);
    if (bare.size() > 4 && equalsNoCase(bare.substr(bare.size() - 4), ".EXE")) {
        const std::string stripped = bare.substr(0, bare.size() - 4);
        const std::string candidate = resolveCaseInsensitive(joinPath(folder, stripped));
        if (fileExists(candidate))
            return candidate;
    }
    return resolveCaseInsensitive(joinPath(folder, bare));
}

namespace {
int failureCode(const std::string& path)
{
    const QFileInfo info(toQString(path));
    if (!info.absoluteDir().exists())
        return ShellPathNotFound;
    if (!info.exists())
        return ShellFileNotFound;
    return ShellAccessDenied;
}
}

int startProgram(const std::string& path, const std::vector<std::string>& arguments,
                 const std::string& workingFolder)
{
    const std::string native = toNativeSeparators(path);
    const QFileInfo info(toQString(native));
    if (!info.exists() || !info.isFile() || !info.isExecutable())
        return failureCode(native);
    QStringList args;
    for (const auto& a : arguments)
        args << toQString(a);
    const QString folder = workingFolder.empty() ? QString() : toQString(toNativeSeparators(workingFolder));
    return QProcess::startDetached(info.absoluteFilePath(), args, folder) ? ShellOk : ShellAccessDenied;
}

int shellOpen(const std::string& path, const std::vector<std::string>& arguments,
              const std::string& workingFolder)
{
    const std::string native = resolveCaseInsensitive(path);
    const QFileInfo info(toQString(native));
    if (!info.exists())
        return failureCode(native);
    if (info.isFile() && info.isExecutable())
        return startProgram(native, arguments, workingFolder);
    return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath())) ? ShellOk
                                                                                 : ShellNoAssociation;
}

} // namespace platform
