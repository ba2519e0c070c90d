#include "platform/qt/ok_bottom_dialog.h"

#include "platform/qt/help.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

TOKBottomDlg::TOKBottomDlg(QWidget* parent)
    : QDialog(parent), m_body(new QFrame(this)), m_buttons(new QHBoxLayout), m_ok(new QPushButton("OK", this)),
      m_cancel(new QPushButton("Cancel", this))
{
    setWindowTitle("Dialog");
    m_body->setFrameShape(QFrame::StyledPanel);
    m_body->setFrameShadow(QFrame::Sunken);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_body, 1);
    layout->addLayout(m_buttons);
    m_buttons->addStretch(1);
    m_buttons->addWidget(m_ok);
    m_buttons->addWidget(m_cancel);
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QPushButton* TOKBottomDlg::addHelpButton(int topic)
{
    auto* help = new QPushButton("&Help", this);
    m_buttons->addWidget(help);
    platform::bindHelpButton(*help, topic);
    return help;
}
