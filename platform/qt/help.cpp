#include "platform/qt/help.h"

#include "platform/folders.h"
#include "platform/paths.h"

#include <QAbstractButton>
#include <QAction>
#include <QDesktopServices>
#include <QFile>
#include <QMenu>
#include <QUrl>

namespace platform {

QString helpPage(std::string_view name)
{
    const std::string page = joinPath(programFolder(), "help/" + std::string(name));
    return fileExists(page) ? QFile::decodeName(QByteArray::fromStdString(page)) : QString();
}

QString helpTopicPage(int topic)
{
    return helpPage(std::to_string(topic) + ".html");
}

void openHelpPage(const QString& page)
{
    if (!page.isEmpty())
        QDesktopServices::openUrl(QUrl::fromLocalFile(page));
}

void bindHelpButton(QAbstractButton& button, int topic)
{
    const QString page = helpTopicPage(topic);
    button.setEnabled(!page.isEmpty());
    QObject::connect(&button, &QAbstractButton::clicked, &button, [page] { openHelpPage(page); });
}

QAction* addHelpItem(QMenu& menu, const QString& text, const QString& page)
{
    QAction* item = menu.addAction(text, &menu, [page] { openHelpPage(page); });
    item->setEnabled(!page.isEmpty());
    return item;
}

void showHelpTopic(int topic, Prompter& prompter)
{
    const QString page = helpTopicPage(topic);
    if (page.isEmpty()) {
        prompter.message("Help", "Help is not installed: there is no help folder beside the program.",
                         MessageKind::Information);
        return;
    }
    openHelpPage(page);
}

} // namespace platform
