#include "workspace/ui/ncinfo_dialog.h"

#include <QFile>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

TNcinfoDlg::TNcinfoDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("NC-File Information");
    auto* grid = new QGridLayout(this);
    const char* captions[] = {"File Name: ", "Lines:", "Characters:", "Feet:", "Meters:", "Modified:"};
    for (int row = 0; row < 6; ++row) {
        grid->addWidget(new QLabel(captions[row], this), row, 0);
        m_values[row] = new QLabel(this);
        m_values[row]->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        grid->addWidget(m_values[row], row, 1);
    }
    auto* ok = new QPushButton("OK", this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    grid->addWidget(ok, 6, 0, 1, 2, Qt::AlignHCenter);
}

void TNcinfoDlg::showInfo(const mrw::NcFileInfo& info)
{
    const std::string* values[] = {&info.fileName, &info.lines, &info.characters, &info.feet, &info.meters,
                                   &info.modified};
    m_values[0]->setText(QFile::decodeName(QByteArray::fromStdString(info.fileName)));
    for (int row = 1; row < 6; ++row)
        m_values[row]->setText(QString::fromStdString(*values[row]));
}

QString TNcinfoDlg::shownValue(int row) const
{
    return m_values[row]->text();
}
