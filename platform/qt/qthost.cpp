#include "platform/qt/qthost.h"

#include "platform/qt/latin1.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QInputDialog>
#include <QMessageBox>
#include <QThread>

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
    bool ok = false;
    const QString answer = QInputDialog::getText(m_parent, toQString(caption), toQString(prompt),
                                                 QLineEdit::Normal, toQString(value), &ok);
    if (ok)
        value = toBytes(answer);
    return ok;
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
