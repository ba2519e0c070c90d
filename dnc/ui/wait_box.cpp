#include "dnc/ui/wait_box.h"

#include "platform/qt/latin1.h"

#include <QCheckBox>
#include <QLabel>
#include <QVBoxLayout>

namespace dnc {

Txonwaitform::Txonwaitform(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("MARROWIN DNC"));
    setObjectName(QStringLiteral("Txonwaitform"));
    Label1 = new QLabel(QStringLiteral("Waiting "), this);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setObjectName(QStringLiteral("Label1"));
    Stopwait = new QCheckBox(QStringLiteral("Stop Waiting"), this);
    Stopwait->setObjectName(QStringLiteral("Stopwait"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Stopwait, 0, Qt::AlignCenter);
}

void Txonwaitform::showWaiting(const std::string& label, bool minimized)
{
    Label1->setText(platform::toQString(label));
    Stopwait->setChecked(false);
    if (minimized)
        showMinimized();
    else
        showNormal();
}

void Txonwaitform::hideWaiting()
{
    hide();
}

bool Txonwaitform::stopRequested() const
{
    return Stopwait->isChecked();
}

} // namespace dnc
