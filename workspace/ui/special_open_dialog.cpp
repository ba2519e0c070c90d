#include "workspace/ui/special_open_dialog.h"

#include "platform/qt/latin1.h"

#include <QFrame>
#include <QListWidget>
#include <QVBoxLayout>

TSpecialOpendlg::TSpecialOpendlg(QWidget* parent)
    : TOKBottomDlg(parent), ListBox1(new QListWidget(body())), ListBox2(new QListWidget(body()))
{
    setWindowTitle("Jump to Tool");
    auto* layout = new QVBoxLayout(body());
    layout->addWidget(ListBox1);
    layout->addWidget(ListBox2);
    ListBox2->hide();
    ListBox1->setUniformItemSizes(true); // long programs list many lines
    addHelpButton(HelpTopic);
    resize(520, 380);
    connect(ListBox1, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
}

void TSpecialOpendlg::clear()
{
    ListBox1->clear();
    ListBox2->clear();
}

void TSpecialOpendlg::setLines(const std::vector<mrw::JumpLine>& lines)
{
    QStringList texts;
    QStringList numbers;
    texts.reserve(static_cast<qsizetype>(lines.size()));
    numbers.reserve(static_cast<qsizetype>(lines.size()));
    for (const mrw::JumpLine& line : lines) {
        texts << platform::toQString(line.text);
        numbers << QString::number(line.lineNumber);
    }
    clear();
    ListBox1->addItems(texts);
    ListBox2->addItems(numbers);
}

int TSpecialOpendlg::chosenLine() const
{
    const int row = ListBox1->currentRow();
    if (row < 0 || row >= ListBox2->count() || !ListBox1->currentItem() || !ListBox1->currentItem()->isSelected())
        return 0;
    return ListBox2->item(row)->text().toInt();
}
