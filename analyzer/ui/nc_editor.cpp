#include "analyzer/ui/nc_editor.h"

#include "analyzer/ui/window_commands.h"
#include "analyzer/ui/main_window.h"
#include "analyzer/ui/text_printout.h"

#include "platform/paths.h"
#include "platform/qt/help.h"
#include "platform/qt/latin1.h"
#include "platform/qt/wait_cursor.h"
#include "platform/textfile.h"

#include <QAction>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolBar>
#include <QVBoxLayout>

namespace vork {

namespace {

constexpr int EditorHelp = 10020;
constexpr int ResequenceHelp = 10023;
constexpr const char* EditorCaption = "Vork Analyzer - NC-Editor ";

QTextDocument::FindFlags findFlags(const FindReplaceDialog& dialog)
{
    QTextDocument::FindFlags flags;
    if (dialog.matchCase())
        flags |= QTextDocument::FindCaseSensitively;
    if (dialog.wholeWord())
        flags |= QTextDocument::FindWholeWords;
    return flags;
}

// Where a search starts: the end of the selection, or the beginning of the text.
int searchStart(const QPlainTextEdit& edit)
{
    const QTextCursor cursor = edit.textCursor();
    return cursor.hasSelection() ? cursor.selectionEnd() : 0;
}

} // namespace

// ---- TRESEQDlg ----

TRESEQDlg::TRESEQDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("RE/UN-Sequence Block Numbers");
    auto* form = new QFormLayout;
    auto field = [&](const char* label, const char* initial, const char* name) {
        auto* edit = new QLineEdit(initial, this);
        edit->setObjectName(name);
        form->addRow(label, edit);
        return edit;
    };
    m_start = field("Start Number", "10", "start");
    m_increment = field("Number Increment", "10", "increment");
    m_digits = field("Max number of Digits", "4", "digits");
    m_skip = field("Skip Lines Starting with:", DefaultResequenceSkipCharacters, "skip");
    m_remove = new QCheckBox("Remove ALL Sequence Numbers", this);
    m_leadingZeros = new QCheckBox("Use Leading Zeros", this);
    m_oBlocks = new QCheckBox("Resequence \"O\" Blocks", this);
    form->addRow(m_remove);
    form->addRow(m_leadingZeros);
    form->addRow(m_oBlocks);
    connect(m_remove, &QCheckBox::toggled, this, &TRESEQDlg::removeToggled);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    platform::bindHelpButton(*buttons->button(QDialogButtonBox::Help), ResequenceHelp);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void TRESEQDlg::removeToggled(bool on)
{
    for (QWidget* w : std::initializer_list<QWidget*>{m_start, m_increment, m_digits, m_skip, m_leadingZeros, m_oBlocks})
        w->setEnabled(!on);
}

std::string TRESEQDlg::readOptions(ResequenceOptions& options) const
{
    ResequenceOptions read = options;
    std::string error = ReadResequenceNumbers(platform::toBytes(m_start->text()), platform::toBytes(m_increment->text()),
                                              platform::toBytes(m_digits->text()), read);
    if (error.empty())
        error = CheckResequenceOptions(read);
    if (!error.empty())
        return error;
    read.skipCharacters = platform::toBytes(m_skip->text());
    read.remove = m_remove->isChecked();
    read.leadingZeros = m_leadingZeros->isChecked();
    read.resequenceOBlocks = m_oBlocks->isChecked();
    options = read;
    return {};
}

// ---- FindReplaceDialog ----

FindReplaceDialog::FindReplaceDialog(bool replace, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(replace ? "Replace" : "Find");
    setModal(false);
    auto* grid = new QGridLayout(this);
    m_find = new QLineEdit(this);
    m_find->setObjectName("findText");
    auto* findLabel = new QLabel("Fi&nd what:", this);
    findLabel->setBuddy(m_find);
    grid->addWidget(findLabel, 0, 0);
    grid->addWidget(m_find, 0, 1);
    int row = 1;
    if (replace) {
        m_replace = new QLineEdit(this);
        m_replace->setObjectName("replaceText");
        auto* replaceLabel = new QLabel("Re&place with:", this);
        replaceLabel->setBuddy(m_replace);
        grid->addWidget(replaceLabel, row, 0);
        grid->addWidget(m_replace, row, 1);
        ++row;
    }
    m_word = new QCheckBox("Match &whole word only", this);
    m_case = new QCheckBox("Match &case", this);
    grid->addWidget(m_word, row++, 0, 1, 2);
    grid->addWidget(m_case, row++, 0, 1, 2);

    auto* buttons = new QVBoxLayout;
    m_findNext = new QPushButton("&Find Next", this);
    m_findNext->setDefault(true);
    buttons->addWidget(m_findNext);
    connect(m_findNext, &QPushButton::clicked, this, &FindReplaceDialog::findNextRequested);
    if (replace) {
        m_replaceOne = new QPushButton("&Replace", this);
        m_replaceAll = new QPushButton("Replace &All", this);
        buttons->addWidget(m_replaceOne);
        buttons->addWidget(m_replaceAll);
        connect(m_replaceOne, &QPushButton::clicked, this, &FindReplaceDialog::replaceRequested);
        connect(m_replaceAll, &QPushButton::clicked, this, &FindReplaceDialog::replaceAllRequested);
    }
    auto* cancel = new QPushButton("Cancel", this);
    connect(cancel, &QPushButton::clicked, this, &QDialog::hide);
    buttons->addWidget(cancel);
    buttons->addStretch();
    grid->addLayout(buttons, 0, 2, row, 1);

    connect(m_find, &QLineEdit::textChanged, this, &FindReplaceDialog::updateButtons);
    updateButtons();
}

void FindReplaceDialog::updateButtons()
{
    // An empty search text would match everywhere and never end a Replace All.
    const bool any = !m_find->text().isEmpty();
    m_findNext->setEnabled(any);
    if (m_replaceAll) {
        m_replaceOne->setEnabled(any);
        m_replaceAll->setEnabled(any);
    }
}

QString FindReplaceDialog::findText() const { return m_find->text(); }
QString FindReplaceDialog::replaceText() const { return m_replace ? m_replace->text() : QString(); }
bool FindReplaceDialog::matchCase() const { return m_case->isChecked(); }
bool FindReplaceDialog::wholeWord() const { return m_word->isChecked(); }

// ---- TNCEditor ----

TNCEditor::TNCEditor(platform::Prompter& prompter, QWidget* parent) : QDialog(parent), m_prompter(prompter)
{
    setWindowTitle("Vork Analyzer - NC-Editor");
    setModal(true);
    resize(760, 560);

    m_edit = new QPlainTextEdit(this);
    m_edit->setObjectName("text");
    m_edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_edit->setFont(QFont("Courier New", 10));
    m_status = new QStatusBar(this);
    m_status->setSizeGripEnabled(false);

    m_reseq = new TRESEQDlg(this);
    m_findDialog = new FindReplaceDialog(false, this);
    m_replaceDialog = new FindReplaceDialog(true, this);
    connect(m_findDialog, &FindReplaceDialog::findNextRequested, this, [this] { find(*m_findDialog, false); });
    connect(m_replaceDialog, &FindReplaceDialog::findNextRequested, this, [this] { find(*m_replaceDialog, false); });
    connect(m_replaceDialog, &FindReplaceDialog::replaceRequested, this, &TNCEditor::Replace);
    connect(m_replaceDialog, &FindReplaceDialog::replaceAllRequested, this, &TNCEditor::ReplaceAll);

    auto* bar = new QMenuBar(this);
    QMenu* file = bar->addMenu("&File");
    QAction* print = action("&Print", "Print the text");
    connect(print, &QAction::triggered, this, &TNCEditor::Print);
    file->addAction(print);
    QAction* exit = action("E&xit", "Exit application", QKeySequence("Alt+X"));
    connect(exit, &QAction::triggered, this, &QDialog::close);
    file->addSeparator();
    file->addAction(exit);

    QMenu* edit = bar->addMenu("&Edit");
    m_undo = action("&Undo/Redo", "Undo the last change", QKeySequence("Alt+Backspace"));
    m_undo->setEnabled(false);
    connect(m_undo, &QAction::triggered, m_edit, &QPlainTextEdit::undo);
    connect(m_edit, &QPlainTextEdit::undoAvailable, m_undo, &QAction::setEnabled);
    QAction* cut = action("Cu&t", "Cut the selection to the clipboard", QKeySequence("Shift+Del"));
    QAction* copy = action("&Copy", "Copy the selection to the clipboard", QKeySequence("Ctrl+Insert"));
    QAction* paste = action("&Paste", "Paste the clipboard", QKeySequence("Shift+Insert"));
    connect(cut, &QAction::triggered, m_edit, &QPlainTextEdit::cut);
    connect(copy, &QAction::triggered, m_edit, &QPlainTextEdit::copy);
    connect(paste, &QAction::triggered, m_edit, &QPlainTextEdit::paste);
    QAction* reseq = action("&Resequence Block Numbers", "Renumber or remove the block numbers");
    connect(reseq, &QAction::triggered, this, &TNCEditor::Resequence);
    edit->addAction(m_undo);
    edit->addSeparator();
    edit->addAction(cut);
    edit->addAction(copy);
    edit->addAction(paste);
    edit->addSeparator();
    edit->addAction(reseq);

    QMenu* search = bar->addMenu("&Search");
    QAction* findAction = action("&Find", "Find a text", QKeySequence("Ctrl+F"));
    QAction* findNext = action("Find &Next", "Find the text again", QKeySequence("F3"));
    QAction* replace = action("&Replace", "Replace a text", QKeySequence("Ctrl+R"));
    connect(findAction, &QAction::triggered, this, [this] {
        m_findDialog->show();
        m_findDialog->raise();
    });
    connect(findNext, &QAction::triggered, this, [this] {
        const FindReplaceDialog& dialog = m_lastSearch ? *m_lastSearch : *m_findDialog;
        if (!dialog.findText().isEmpty())
            find(dialog, false);
    });
    connect(replace, &QAction::triggered, this, [this] {
        m_replaceDialog->show();
        m_replaceDialog->raise();
    });
    search->addAction(findAction);
    search->addAction(findNext);
    search->addAction(replace);

    QMenu* help = bar->addMenu("&Help");
    platform::addHelpItem(*help, "&Editor Help", platform::helpTopicPage(EditorHelp))->setStatusTip("Help on the editor");

    auto* tools = new QToolBar(this);
    // The desktop's icons for these commands where it has them, always with the name.
    tools->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    auto tool = [&](QAction* a, const char* themeIcon, const char* text) {
        QAction* button = tools->addAction(QIcon::fromTheme(themeIcon), text);
        button->setStatusTip(a->statusTip());
        connect(button, &QAction::triggered, a, &QAction::trigger);
    };
    tool(exit, "application-exit", "Exit");
    tool(print, "document-print", "Print");
    tool(cut, "edit-cut", "Cut");
    tool(copy, "edit-copy", "Copy");
    tool(paste, "edit-paste", "Paste");

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(bar);
    layout->addWidget(tools);
    layout->addWidget(m_edit, 1);
    layout->addWidget(m_status);
}

QAction* TNCEditor::action(const QString& text, const QString& hint, const QKeySequence& key)
{
    auto* a = new QAction(text, this);
    a->setStatusTip(hint);
    if (!key.isEmpty()) {
        a->setShortcut(key);
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
    }
    return a;
}

bool TNCEditor::event(QEvent* event)
{
    // Hints of menus and toolbar buttons go to this window's status bar.
    if (event->type() == QEvent::StatusTip) {
        m_status->showMessage(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QDialog::event(event);
}

QString TNCEditor::cannotFindText(const QString& text) { return "Cannot find \"" + text + "\"."; }

void TNCEditor::SetFileName(const std::string& name)
{
    FFileName = name;
    setWindowTitle(QString("%1 - %2").arg(EditorCaption, platform::toQString(platform::fileNamePart(name))));
}

bool TNCEditor::LoadFile(const std::string& name)
{
    SetFileName(name);
    const auto read = platform::readTextLines(name);
    setLines(read ? *read : std::vector<std::string>{});
    return read.has_value();
}

void TNCEditor::setLines(const std::vector<std::string>& lines)
{
    QString text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i)
            text += '\n';
        text += platform::toQString(lines[i]);
    }
    m_edit->setPlainText(text);
    m_edit->document()->setModified(false);
}

std::vector<std::string> TNCEditor::lines() const
{
    std::vector<std::string> out;
    // Block by block: the plain-text export would turn byte 0xA0 into a blank.
    for (QTextBlock block = m_edit->document()->begin(); block.isValid(); block = block.next())
        out.push_back(platform::toBytes(block.text()));
    if (out.size() == 1 && out[0].empty())
        out.clear();
    return out;
}

bool TNCEditor::FileSave()
{
    std::string error;
    if (!platform::saveTextLinesAtomic(FFileName, lines(), &error)) {
        m_prompter.message("Error", "Cannot write " + FFileName + (error.empty() ? "" : "\n" + error),
                           platform::MessageKind::Error, platform::Buttons::Ok);
        return false;
    }
    m_edit->document()->setModified(false);
    return true;
}

bool TNCEditor::canClose()
{
    if (!m_edit->document()->isModified())
        return true;
    const platform::Button answer =
        m_prompter.message("Confirm", "Save changes to " + FFileName + "?", platform::MessageKind::Question,
                           platform::Buttons::YesNoCancel);
    if (answer == platform::Button::Yes)
        return FileSave();
    return answer == platform::Button::No;
}

void TNCEditor::done(int result)
{
    if (!canClose())
        return;
    m_findDialog->hide();
    m_replaceDialog->hide();
    QDialog::done(result);
}

bool TNCEditor::find(const FindReplaceDialog& dialog, bool quiet)
{
    m_lastSearch = &dialog;
    const QString text = dialog.findText();
    if (text.isEmpty())
        return false;
    const QTextCursor found = m_edit->document()->find(text, searchStart(*m_edit), findFlags(dialog));
    if (found.isNull()) {
        if (!quiet)
            m_prompter.message("Find", platform::toBytes(cannotFindText(text)), platform::MessageKind::Information,
                               platform::Buttons::Ok);
        return false;
    }
    m_edit->setTextCursor(found);
    m_edit->setFocus();
    return true;
}

bool TNCEditor::FindNext() { return find(*m_findDialog, false); }

void TNCEditor::Replace()
{
    m_lastSearch = m_replaceDialog;
    QTextCursor cursor = m_edit->textCursor();
    cursor.insertText(m_replaceDialog->replaceText());
    m_edit->setTextCursor(cursor);
}

int TNCEditor::ReplaceAll()
{
    m_lastSearch = m_replaceDialog;
    const QString text = m_replaceDialog->findText();
    if (text.isEmpty())
        return 0;
    const QString replacement = m_replaceDialog->replaceText();
    const QTextDocument::FindFlags flags = findFlags(*m_replaceDialog);
    QTextDocument* document = m_edit->document();
    int position = searchStart(*m_edit);
    int count = 0;
    QTextCursor work(document);
    work.beginEditBlock();
    for (;;) {
        const QTextCursor found = document->find(text, position, flags);
        if (found.isNull())
            break;
        work.setPosition(found.selectionStart());
        work.setPosition(found.selectionEnd(), QTextCursor::KeepAnchor);
        work.insertText(replacement);
        position = work.position(); // right after the replacement
        ++count;
    }
    work.endEditBlock();
    if (count)
        m_edit->setTextCursor(work);
    return count;
}

void TNCEditor::Resequence()
{
    if (m_reseq->exec() != QDialog::Accepted)
        return;
    ResequenceOptions options;
    std::string error = m_reseq->readOptions(options);
    std::vector<std::string> text;
    if (error.empty()) {
        platform::WaitCursor wait;
        text = lines();
        error = ResequenceLines(text, options);
    }
    if (!error.empty()) {
        m_prompter.message("Error", error, platform::MessageKind::Error, platform::Buttons::Ok);
        return;
    }
    platform::WaitCursor wait;
    QString joined;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i)
            joined += '\n';
        joined += platform::toQString(text[i]);
    }
    // One edit, one undo step.
    QTextCursor all(m_edit->document());
    all.beginEditBlock();
    all.select(QTextCursor::Document);
    all.insertText(joined);
    all.endEditBlock();
}

void TNCEditor::Print()
{
    QPrinter& printer = ProgramPrinter(this);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    printer.setDocName("Vork Analyzer");
    m_edit->print(&printer);
}

// ---- The main window's command ----

bool EditInNCEditor(Tmdvform& window, const std::string& fileName)
{
    // One editor for the whole program run: the renumbering options keep their values.
    TNCEditor* editor = window.findChild<TNCEditor*>(QString(), Qt::FindDirectChildrenOnly);
    if (!editor)
        editor = new TNCEditor(window.prompter(), &window);
    // The working copy holds the blocks already run and the rest of the program: put it
    // back in place of the file before the file is edited.
    if (!window.session().state.EndOfProgram)
        window.CloseNCFile();
    if (!editor->LoadFile(fileName))
        window.showError("Cannot read " + fileName);
    editor->editor()->moveCursor(QTextCursor::Start);
    editor->exec();
    return true;
}

} // namespace vork
