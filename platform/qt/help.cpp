#include "platform/qt/help.h"

#include "platform/folders.h"
#include "platform/paths.h"

#include <QDesktopServices>
#include <QFile>
#include <QUrl>

namespace platform {

QString helpTopicPage(int topic)
{
    const std::string page = joinPath(executablesFolder(), "help/" + std::to_string(topic) + ".html");
    return fileExists(page) ? QFile::decodeName(QByteArray::fromStdString(page)) : QString();
}

void showHelpTopic(int topic, Prompter& prompter)
{
    const QString page = helpTopicPage(topic);
    if (page.isEmpty()) {
        prompter.message("Help", "Help is not installed: there is no help folder beside the program.",
                         MessageKind::Information);
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(page));
}

} // namespace platform
