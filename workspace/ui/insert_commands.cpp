#include "workspace/ui/insert_commands.h"

#include "workspace/ui/main_form.h"
#include "workspace/ui/mdi_child.h"
#include "workspace/ui/print_commands.h"
#include "workspace/ui/search_commands.h"

#include "platform/qt/latin1.h"
#include "platform/qt/wait_cursor.h"
#include "platform/textfile.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>

InsertCommands::InsertCommands(TMainForm& mainForm, platform::Prompter& prompter)
    : QObject(&mainForm), m_main(mainForm), m_prompter(prompter)
{
}

void InsertCommands::pasteText(const QString& text)
{
    QApplication::clipboard()->setText(text);
    if (TMDIChild* child = m_main.activeChild())
        child->ActivePane->paste();
}

void InsertCommands::File2Click()
{
    if (!m_main.RequireActiveChild())
        return;
    const QStringList chosen = m_main.fileDialogs().openFiles(&m_main, m_main.openFolder(), m_main.openFilter());
    TMDIChild* child = m_main.activeChild();
    if (chosen.isEmpty() || !child)
        return;
    EditorPane* pane = child->ActivePane;
    platform::WaitCursor wait;
    pane->setUpdatesEnabled(false);
    for (const QString& name : chosen) {
        const std::string path = QFile::encodeName(name).toStdString();
        const auto bytes = platform::readFileBytes(path);
        if (!bytes) {
            m_prompter.message("Marrowin", "Cannot read file " + path, platform::MessageKind::Error,
                               platform::Buttons::Ok);
            continue;
        }
        std::string text;
        text.reserve(bytes->size() + bytes->size() / 16);
        for (const std::string& line : platform::splitLines(*bytes)) {
            text += line;
            text += "\r\n";
        }
        pane->SendScintilla(QsciScintillaBase::SCI_ADDTEXT, static_cast<unsigned long>(text.size()), text.data());
    }
    pane->setUpdatesEnabled(true);
    pane->setCursorPosition(0, 0);
}

void InsertCommands::DateTime1Click()
{
    if (!m_main.RequireActiveChild())
        return;
    pasteText(platform::toQString(currentDateTimeText()));
}

void InsertCommands::CurrentFileName1Click()
{
    if (!m_main.RequireActiveChild())
        return;
    pasteText(platform::toQString(m_main.activeChild()->fileName()));
}

void InsertCommands::StripTabs1Click()
{
    if (!m_main.RequireActiveChild())
        return;
    replaceAllInPane(*m_main.activeChild()->ActivePane, "\t", "", SearchOptions{});
}
