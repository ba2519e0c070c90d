#include "dnc/ui/terminal_widget.h"

#include "dnc/engine/comport.h"
#include "dnc/engine/terminal_reader.h"
#include "dnc/ui/terminal_screen.h"

#include "platform/scratch_file.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QPainter>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dnc::ui {

namespace {

// The capture file grows across captures, but in a folder that others share it is only
// ever our own regular file, reached without a link: anything else under its name is
// replaced by a new file, never followed, truncated or blocked on.
std::FILE* openCaptureFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        struct stat st{};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid()) {
            if (std::FILE* file = ::fdopen(fd, "ab"))
                return file;
        }
        ::close(fd);
    }
    return platform::createScratchStream(path);
}

} // namespace

TerminalWidget::TerminalWidget(QWidget* parent)
    : QWidget(parent), m_reader(new TerminalReader([this](const std::string& received) { showReceived(received); }, this))
{
    QFont font("Courier New");
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    if (!QFontInfo(font).fixedPitch())
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    setFont(font);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setEmulation(Emulation::Ansi);
}

TerminalWidget::~TerminalWidget() { setCapture({}); }

void TerminalWidget::setEmulation(Emulation emulation)
{
    m_emulation = emulation;
    if (emulation == Emulation::Ansi) {
        m_screen = TerminalScreen::ansi(Rows, Columns, [this](const std::string& reply) {
            if (m_port && isActive())
                m_port->putString(reply);
        });
    } else {
        m_screen = TerminalScreen::plain(Rows, Columns);
    }
    update();
}

void TerminalWidget::setPort(ComPort* port)
{
    m_port = port;
    m_reader->setPort(port);
}

void TerminalWidget::setActive(bool active)
{
    m_reader->setActive(active);
}

bool TerminalWidget::isActive() const
{
    return m_reader->isActive();
}

void TerminalWidget::showReceived(const std::string& received)
{
    if (!m_charHook) {
        show(received);
        return;
    }
    std::string shown;
    for (const char c : received)
        shown += m_charHook(c);
    show(shown);
}

void TerminalWidget::writeText(const std::string& text) { show(text); }

void TerminalWidget::show(const std::string& text)
{
    if (text.empty())
        return;
    if (m_capture) {
        std::fwrite(text.data(), 1, text.size(), m_capture);
        std::fflush(m_capture);
    }
    m_screen->feed(text);
    update();
}

void TerminalWidget::clearScreen()
{
    m_screen->clear();
    update();
}

bool TerminalWidget::setCapture(const std::string& path)
{
    if (m_capture) {
        std::fclose(m_capture);
        m_capture = nullptr;
    }
    if (path.empty())
        return true;
    m_capture = openCaptureFile(path);
    return m_capture != nullptr;
}

std::string TerminalWidget::rowText(int row) const
{
    std::string text;
    for (int column = 0; column < Columns; ++column) {
        const char32_t ch = m_screen->cell(row, column).ch;
        text.push_back(ch < 0x100 ? static_cast<char>(ch) : '?');
    }
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

QPoint TerminalWidget::cursorPosition() const
{
    return QPoint(m_screen->cursorColumn(), m_screen->cursorRow());
}

QSize TerminalWidget::sizeHint() const
{
    const QFontMetrics metrics(font());
    return QSize(metrics.horizontalAdvance(QLatin1Char('M')) * Columns + 4, metrics.height() * Rows + 4);
}

void TerminalWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QColor paper = palette().color(QPalette::Base);
    const QColor ink = palette().color(QPalette::Text);
    painter.fillRect(rect(), paper);
    const QFontMetrics metrics(font());
    const int cellWidth = metrics.horizontalAdvance(QLatin1Char('M'));
    const int cellHeight = metrics.height();
    QFont bold = font();
    bold.setBold(true);
    for (int row = 0; row < Rows; ++row) {
        for (int column = 0; column < Columns; ++column) {
            const TerminalCell cell = m_screen->cell(row, column);
            const QRect box(2 + column * cellWidth, 2 + row * cellHeight, cellWidth, cellHeight);
            if (cell.background.isValid())
                painter.fillRect(box, cell.background);
            if (cell.ch == U' ')
                continue;
            painter.setFont(cell.bold ? bold : font());
            painter.setPen(cell.foreground.isValid() ? cell.foreground : ink);
            painter.drawText(box.left(), box.top() + metrics.ascent(), QString::fromUcs4(&cell.ch, 1));
        }
    }
    if (isActive() && hasFocus()) {
        const QRect caret(2 + m_screen->cursorColumn() * cellWidth, 2 + (m_screen->cursorRow() + 1) * cellHeight - 2,
                          cellWidth, 2);
        painter.fillRect(caret, ink);
    }
}

void TerminalWidget::keyPressEvent(QKeyEvent* event)
{
    char c = 0;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: c = '\r'; break;
    case Qt::Key_Backspace: c = '\b'; break;
    case Qt::Key_Escape: c = 0x1b; break;
    case Qt::Key_Tab: c = '\t'; break;
    default: {
        // Control letters as the line knows them (Ctrl+Q is XON), whatever text the
        // platform made of the key.
        if ((event->modifiers() & Qt::ControlModifier) && event->key() >= Qt::Key_A && event->key() <= Qt::Key_Z) {
            c = static_cast<char>(event->key() - Qt::Key_A + 1);
            break;
        }
        const QString text = event->text();
        if (text.size() == 1 && text[0].unicode() < 0x100)
            c = static_cast<char>(text[0].unicode());
    }
    }
    if (c == 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    typeKey(c);
}

void TerminalWidget::typeKey(char c)
{
    if (m_keyFilter && m_keyFilter(c))
        return;
    if (isActive() && m_port)
        m_port->putChar(c);
}

} // namespace dnc::ui
