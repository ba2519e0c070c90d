#include "workspace/ui/summary_dialog.h"

#include "platform/qt/latin1.h"
#include "platform/textfile.h"
#include "workspace/engine/compare_outputs.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QTextBlock>
#include <QVBoxLayout>

TSummaryDlg::TSummaryDlg(const CompareWindowHooks& hooks, QWidget* parent)
    : QDialog(parent), m_hooks(hooks)
{
    setWindowTitle("Summary Report");
    m_memo = new QPlainTextEdit(this);
    m_memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_memo->setFont(hooks.printFont);
    m_save = new QPushButton("&Save", this);
    m_save->setToolTip("Save Summary to a File");
    m_copy = new QPushButton("&Copy", this);
    m_copy->setToolTip("Copy Summary to Clipboard");
    m_print = new QPushButton("&Print", this);
    m_print->setToolTip("Print Summary to a file");
    connect(m_save, &QPushButton::clicked, this, &TSummaryDlg::SaveBtnClick);
    connect(m_copy, &QPushButton::clicked, this, &TSummaryDlg::CopyBtnClick);
    connect(m_print, &QPushButton::clicked, this, &TSummaryDlg::PrintBtnClick);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_save);
    buttons->addWidget(m_copy);
    buttons->addWidget(m_print);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_memo);
    layout->addLayout(buttons);

    // At the lower right corner of the screen.
    resize(500, 440);
    if (const QScreen* screen = QApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.width() - 520, area.height() - 465);
    }
}

void TSummaryDlg::setLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) {
        if (&line != &lines.front())
            text += '\n';
        text += line;
    }
    m_memo->setPlainText(platform::toQString(text));
}

std::vector<std::string> TSummaryDlg::lines() const
{
    return platform::splitLines(platform::toBytes(m_memo->toPlainText()));
}

void TSummaryDlg::selectLine(long line)
{
    const QTextBlock block = m_memo->document()->findBlockByNumber(static_cast<int>(line));
    if (!block.isValid())
        return;
    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    m_memo->setTextCursor(cursor);
    m_memo->ensureCursorVisible();
}

std::vector<std::string> TSummaryDlg::outputLines() const
{
    return mrw::SummaryOutput(m_hooks.now(), lines());
}

void TSummaryDlg::showError(const std::string& text)
{
    m_hooks.prompter->message("Error", text, platform::MessageKind::Error);
}

void TSummaryDlg::SaveBtnClick()
{
    const QString proposed = QFileInfo(platform::toQString(m_saveBaseName)).completeBaseName() + ".lst";
    const QString chosen =
        m_hooks.saveFile(this, "Save", proposed, "Text Files (*.txt *.sum);;All Files (*)");
    if (chosen.isEmpty())
        return;
    const std::string path = platform::toBytes(chosen);
    if (!platform::saveTextLinesAtomic(path, outputLines()))
        showError("Error on output of summary to " + path);
}

void TSummaryDlg::PrintBtnClick()
{
    QPrinter printer;
    if (!m_hooks.choosePrinter(printer, this))
        return;
    std::vector<std::string> text = outputLines();
    text.emplace_back("\f");
    QString reason;
    if (!m_hooks.printLines || !m_hooks.printLines(printer, text, m_hooks.printFont, &reason))
        showError("Error on output of summary to PRN");
}

void TSummaryDlg::CopyBtnClick()
{
    const QString selected = m_memo->textCursor().selectedText();
    if (selected.isEmpty()) {
        m_hooks.prompter->message("Copy", "Select a block of text to copy.", platform::MessageKind::Information);
        return;
    }
    QString text = selected;
    text.replace(QChar::ParagraphSeparator, '\n');
    QApplication::clipboard()->setText(text);
}

void TSummaryDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_memo->setFocus();
}

void TSummaryDlg::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    // Coming to the front shows the selection again.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        m_memo->ensureCursorVisible();
}
