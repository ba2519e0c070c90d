#include "platform/qt/help.h"

#include "platform/folders.h"
#include "platform/paths.h"
#include "platform/qt/qthost.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
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

// Help opened from a button or menu item speaks over the window the operator is in.
void openHelpPageHere(const QString& page)
{
    QtPrompter prompter(QApplication::activeWindow());
    openHelpPage(page, prompter);
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

bool openHelpPage(const QString& page, Prompter& prompter)
{
    if (page.isEmpty())
        return false;
    // The desktop's opener (xdg-open, else a browser Qt knows) shows the page; without
    // one Qt only warns on standard error, which nobody at the machine reads.
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(page)))
        return true;
    prompter.message("Help",
                     "The help page " + QFile::encodeName(page).toStdString() +
                         " cannot be shown: there is no program to open it. Showing the help pages needs "
                         "xdg-open (Debian package xdg-utils) and a web browser.",
                     MessageKind::Information);
    return false;
}

void bindHelpButton(QAbstractButton& button, int topic)
{
    const QString page = helpTopicPage(topic);
    button.setEnabled(!page.isEmpty());
    QObject::connect(&button, &QAbstractButton::clicked, &button, [page] { openHelpPageHere(page); });
}

QAction* addHelpItem(QMenu& menu, const QString& text, const QString& page)
{
    QAction* item = menu.addAction(text, &menu, [page] { openHelpPageHere(page); });
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
    openHelpPage(page, prompter);
}

} // namespace platform
