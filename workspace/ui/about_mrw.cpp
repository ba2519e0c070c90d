#include "workspace/ui/about_mrw.h"

#include "workspace/engine/small_dialogs.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

TMdiAbout::TMdiAbout(QWidget* parent) : QDialog(parent), m_version(new QLabel(this)), m_folder(new QLabel(this))
{
    setWindowTitle("About");
    auto* grid = new QGridLayout(this);
    auto* icon = new QLabel(this);
    const QIcon programIcon = QApplication::windowIcon().isNull()
                                  ? style()->standardIcon(QStyle::SP_ComputerIcon)
                                  : QApplication::windowIcon();
    icon->setPixmap(programIcon.pixmap(48, 48));
    grid->addWidget(icon, 0, 0, 2, 1);
    QFont titleFont = font();
    titleFont.setPointSize(titleFont.pointSize() + 6);
    titleFont.setBold(true);
    titleFont.setItalic(true);
    const char* colours[] = {"aqua", "blue"};
    for (int i = 0; i < 2; ++i) {
        auto* title = new QLabel("Marrowin 2013", this);
        title->setFont(titleFont);
        title->setStyleSheet(QString("color: %1;").arg(colours[i]));
        grid->addWidget(title, i, 1);
    }
    grid->addWidget(new QLabel("Version", this), 2, 0);
    m_version->setText(QString::fromStdString(mrw::versionText()));
    grid->addWidget(m_version, 2, 1);
    grid->addWidget(m_folder, 3, 0, 1, 2);
    auto* ok = new QPushButton("OK", this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    grid->addWidget(ok, 4, 0, 1, 2, Qt::AlignHCenter);
}

void TMdiAbout::setWorkingFolder(const QString& folder)
{
    m_folder->setText(folder);
}

QString TMdiAbout::versionShown() const
{
    return m_version->text();
}

QString TMdiAbout::workingFolderShown() const
{
    return m_folder->text();
}
