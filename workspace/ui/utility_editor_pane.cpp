#include "workspace/ui/utility_editor_pane.h"

#include "workspace/ui/mdi_child.h"
#include "workspace/ui/process_dialog.h"

#include "platform/qt/latin1.h"

#include <QApplication>

namespace {
constexpr const char* LineEnd = "\r\n";
constexpr int PumpMilliseconds = 100;
}

PaneUtilityEditor::PaneUtilityEditor(EditorPane& pane) : m_pane(pane) {}

PaneUtilityEditor::~PaneUtilityEditor()
{
    while (m_batchDepth > 0)
        setRepaint(true);
}

int PaneUtilityEditor::lineCount() const
{
    return static_cast<int>(m_pane.SendScintilla(QsciScintilla::SCI_GETLINECOUNT));
}

long PaneUtilityEditor::lineStart(int line) const
{
    return m_pane.SendScintilla(QsciScintilla::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line - 1));
}

long PaneUtilityEditor::lineEnd(int line) const
{
    return m_pane.SendScintilla(QsciScintilla::SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line - 1));
}

std::string PaneUtilityEditor::lineCopy(int line) const
{
    const long start = lineStart(line);
    const long length = lineEnd(line) - start;
    if (length <= 0)
        return {};
    const auto* text = reinterpret_cast<const char*>(
        m_pane.SendScintilla(QsciScintilla::SCI_GETRANGEPOINTER, static_cast<unsigned long>(start), length));
    return mrw::expandTabs(std::string_view(text, static_cast<std::size_t>(length)), m_pane.tabWidth());
}

bool PaneUtilityEditor::hasSelection() const
{
    return m_pane.hasSelectedText();
}

std::pair<int, int> PaneUtilityEditor::selectedLines() const
{
    int lineFrom = 0, indexFrom = 0, lineTo = 0, indexTo = 0;
    m_pane.getSelection(&lineFrom, &indexFrom, &lineTo, &indexTo);
    return {lineFrom + 1, lineTo + 1};
}

void PaneUtilityEditor::replaceLine(int line, std::string_view text)
{
    m_pane.SendScintilla(QsciScintilla::SCI_SETTARGETRANGE, static_cast<unsigned long>(lineStart(line)),
                         lineEnd(line));
    m_pane.SendScintilla(QsciScintilla::SCI_REPLACETARGET, static_cast<unsigned long>(text.size()), text.data());
}

void PaneUtilityEditor::deleteLine(int line)
{
    const long length = m_pane.SendScintilla(QsciScintilla::SCI_GETLENGTH);
    long from = lineStart(line);
    long to = length;
    if (line < lineCount())
        to = lineStart(line + 1);
    else if (line > 1)
        from = lineEnd(line - 1); // the last line takes the line end before it
    m_pane.SendScintilla(QsciScintilla::SCI_DELETERANGE, static_cast<unsigned long>(from), to - from);
}

void PaneUtilityEditor::appendLine(std::string_view text)
{
    std::string added(text);
    const int last = lineCount();
    if (last > 1 && lineEnd(last) == lineStart(last))
        added += LineEnd; // the text ends with a line end: the new line goes before the empty last one
    else if (m_pane.SendScintilla(QsciScintilla::SCI_GETLENGTH) > 0)
        added.insert(0, LineEnd);
    m_pane.SendScintilla(QsciScintilla::SCI_APPENDTEXT, static_cast<unsigned long>(added.size()), added.data());
}

void PaneUtilityEditor::cutAndPasteAll()
{
    m_pane.selectAll();
    m_pane.cut();
    m_pane.paste();
}

void PaneUtilityEditor::setCaret(int line, int column)
{
    m_pane.setCursorPosition(line - 1, column - 1);
}

void PaneUtilityEditor::setRepaint(bool on)
{
    if (!on) {
        if (m_batchDepth++ > 0)
            return; // a step of a larger command: its batch stays one Undo step
        m_pane.SendScintilla(QsciScintilla::SCI_BEGINUNDOACTION); // one Undo takes the whole command back
        m_pane.viewport()->setUpdatesEnabled(false);
        m_pane.holdChangeNotices(); // else a pass over a long program grows with its square
        return;
    }
    if (m_batchDepth == 0 || --m_batchDepth > 0)
        return;
    m_pane.SendScintilla(QsciScintilla::SCI_ENDUNDOACTION);
    m_pane.releaseChangeNotices();
    m_pane.viewport()->setUpdatesEnabled(true);
    m_pane.viewport()->update();
}

// ---- Progress ------------------------------------------------------------------------

ProcessDlgProgress::ProcessDlgProgress(TProcessDlg& dialog) : m_dialog(&dialog)
{
    m_sincePump.start();
}

ProcessDlgProgress::~ProcessDlgProgress()
{
    hide();
    setWaitCursor(false);
}

void ProcessDlgProgress::show(const std::string& caption)
{
    if (!m_dialog)
        return;
    m_dialog->setWindowTitle(platform::toQString(caption));
    m_dialog->setPercent(0);
    m_dialog->setWindowModality(Qt::ApplicationModal);
    m_dialog->show();
    m_sincePump.restart();
}

void ProcessDlgProgress::setPercent(int percent)
{
    if (m_dialog && m_dialog->percent() != percent)
        m_dialog->setPercent(percent);
}

bool ProcessDlgProgress::cancelled()
{
    if (m_sincePump.elapsed() >= PumpMilliseconds)
        processEvents();
    return m_dialog && m_dialog->cancelled();
}

void ProcessDlgProgress::processEvents()
{
    QCoreApplication::processEvents();
    m_sincePump.restart();
}

void ProcessDlgProgress::hide()
{
    if (m_dialog && m_dialog->isVisible())
        m_dialog->hide();
}

void ProcessDlgProgress::setWaitCursor(bool on)
{
    if (on == m_waitCursor)
        return;
    m_waitCursor = on;
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}
