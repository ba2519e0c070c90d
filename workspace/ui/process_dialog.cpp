#include "workspace/ui/process_dialog.h"

#include "workspace/engine/small_dialogs.h"

#include <QEvent>
#include <QFrame>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

TProcessDlg::TProcessDlg(QWidget* parent) : QDialog(parent), m_meter(new QProgressBar)
{
    setModal(false);
    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setFrameShadow(QFrame::Sunken);
    auto* inner = new QVBoxLayout(frame);
    inner->addWidget(m_meter);
    m_meter->setRange(0, 100);
    m_meter->setFormat("%p%");
    m_meter->setTextVisible(true);
    m_meter->setStyleSheet("QProgressBar { background: palette(base); text-align: center; }"
                           "QProgressBar::chunk { background: lime; }");
    auto* cancel = new QPushButton("Cancel", this);
    connect(cancel, &QPushButton::clicked, this, &TProcessDlg::cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addWidget(cancel, 0, Qt::AlignHCenter);
    resize(320, 110);
}

void TProcessDlg::setPercent(int percent)
{
    m_meter->setValue(percent);
}

int TProcessDlg::percent() const
{
    return m_meter->value();
}

void TProcessDlg::setProgress(long long line, long long count)
{
    setPercent(mrw::meterPercent(line, count));
}

bool TProcessDlg::event(QEvent* event)
{
    // Every new activation starts without a Cancel.
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::Show)
        m_cancelled = false;
    return QDialog::event(event);
}
