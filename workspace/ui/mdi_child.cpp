#include "workspace/ui/mdi_child.h"

#include "workspace/engine/editor_file.h"
#include "workspace/ui/main_form.h"
#include "workspace/ui/nc_lexer.h"

#include "platform/qt/latin1.h"
#include "platform/scratch_file.h"
#include "platform/textfile.h"

#include <Qsci/qscicommand.h>
#include <Qsci/qscicommandset.h>

#include <QCloseEvent>
#include <QKeyEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontMetrics>
#include <QMimeData>
#include <QResizeEvent>
#include <QScrollBar>
#include <QSplitter>
#include <QVBoxLayout>

#include <cmath>
#include <vector>

// ---- Editor pane -------------------------------------------------------------------

EditorPane::EditorPane(QWidget* parent) : QsciScintilla(parent), m_lexer(new NcLexer(this))
{
    setUtf8(false); // one character a byte, shown as Latin-1
    setEolMode(EolWindows);
    setLexer(m_lexer);
    setMarginWidth(0, 0);
    setMarginWidth(1, 15); // bookmarks
    setMarginSensitivity(1, false);
    SendScintilla(SCI_SETMARGINRIGHT, 0UL, 5L);
    setCaretWidth(2);
    setOverwriteMode(false);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    SendScintilla(SCI_SETSELEOLFILLED, 1UL);
    setSelectionForegroundColor(palette().color(QPalette::HighlightedText));
}

std::string EditorPane::bytes() const
{
    const auto length = static_cast<std::size_t>(SendScintilla(SCI_GETLENGTH));
    if (length == 0)
        return {};
    const auto* data = reinterpret_cast<const char*>(SendScintilla(SCI_GETCHARACTERPOINTER));
    return std::string(data, length);
}

void EditorPane::setBytes(std::string_view text)
{
    SendScintilla(SCI_CLEARALL);
    if (!text.empty())
        SendScintilla(SCI_APPENDTEXT, static_cast<unsigned long>(text.size()), text.data());
    SendScintilla(SCI_EMPTYUNDOBUFFER);
    SendScintilla(SCI_GOTOPOS, 0UL);
    setModified(false);
}

void EditorPane::restyle()
{
    recolor();
}

void EditorPane::setWrapColumn(int column)
{
    m_wrapColumn = column;
    updateWrapMargin();
}

QMimeData* EditorPane::toMimeData(const QByteArray& text, bool rectangular) const
{
    const std::string clean = mrw::withoutNuls(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
    return QsciScintilla::toMimeData(QByteArray(clean.data(), static_cast<qsizetype>(clean.size())), rectangular);
}

void EditorPane::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->ignore();
    else
        QsciScintilla::dragEnterEvent(event);
}

void EditorPane::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->ignore();
    else
        QsciScintilla::dragMoveEvent(event);
}

void EditorPane::dropEvent(QDropEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->ignore();
    else
        QsciScintilla::dropEvent(event);
}

void EditorPane::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo)) {
        event->matches(QKeySequence::Undo) ? undo() : redo();
        return;
    }
    const bool overwrite = overwriteMode();
    QsciScintilla::keyPressEvent(event);
    updateCaretStyle();
    if (overwrite != overwriteMode())
        emit insertModeChanged();
}

void EditorPane::holdChangeNotices()
{
    if (m_noticeHolds++ > 0)
        return;
    m_noticeMask = SendScintilla(SCI_GETMODEVENTMASK);
    SendScintilla(SCI_SETMODEVENTMASK, 0UL);
}

void EditorPane::releaseChangeNotices()
{
    if (m_noticeHolds == 0 || --m_noticeHolds > 0)
        return;
    SendScintilla(SCI_SETMODEVENTMASK, static_cast<unsigned long>(m_noticeMask));
    emit textChanged();
}

void EditorPane::undo()
{
    holdChangeNotices();
    QsciScintilla::undo();
    releaseChangeNotices();
}

void EditorPane::redo()
{
    holdChangeNotices();
    QsciScintilla::redo();
    releaseChangeNotices();
}

void EditorPane::updateCaretStyle()
{
    SendScintilla(SCI_SETCARETSTYLE, overwriteMode() ? static_cast<unsigned long>(CARETSTYLE_BLOCK)
                                                     : static_cast<unsigned long>(CARETSTYLE_LINE));
}

void EditorPane::resizeEvent(QResizeEvent* event)
{
    QsciScintilla::resizeEvent(event);
    updateWrapMargin();
}

// Scintilla wraps at the window's edge; a wrap column is made by a right margin that
// leaves exactly that many columns.
void EditorPane::updateWrapMargin()
{
    long right = 5;
    if (m_wrapColumn > 0 && wrapMode() != WrapNone) {
        const QFontMetrics fm(m_lexer->font(NcLexer::Address));
        const int text = viewport()->width() - marginWidth(1);
        right = std::max(5L, static_cast<long>(text - m_wrapColumn * fm.horizontalAdvance('X')));
    }
    SendScintilla(SCI_SETMARGINRIGHT, 0UL, right);
}

// ---- Key tables --------------------------------------------------------------------

namespace {
struct Binding {
    QsciCommand::Command command;
    int key;
    int alternateKey;
};

// The bindings a pane starts with, taken from the first pane before any change.
const std::vector<Binding>& defaultBindings(QsciScintilla* pane)
{
    static std::vector<Binding> bindings;
    if (bindings.empty())
        for (QsciCommand* c : pane->standardCommands()->commands())
            bindings.push_back({c->command(), c->key(), c->alternateKey()});
    return bindings;
}

struct WordStarKey {
    QsciCommand::Command command;
    int key;
};
const WordStarKey WordStarKeys[] = {
    {QsciCommand::LineUp, (Qt::CTRL | Qt::Key_E).toCombined()},           {QsciCommand::LineDown, (Qt::CTRL | Qt::Key_X).toCombined()},
    {QsciCommand::CharLeft, (Qt::CTRL | Qt::Key_S).toCombined()},         {QsciCommand::CharRight, (Qt::CTRL | Qt::Key_D).toCombined()},
    {QsciCommand::WordLeft, (Qt::CTRL | Qt::Key_A).toCombined()},         {QsciCommand::WordRight, (Qt::CTRL | Qt::Key_F).toCombined()},
    {QsciCommand::PageUp, (Qt::CTRL | Qt::Key_R).toCombined()},           {QsciCommand::PageDown, (Qt::CTRL | Qt::Key_C).toCombined()},
    {QsciCommand::LineScrollUp, (Qt::CTRL | Qt::Key_W).toCombined()},     {QsciCommand::LineScrollDown, (Qt::CTRL | Qt::Key_Z).toCombined()},
    {QsciCommand::Delete, (Qt::CTRL | Qt::Key_G).toCombined()},           {QsciCommand::DeleteWordRight, (Qt::CTRL | Qt::Key_T).toCombined()},
    {QsciCommand::LineDelete, (Qt::CTRL | Qt::Key_Y).toCombined()},       {QsciCommand::DeleteBack, (Qt::CTRL | Qt::Key_H).toCombined()},
    {QsciCommand::EditToggleOvertype, (Qt::CTRL | Qt::Key_V).toCombined()},
};

// The shortcuts of the main window's Edit, Search, Insert and Window menus.
const int MenuKeys[] = {
    (Qt::ALT | Qt::Key_Backspace).toCombined(), (Qt::SHIFT | Qt::CTRL | Qt::Key_Z).toCombined(),
    (Qt::CTRL | Qt::Key_X).toCombined(),         (Qt::CTRL | Qt::Key_C).toCombined(),
    (Qt::CTRL | Qt::Key_V).toCombined(),         (Qt::CTRL | Qt::Key_Delete).toCombined(),
    (Qt::CTRL | Qt::Key_A).toCombined(),         (Qt::CTRL | Qt::Key_F).toCombined(),
    (Qt::CTRL | Qt::Key_R).toCombined(),         Qt::Key_F3,
    (Qt::CTRL | Qt::Key_T).toCombined(),         (Qt::CTRL | Qt::Key_S).toCombined(),
    (Qt::CTRL | Qt::Key_E).toCombined(),         (Qt::CTRL | Qt::Key_M).toCombined(),
    (Qt::CTRL | Qt::Key_B).toCombined(),         (Qt::CTRL | Qt::Key_J).toCombined(),
    Qt::Key_F4,                                  (Qt::CTRL | Qt::Key_I).toCombined(),
    Qt::Key_F12,
};

void unbind(QsciCommandSet* set, int key)
{
    while (QsciCommand* other = set->boundTo(key)) {
        if (other->key() == key)
            other->setKey(0);
        else
            other->setAlternateKey(0);
    }
}
}

void applyKeyTable(QsciScintilla* pane, bool wordStar)
{
    QsciCommandSet* set = pane->standardCommands();
    const auto& defaults = defaultBindings(pane);
    for (QsciCommand* c : set->commands()) {
        for (const Binding& b : defaults) {
            if (b.command == c->command()) {
                c->setKey(b.key);
                c->setAlternateKey(b.alternateKey);
                break;
            }
        }
    }
    if (wordStar) {
        for (const WordStarKey& w : WordStarKeys) {
            // A WordStar key takes precedence over the default command bound to it.
            unbind(set, w.key);
            if (QsciCommand* c = set->find(w.command))
                c->setAlternateKey(w.key);
        }
    }
    // The menus' keys win over both tables.
    for (int key : MenuKeys)
        unbind(set, key);
}

// ---- Child window ------------------------------------------------------------------

namespace {
// Two panes that keep their proportion when the window is resized.
class PaneSplitter : public QSplitter {
public:
    using QSplitter::QSplitter;

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        const int oldHeight = event->oldSize().height();
        const int oldBottom = sizes().value(1);
        QSplitter::resizeEvent(event);
        if (count() != 2 || oldHeight <= 0)
            return;
        const int client = height();
        const int bottom = static_cast<int>(std::lround(static_cast<double>(oldBottom) * client / oldHeight));
        setSizes({std::max(0, client - handleWidth() - bottom), bottom});
    }
};
}

TMDIChild::TMDIChild(TMainForm* mainForm, const std::string& fileName, QWidget* parent)
    : QWidget(parent), m_main(mainForm), m_splitter(new PaneSplitter(Qt::Vertical, this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_splitter);
    m_splitter->setHandleWidth(SplitBarHeight);
    m_splitter->setChildrenCollapsible(false);
    m_splitter->setOpaqueResize(false); // a line follows the mouse; the panes move on release

    Editor1 = new EditorPane(m_splitter);
    m_splitter->addWidget(Editor1);
    attachPane(Editor1);
    ActivePane = Editor1;
    setFileName(fileName);
    ApplyChildSettings();
    if (m_main->settings().ForceCaps)
        m_main->forceCapsLockOn();
}

TMDIChild::~TMDIChild() = default;

void TMDIChild::attachPane(EditorPane* pane)
{
    pane->installEventFilter(this);
    connect(pane, &QsciScintilla::cursorPositionChanged, this, &TMDIChild::statusChanged);
    connect(pane, &QsciScintilla::textChanged, this, &TMDIChild::statusChanged);
    connect(pane, &QsciScintilla::selectionChanged, this, &TMDIChild::statusChanged);
    connect(pane, &QsciScintilla::modificationChanged, this, &TMDIChild::statusChanged);
    connect(pane, &EditorPane::insertModeChanged, this, &TMDIChild::statusChanged);
    connect(pane->verticalScrollBar(), &QScrollBar::valueChanged, this, &TMDIChild::statusChanged);
    pane->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(pane, &QWidget::customContextMenuRequested, this,
            [this, pane](const QPoint& position) { m_main->showEditorPopup(pane, position); });
}

void TMDIChild::setFileName(const std::string& name)
{
    m_fileName = name;
    setWindowTitle(platform::toQString(name));
}

void TMDIChild::setUntitled(int number)
{
    m_untitled = true;
    m_untitledNumber = number;
}

bool TMDIChild::loadFile(std::string& errorText)
{
    // Every way a file comes in (Open, recent files, command line, drop, other windows)
    // loads it here: a FIFO, device or folder is named as such, never read.
    if (platform::fileKind(m_fileName) == platform::FileKind::NotRegular) {
        errorText = platform::notRegularFileText(m_fileName);
        return false;
    }
    const auto bytes = platform::readFileBytes(m_fileName);
    if (!bytes) {
        errorText = "Cannot open file " + m_fileName;
        return false;
    }
    Editor1->setBytes(mrw::editorTextFromFile(*bytes));
    return true;
}

bool TMDIChild::saveFile(const std::string& name, std::string& errorText)
{
    std::string notice;
    if (!mrw::saveWithBackup(name, mrw::fileBytesFromEditorText(Editor1->bytes()), m_main->settings().Backup,
                             &errorText, &notice))
        return false;
    Editor1->setModified(false);
    if (!notice.empty())
        m_main->prompter().message("Marrowin", notice, platform::MessageKind::Information,
                                   platform::Buttons::Ok);
    return true;
}

bool TMDIChild::isModified() const
{
    return Editor1->isModified();
}

mrw::EditorTextView TMDIChild::textView() const
{
    mrw::EditorTextView view;
    view.lines = platform::splitLines(Editor1->bytes());
    view.tabSize = m_main->settings().TabSize;
    int line = 0;
    int index = 0;
    ActivePane->getCursorPosition(&line, &index);
    view.caretLine = line;
    if (ActivePane->hasSelectedText()) {
        int lineTo = 0;
        int indexTo = 0;
        ActivePane->getSelection(&line, &index, &lineTo, &indexTo);
        view.hasSelection = true;
        view.selectionFirstLine = line;
        view.selectionLastLine = lineTo;
    }
    return view;
}

void TMDIChild::ApplyEditorSettings(EditorPane* pane)
{
    const mrw::ProgramSettings& s = m_main->settings();
    const QFont font = m_main->editorFont();
    NcLexer* lexer = pane->ncLexer();
    lexer->setFont(font, -1);
    lexer->setPaper(colorFromWindows(s.EditorColor), -1);
    lexer->setColor(colorFromWindows(s.AddressColor), NcLexer::Address);
    lexer->setColor(colorFromWindows(s.NumberColor), NcLexer::Number);
    lexer->setColor(colorFromWindows(s.CommentColor), NcLexer::Comment);
    lexer->setColor(colorFromWindows(s.EditorFont.color), NcLexer::Plain);
    lexer->setColouring(s.ShowSyntax);
    lexer->setCommentMarks(m_main->commentMarks());
    pane->setPaper(colorFromWindows(s.EditorColor));
    pane->setTabWidth(std::clamp(s.TabSize, 1, 255));
    pane->setSelectionBackgroundColor(colorFromWindows(s.HighlightColor));
    pane->setWrapMode(s.WordWrap ? QsciScintilla::WrapWord : QsciScintilla::WrapNone);
    pane->setWrapColumn(s.WordWrap && !s.WrapToWindow ? s.WrapColumn : 0);
    pane->setAutoIndent(s.AutoIndent);
    switch (s.TabType) {
    case mrw::tabtype::Fixed:
        pane->setIndentationsUseTabs(false);
        pane->setTabIndents(false);
        break;
    case mrw::tabtype::Real:
        pane->setIndentationsUseTabs(true);
        pane->setTabIndents(false);
        break;
    case mrw::tabtype::Smart:
        pane->setIndentationsUseTabs(false);
        pane->setTabIndents(true);
        break;
    default:
        break;
    }
    applyKeyTable(pane, s.WordStar);
    pane->restyle();
}

void TMDIChild::ApplyChildSettings()
{
    ApplyEditorSettings(Editor1);
    if (IsSplit)
        ApplyEditorSettings(SplitPane);
}

void TMDIChild::setCommentMarks(const mrw::NcCommentMarks& marks)
{
    for (EditorPane* pane : {Editor1, SplitPane}) {
        if (pane) {
            pane->ncLexer()->setCommentMarks(marks);
            pane->restyle();
        }
    }
}

void TMDIChild::ToggleSplit()
{
    IsSplit = !IsSplit;
    if (!IsSplit) {
        ActivePane = Editor1;
        delete SplitPane;
        SplitPane = nullptr;
        Editor1->setFocus();
    } else {
        const int client = m_splitter->height();
        const int bottom = client / 2;
        SplitPane = new EditorPane;
        SplitPane->setDocument(Editor1->document()); // one text, one modified state
        m_splitter->insertWidget(0, SplitPane);
        attachPane(SplitPane);
        ApplyEditorSettings(SplitPane);
        m_splitter->setSizes({std::max(0, client - SplitBarHeight - bottom), bottom});
        int line = 0;
        int index = 0;
        Editor1->getCursorPosition(&line, &index);
        SplitPane->setCursorPosition(line, index);
    }
    emit statusChanged();
}

bool TMDIChild::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        if (watched == Editor1 || (SplitPane && watched == SplitPane)) {
            ActivePane = static_cast<EditorPane*>(watched);
            emit statusChanged();
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool TMDIChild::CloseQuery()
{
    if (!isModified())
        return true;
    const std::string question = m_fileName + " has changed, do you wish to save?";
    switch (m_main->prompter().message("Marrowin", question, platform::MessageKind::Information,
                                       platform::Buttons::YesNoCancel)) {
    case platform::Button::Yes:
        // The window closes only when its text is safe.
        return m_main->saveChild(this);
    case platform::Button::No:
        return true;
    default:
        return false;
    }
}

void TMDIChild::closeWithoutAsking()
{
    m_closeAgreed = true;
}

void TMDIChild::closeEvent(QCloseEvent* event)
{
    if (!m_closeAgreed && !CloseQuery()) {
        event->ignore();
        return;
    }
    m_closeAgreed = true;
    if (m_untitled)
        m_main->releaseUntitledNumber(m_untitledNumber);
    event->accept();
}
