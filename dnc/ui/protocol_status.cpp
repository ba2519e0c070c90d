#include "dnc/ui/protocol_status.h"

#include "platform/paths.h"
#include "platform/qt/latin1.h"

#include <QFormLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace dnc::ui {
namespace {

const char* const Captions[] = {"Protocol:",      "File name:",  "File size:",    "Block size:",
                                "Bytes transferred:", "Bytes remaining:", "Blocks transferred:",
                                "Block errors:",  "Total errors:", "Elapsed time:", "Throughput:"};

QString number(std::int64_t n) { return QString::number(n); }

QString elapsedText(std::int64_t ms)
{
    const std::int64_t seconds = ms / 1000;
    return QStringLiteral("%1:%2").arg(seconds / 60, 2, 10, QChar('0')).arg(seconds % 60, 2, 10, QChar('0'));
}

} // namespace

ProtocolStatusWindow::ProtocolStatusWindow(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Protocol Status");
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    for (const char* caption : Captions) {
        auto* label = new QLabel(caption, this);
        auto* value = new QLabel(this);
        value->setMinimumWidth(180);
        form->addRow(label, value);
        m_captions.append(label);
        m_values.append(value);
    }
    layout->addLayout(form);
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 100);
    layout->addWidget(m_progress);
    m_state = new QLabel(this);
    layout->addWidget(m_state);
    m_cancel = new QPushButton("Cancel", this);
    layout->addWidget(m_cancel, 0, Qt::AlignHCenter);
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        emit cancelRequested();
        if (m_protocol && m_protocol->inProgress())
            m_protocol->cancel();
    });
}

void ProtocolStatusWindow::attach(Protocol* protocol)
{
    if (m_protocol)
        m_protocol->disconnect(this);
    m_protocol = protocol;
    if (!protocol)
        return;
    connect(protocol, &Protocol::protocolStarted, this, &ProtocolStatusWindow::onStarted);
    connect(protocol, &Protocol::protocolProgress, this, &ProtocolStatusWindow::showStatus);
    connect(protocol, &Protocol::protocolFinished, this, &ProtocolStatusWindow::onFinished);
}

void ProtocolStatusWindow::onStarted()
{
    if (m_protocol)
        showStatus(m_protocol->status());
    m_cancel->setEnabled(true);
    centreOnParent();
    show();
    raise();
}

void ProtocolStatusWindow::onFinished()
{
    m_cancel->setEnabled(false);
    hide();
}

void ProtocolStatusWindow::centreOnParent()
{
    adjustSize();
    const QWidget* anchor = parentWidget() ? parentWidget()->window() : nullptr;
    const QRect area = anchor ? anchor->frameGeometry() : screen()->availableGeometry();
    move(area.center() - rect().center());
}

void ProtocolStatusWindow::showStatus(const ProtocolStatus& s)
{
    const bool sizeKnown = s.fileSize >= 0;
    const double seconds = s.elapsedMs / 1000.0;
    const QString values[] = {
        platform::toQString(s.protocolName),
        platform::toQString(platform::fileNamePart(s.fileName)),
        sizeKnown ? number(s.fileSize) : QString(),
        number(s.blockSize),
        number(s.bytesTransferred),
        sizeKnown ? number(std::max<std::int64_t>(0, s.fileSize - s.bytesTransferred)) : QString(),
        number(s.blocks),
        number(s.blockErrors),
        number(s.totalErrors),
        elapsedText(s.elapsedMs),
        seconds > 0 ? QString::number(static_cast<std::int64_t>(s.bytesTransferred / seconds)) + " cps" : QString(),
    };
    for (int i = 0; i < m_values.size(); ++i)
        m_values[i]->setText(values[i]);
    m_progress->setValue(sizeKnown && s.fileSize > 0 ? static_cast<int>(100 * s.bytesTransferred / s.fileSize)
                                                     : (sizeKnown && !s.inProgress ? 100 : 0));
    m_state->setText(platform::toQString(s.stateText));
}

QString ProtocolStatusWindow::fieldText(const QString& caption) const
{
    for (int i = 0; i < m_captions.size(); ++i)
        if (m_captions[i]->text() == caption)
            return m_values[i]->text();
    return {};
}

} // namespace dnc::ui
