#include "platform/qt/help.h"

#include "platform/folders.h"
#include "platform/paths.h"

#include <QAbstractButton>
#include <QAction>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QUrl>

namespace platform {

namespace {

std::string& book()
{
    static std::string name;
    return name;
}

std::string bookFolder()
{
    return joinPath(programFolder(), book().empty() ? std::string("help") : "help/" + book());
}

} // namespace

void setHelpBook(std::string_view name) { book() = name; }

QString helpPage(std::string_view name)
{
    const std::string page = joinPath(bookFolder(), name);
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
        const bool installed = QFileInfo(QFile::decodeName(QByteArray::fromStdString(bookFolder()))).isDir();
        prompter.message("Help",
                         installed ? "There is no help page " + std::to_string(topic) + ".html in " + bookFolder() + "."
                                   : "Help is not installed: there is no folder " + bookFolder() + ".",
                         MessageKind::Information);
        return;
    }
    openHelpPage(page);
}

} // namespace platform
