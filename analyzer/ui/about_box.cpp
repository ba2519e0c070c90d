#include "analyzer/ui/about_box.h"

#include "analyzer/engine/analyzer_settings.h"

#include <QDialogButtonBox>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace vork {

AboutBox::AboutBox(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("About Vork Analyzer");
    auto* product = new QLabel("Vork Analyzer 2013", this);
    QFont big = product->font();
    big.setPointSize(big.pointSize() + 4);
    big.setBold(true);
    product->setFont(big);
    m_version = new QLabel(this);
    m_version->setObjectName("version");

    auto* versionRow = new QHBoxLayout;
    versionRow->addWidget(new QLabel("Version", this));
    versionRow->addWidget(m_version);
    versionRow->addStretch();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(product);
    layout->addLayout(versionRow);
    layout->addWidget(buttons);
}

void AboutBox::showEvent(QShowEvent* event)
{
    m_version->setText(QString::fromStdString(AnalyzerVersionText()));
    QDialog::showEvent(event);
}

} // namespace vork
