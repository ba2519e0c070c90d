#include "platform/qt/qthost.h"

#include "platform/qt/latin1.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFontMetrics>
#include <QInputDialog>
#include <QLayout>
#include <QMessageBox>
#include <QStyle>
#include <QThread>

#include <algorithm>

namespace platform {

namespace {
QMessageBox::StandardButtons standardButtons(Buttons b)
{
    switch (b) {
    case Buttons::Ok: return QMessageBox::Ok;
    case Buttons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::YesNo:
    case Buttons::YesNoDefaultNo: return QMessageBox::Yes | QMessageBox::No;
    case Buttons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case Buttons::AbortRetryIgnore: return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    case Buttons::RetryCancel: return QMessageBox::Retry | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

Button fromStandard(int b)
{
    switch (b) {
    case QMessageBox::Ok: return Button::Ok;
    case QMessageBox::Cancel: return Button::Cancel;
    case QMessageBox::Abort: return Button::Abort;
    case QMessageBox::Retry: return Button::Retry;
    case QMessageBox::Ignore: return Button::Ignore;
    case QMessageBox::Yes: return Button::Yes;
    case QMessageBox::No: return Button::No;
    default: return Button::Cancel;
    }
}

QMessageBox::Icon icon(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Plain: return QMessageBox::NoIcon;
    case MessageKind::Information: return QMessageBox::Information;
    case MessageKind::Warning: return QMessageBox::Warning;
    case MessageKind::Error: return QMessageBox::Critical;
    case MessageKind::Question: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}
}

Button QtPrompter::message(const std::string& caption, const std::string& text, MessageKind kind,
                           Buttons buttons)
{
    QMessageBox box(icon(kind), toQString(caption), toQString(text), standardButtons(buttons), m_parent);
    if (buttons == Buttons::YesNoDefaultNo)
        box.setDefaultButton(QMessageBox::No);
    return fromStandard(box.exec());
}

bool QtPrompter::inputString(const std::string& caption, const std::string& prompt, std::string& value)
{
    QInputDialog box(m_parent);
    box.setWindowTitle(toQString(caption));
    box.setLabelText(toQString(prompt));
    box.setTextValue(toQString(value));
    box.sizeHint(); // builds the box's layout, which fitTitle widens
    fitTitle(&box);
    if (box.exec() != QDialog::Accepted)
        return false;
    value = toBytes(box.textValue());
    return true;
}

int titleBarWidthFor(const QWidget& window)
{
    // Title bars draw their text in a bolder, larger face than the window's own; room
    // for the icon and three buttons beside it.
    QFont font = QApplication::font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.25);
    const int text = QFontMetrics(font).horizontalAdvance(window.windowTitle());
    return text + 4 * window.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window);
}

void fitTitle(QWidget* window)
{
    const int width = titleBarWidthFor(*window);
    // A layout that sets the window's size from its own (as input boxes have) is widened
    // from inside.
    if (QLayout* layout = window->layout()) {
        const QMargins m = layout->contentsMargins();
        layout->addItem(new QSpacerItem(width - m.left() - m.right(), 0, QSizePolicy::Minimum, QSizePolicy::Fixed));
    } else {
        window->setMinimumWidth(std::max(window->minimumWidth(), width));
    }
}

void QtPrompter::beep()
{
    QApplication::beep();
}

void QtEventPump::processEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtEventPump::waitPumping(int milliseconds)
{
    QDeadlineTimer deadline(milliseconds);
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (!deadline.hasExpired())
            QThread::msleep(static_cast<unsigned long>(qMin<qint64>(5, deadline.remainingTime())));
    } while (!deadline.hasExpired());
}

} // namespace platform
