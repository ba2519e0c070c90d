#include "workspace/ui/pick_char_dialog.h"

#include "workspace/engine/small_dialogs.h"

#include "platform/qt/latin1.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QTableWidget>

TPickCharDlg::TPickCharDlg(QWidget* parent)
    : TOKBottomDlg(parent), m_table(new QTableWidget(mrw::PickerRows, mrw::PickerColumns)), m_preview(new QLabel),
      m_stat(new QLabel), m_controlChars(new QComboBox)
{
    setWindowTitle("Insert Special Character");
    addHelpButton(102);
    auto* grid = new QGridLayout(body());
    grid->addWidget(m_table, 0, 0, 1, 4);
    m_table->horizontalHeader()->hide();
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    for (int r = 0; r < mrw::PickerRows; ++r) {
        m_table->setRowHeight(r, 30);
        for (int c = 0; c < mrw::PickerColumns; ++c) {
            auto* item = new QTableWidgetItem(platform::toQString(mrw::pickedText(mrw::cellCharCode(r, c))));
            item->setTextAlignment(Qt::AlignCenter);
            m_table->setItem(r, c, item);
        }
    }
    for (int c = 0; c < mrw::PickerColumns; ++c)
        m_table->setColumnWidth(c, 25);
    m_table->setMinimumHeight(mrw::PickerRows * 30 + m_table->horizontalScrollBar()->sizeHint().height() + 4);
    m_table->setMinimumWidth(16 * 25);

    m_preview->setFixedSize(90, 40);
    m_preview->setFrameShape(QFrame::Box);
    m_preview->setAutoFillBackground(true);
    m_preview->setStyleSheet("background: white;");
    grid->addWidget(m_preview, 1, 0);
    grid->addWidget(m_stat, 1, 1);
    grid->addWidget(new QLabel("Control Character : "), 1, 2, Qt::AlignRight);
    for (int i = 0; i < mrw::ControlCharItems; ++i)
        m_controlChars->addItem(QString::fromStdString(mrw::controlCharItem(i)));
    grid->addWidget(m_controlChars, 1, 3);

    connect(m_table, &QTableWidget::currentCellChanged, this, [this](int row, int column) {
        if (row >= 0 && column >= 0)
            cellChosen(row, column);
    });
    connect(m_controlChars, &QComboBox::activated, this, &TPickCharDlg::controlCharChosen);
    setTableFont(font());
}

void TPickCharDlg::setTableFont(const QFont& font)
{
    QFont f = font;
    f.setPointSize(10);
    m_table->setFont(f);
    QFont big = f;
    big.setPointSize(18);
    m_preview->setFont(big);
}

QString TPickCharDlg::status() const
{
    return m_stat->text();
}

void TPickCharDlg::showPreview(const QString& text)
{
    m_preview->setText(text);
}

void TPickCharDlg::cellChosen(int row, int column)
{
    m_controlChars->setCurrentIndex(0);
    m_code = mrw::cellCharCode(row, column);
    showPreview(platform::toQString(mrw::pickedText(m_code)));
    m_stat->setText("Chr = " + QString::number(m_code));
}

void TPickCharDlg::controlCharChosen(int index)
{
    m_code = mrw::controlCharCode(index);
    showPreview(" ");
    m_stat->setText("Chr = " + QString::number(m_code));
}

void TPickCharDlg::accept()
{
    QApplication::clipboard()->setText(platform::toQString(mrw::pickedText(m_code)));
    TOKBottomDlg::accept();
}
