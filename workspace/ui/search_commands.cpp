#include "workspace/ui/search_commands.h"

#include "workspace/engine/editor_commands.h"
#include "workspace/ui/find_dialogs.h"
#include "workspace/ui/main_form.h"
#include "workspace/ui/mdi_child.h"
#include "workspace/ui/special_open_dialog.h"

#include "platform/qt/latin1.h"
#include "platform/textfile.h"

#include <QListWidget>

namespace {

int searchFlags(const SearchOptions& o)
{
    int flags = 0;
    if (o.matchCase)
        flags |= QsciScintillaBase::SCFIND_MATCHCASE;
    if (o.wholeWord)
        flags |= QsciScintillaBase::SCFIND_WHOLEWORD;
    return flags;
}

// The next match in [start, end) (end before start searches backward); -1 for none.
long searchRange(EditorPane& pane, const std::string& text, int flags, long start, long end)
{
    pane.SendScintilla(QsciScintillaBase::SCI_SETSEARCHFLAGS, static_cast<unsigned long>(flags));
    pane.SendScintilla(QsciScintillaBase::SCI_SETTARGETSTART, static_cast<unsigned long>(start));
    pane.SendScintilla(QsciScintillaBase::SCI_SETTARGETEND, static_cast<unsigned long>(end));
    return pane.SendScintilla(QsciScintillaBase::SCI_SEARCHINTARGET, static_cast<unsigned long>(text.size()),
                              text.c_str());
}

void showLineAndSelect(EditorPane& pane, long anchor, long caret)
{
    pane.SendScintilla(QsciScintillaBase::SCI_SETSEL, static_cast<unsigned long>(anchor), caret);
    pane.SendScintilla(QsciScintillaBase::SCI_SCROLLCARET);
}

} // namespace

bool findInPane(EditorPane& pane, const std::string& text, const SearchOptions& options)
{
    if (text.empty())
        return false;
    const long selStart = pane.SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART);
    const long selEnd = pane.SendScintilla(QsciScintillaBase::SCI_GETSELECTIONEND);
    const long length = pane.SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
    const long found = options.backward ? searchRange(pane, text, searchFlags(options), selStart, 0)
                                        : searchRange(pane, text, searchFlags(options), selEnd, length);
    if (found < 0)
        return false;
    const long end = pane.SendScintilla(QsciScintillaBase::SCI_GETTARGETEND);
    if (options.backward)
        showLineAndSelect(pane, end, found);
    else
        showLineAndSelect(pane, found, end);
    return true;
}

long long replaceAllInPane(EditorPane& pane, const std::string& text, const std::string& with,
                           const SearchOptions& options)
{
    if (text.empty())
        return 0;
    const int flags = searchFlags(options);
    long start = pane.SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART);
    long long count = 0;
    pane.SendScintilla(QsciScintillaBase::SCI_BEGINUNDOACTION);
    for (;;) {
        const long length = pane.SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
        if (searchRange(pane, text, flags, start, length) < 0)
            break;
        const long replaced = pane.SendScintilla(QsciScintillaBase::SCI_REPLACETARGET,
                                                 static_cast<unsigned long>(with.size()), with.c_str());
        start = pane.SendScintilla(QsciScintillaBase::SCI_GETTARGETSTART) + replaced;
        ++count;
    }
    pane.SendScintilla(QsciScintillaBase::SCI_ENDUNDOACTION);
    if (count > 0)
        pane.SendScintilla(QsciScintillaBase::SCI_GOTOPOS, static_cast<unsigned long>(start));
    return count;
}

SearchCommands::SearchCommands(TMainForm& mainForm, mrw::WorkspaceGlobals& globals, platform::Prompter& prompter)
    : QObject(&mainForm), m_main(mainForm), m_globals(globals), m_prompter(prompter)
{
}

SearchCommands::~SearchCommands() = default;

TFindDialog* SearchCommands::findDialog()
{
    if (!m_find) {
        m_find = new TFindDialog(&m_main);
        connect(m_find, &TFindDialog::findNext, this, [this] { FindDialog1Find(false); });
    }
    return m_find;
}

TReplaceDialog* SearchCommands::replaceDialog()
{
    if (!m_replace) {
        m_replace = new TReplaceDialog(&m_main);
        connect(m_replace, &TReplaceDialog::findNext, this, [this] { FindDialog1Find(true); });
        connect(m_replace, &TReplaceDialog::replace, this, &SearchCommands::ReplaceDialog1Replace);
    }
    return m_replace;
}

TSpecialOpendlg* SearchCommands::jumpDialog()
{
    if (!m_jump)
        m_jump = new TSpecialOpendlg(&m_main);
    return m_jump;
}

QString SearchCommands::findText() const
{
    return m_find ? m_find->findText() : QString();
}

EditorPane* SearchCommands::activePane() const
{
    TMDIChild* child = m_main.activeChild();
    return child ? child->ActivePane : nullptr;
}

void SearchCommands::notFound(const QString& text)
{
    m_prompter.message("Marrowin", "Search string '" + platform::toBytes(text) + "' not found",
                       platform::MessageKind::Information, platform::Buttons::Ok);
}

void SearchCommands::searchActive(const std::string& text)
{
    EditorPane* pane = activePane();
    if (!pane || text.empty())
        return;
    if (!findInPane(*pane, text, m_options))
        notFound(platform::toQString(text));
}

void SearchCommands::Find1Click()
{
    TFindDialog* dialog = findDialog();
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void SearchCommands::Replace1Click()
{
    TReplaceDialog* dialog = replaceDialog();
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    m_options = {};
    m_options.matchCase = dialog->matchCase();
    m_options.wholeWord = dialog->wholeWord();
}

void SearchCommands::FindDialog1Find(bool fromReplace)
{
    m_options = {};
    QString text;
    if (fromReplace) {
        TReplaceDialog* dialog = replaceDialog();
        m_options.matchCase = dialog->matchCase();
        m_options.wholeWord = dialog->wholeWord();
        text = dialog->findText();
        findDialog()->setFindText(text);
    } else {
        TFindDialog* dialog = findDialog();
        m_options.backward = dialog->searchUp();
        m_options.matchCase = dialog->matchCase();
        m_options.wholeWord = dialog->wholeWord();
        text = dialog->findText();
        dialog->close();
    }
    searchActive(platform::toBytes(text));
    emit searchChanged();
}

void SearchCommands::ReplaceDialog1Replace(bool all)
{
    TReplaceDialog* dialog = replaceDialog();
    m_options.matchCase = dialog->matchCase();
    m_options.wholeWord = dialog->wholeWord();
    m_options.backward = false;
    m_options.replace = !all;
    m_options.replaceAll = all;
    EditorPane* pane = activePane();
    const std::string text = platform::toBytes(dialog->findText());
    if (!pane || text.empty())
        return;
    const std::string with = platform::toBytes(dialog->replaceText());
    bool matched = false;
    if (all) {
        matched = replaceAllInPane(*pane, text, with, m_options) > 0;
    } else {
        // The match at or after the caret is replaced; the next one is then selected.
        const long start = pane->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART);
        pane->SendScintilla(QsciScintillaBase::SCI_SETEMPTYSELECTION, static_cast<unsigned long>(start));
        if (findInPane(*pane, text, m_options)) {
            matched = true;
            pane->SendScintilla(QsciScintillaBase::SCI_TARGETFROMSELECTION);
            pane->SendScintilla(QsciScintillaBase::SCI_REPLACETARGET, static_cast<unsigned long>(with.size()),
                                with.c_str());
            pane->SendScintilla(QsciScintillaBase::SCI_SETEMPTYSELECTION,
                                static_cast<unsigned long>(pane->SendScintilla(QsciScintillaBase::SCI_GETTARGETEND)));
            findInPane(*pane, text, m_options);
        }
    }
    if (!matched)
        notFound(dialog->findText());
}

void SearchCommands::FindNext1Click()
{
    m_options.replace = false;
    m_options.replaceAll = false;
    searchActive(platform::toBytes(findText()));
}

void SearchCommands::findNextWord(const std::string& text)
{
    if (!m_main.RequireActiveChild())
        return;
    findDialog()->setFindText(platform::toQString(text));
    EditorPane* pane = activePane();
    if (pane && !text.empty() && !findInPane(*pane, text, SearchOptions{}))
        notFound(platform::toQString(text));
    emit searchChanged();
}

void SearchCommands::FindNextT1Click()
{
    findNextWord("T");
}

void SearchCommands::FindNextS1Click()
{
    findNextWord("S");
}

void SearchCommands::FindNextF1Click()
{
    findNextWord("F");
}

void SearchCommands::FindNextComment1Click()
{
    findNextWord(m_globals.Machine.settings().CmtStart);
}

void SearchCommands::Gotoline1Click()
{
    EditorPane* pane = activePane();
    if (!pane)
        return;
    const int count = pane->lines();
    std::string value = "1";
    if (!m_prompter.inputString("Go to Line Number", "Enter Line Number (1 to " + std::to_string(count) + ")", value))
        return;
    if (const auto line = mrw::goToLineNumber(value, count)) {
        pane->setCursorPosition(*line - 1, 0);
        pane->ensureLineVisible(*line - 1);
    }
}

void SearchCommands::GotoTop1Click()
{
    if (EditorPane* pane = activePane())
        pane->setCursorPosition(0, 0);
}

void SearchCommands::GotoBottom1Click()
{
    if (EditorPane* pane = activePane()) {
        pane->setCursorPosition(std::max(0, pane->lines() - 1), 0);
        pane->ensureCursorVisible();
    }
}

void SearchCommands::OpenSpecial1Click()
{
    jump(true);
}

void SearchCommands::FindNextSubprogram1Click()
{
    jump(false);
}

void SearchCommands::jump(bool tool)
{
    if (!m_main.RequireActiveChild())
        return;
    TMDIChild* child = m_main.activeChild();
    const mrw::MachineSettings& machine = m_globals.Machine.settings();
    mrw::JumpRules rules;
    rules.key = tool ? std::string("T") : (machine.ProgID.empty() ? std::string("O") : machine.ProgID);
    rules.commentStart = machine.CmtStart;
    rules.lineSkipMarker = m_main.settings().LineSkipMarker;
    rules.skipMarkedLines = tool;
    rules.tabSize = m_main.settings().TabSize;

    TSpecialOpendlg* dialog = jumpDialog();
    dialog->setWindowTitle(tool ? "Jump to Tool" : "Jump to Sub-Program");
    dialog->ListBox1->setFont(m_main.editorFont());
    dialog->setLines(mrw::jumpLines(platform::splitLines(child->Editor1->bytes()), rules));
    if (dialog->ListBox1->count() > 0)
        dialog->ListBox1->setCurrentRow(0);
    if (dialog->exec() != QDialog::Accepted)
        return;
    const int line = dialog->chosenLine();
    child = m_main.activeChild();
    if (line > 0 && child && line <= child->ActivePane->lines()) {
        child->ActivePane->setCursorPosition(line - 1, 0);
        child->ActivePane->ensureLineVisible(line - 1);
    }
}
