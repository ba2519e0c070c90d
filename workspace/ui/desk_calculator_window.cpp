#include "workspace/ui/desk_calculator_window.h"

#include "math/engine/mathlib.h"
#include "platform/qt/latin1.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QAbstractListModel>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

using Key = mrw::DeskCalculator::Key;

// The paper tape as the list shows it; reset after every key.
class TapeModel : public QAbstractListModel {
public:
    TapeModel(const mrw::DeskCalculator& calc, QObject* parent) : QAbstractListModel(parent), m_calc(calc) {}
    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(m_calc.tape().size());
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole || index.row() < 0 || index.row() >= rowCount())
            return {};
        return platform::toQString(m_calc.tape()[static_cast<std::size_t>(index.row())]);
    }
    void changed()
    {
        beginResetModel();
        endResetModel();
    }

private:
    const mrw::DeskCalculator& m_calc;
};

TBcalcform::TBcalcform(QWidget* parent)
    : QWidget(parent, Qt::Window), m_display(new QLabel(this)), m_memory(new QLabel(this)),
      m_tapeModel(new TapeModel(m_calc, this)), m_tape(new QListView(this)), m_items(new QLabel(this)), m_popup(new QMenu(this))
{
    setWindowTitle("Brask-Calc");
    setObjectName("Bcalcform");
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);

    QFont big = fixed;
    big.setPointSize(big.pointSize() + 4);
    m_display->setObjectName("Display");
    m_display->setFont(big);
    m_display->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_display->setFrameShape(QFrame::Panel);
    m_display->setFrameShadow(QFrame::Sunken);
    m_display->setMinimumHeight(m_display->fontMetrics().height() + 12);
    m_memory->setObjectName("Memory");
    m_memory->setFixedWidth(m_memory->fontMetrics().horizontalAdvance("MM") + 6);

    struct Button {
        const char* caption;
        Key key;
        int row, column;
    };
    static constexpr Button Keypad[] = {
        {"MC", Key::MemoryClear, 0, 0}, {"MR", Key::MemoryRecall, 0, 1}, {"MS", Key::MemoryStore, 0, 2},
        {"M+", Key::MemoryAdd, 0, 3},   {"C", Key::Clear, 1, 0},         {"CE", Key::ClearEntry, 1, 1},
        {"<-", Key::Backspace, 1, 2},   {"/", Key::Divide, 1, 3},        {"7", Key::Digit7, 2, 0},
        {"8", Key::Digit8, 2, 1},       {"9", Key::Digit9, 2, 2},        {"*", Key::Multiply, 2, 3},
        {"4", Key::Digit4, 3, 0},       {"5", Key::Digit5, 3, 1},        {"6", Key::Digit6, 3, 2},
        {"-", Key::Subtract, 3, 3},     {"1", Key::Digit1, 4, 0},        {"2", Key::Digit2, 4, 1},
        {"3", Key::Digit3, 4, 2},       {"+", Key::Add, 4, 3},           {"+/-", Key::ChangeSign, 5, 0},
        {"0", Key::Digit0, 5, 1},       {".", Key::Point, 5, 2},         {"=", Key::Equals, 5, 3},
    };
    auto* keypad = new QGridLayout;
    for (const Button& b : Keypad) {
        auto* button = new QPushButton(b.caption, this);
        button->setObjectName(QString("Key ") + b.caption);
        button->setFocusPolicy(Qt::NoFocus); // the keyboard stays with the calculator
        button->setMinimumSize(40, 32);
        connect(button, &QPushButton::clicked, this, [this, key = b.key] { press(key); });
        keypad->addWidget(button, b.row, b.column);
    }

    m_tape->setObjectName("Tape");
    m_tape->setModel(m_tapeModel);
    m_tape->setUniformItemSizes(true);
    m_tape->setFont(fixed);
    m_tape->setFocusPolicy(Qt::NoFocus);
    m_tape->setMinimumWidth(m_tape->fontMetrics().horizontalAdvance(QString(22, 'W')));
    m_items->setObjectName("Items");
    auto* clearTape = new QPushButton("Clear Tape", this);
    clearTape->setObjectName("ClearTape");
    clearTape->setFocusPolicy(Qt::NoFocus);
    connect(clearTape, &QPushButton::clicked, this, [this] {
        m_calc.clearTape();
        refresh();
    });

    auto* displayRow = new QHBoxLayout;
    displayRow->addWidget(m_memory);
    displayRow->addWidget(m_display, 1);
    auto* calculator = new QVBoxLayout;
    calculator->addLayout(displayRow);
    calculator->addLayout(keypad);
    calculator->addStretch(1);
    auto* tapeFooter = new QHBoxLayout;
    tapeFooter->addWidget(m_items, 1);
    tapeFooter->addWidget(clearTape);
    auto* tape = new QVBoxLayout;
    tape->addWidget(m_tape, 1);
    tape->addLayout(tapeFooter);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(calculator);
    layout->addLayout(tape, 1);

    m_popup->addAction("&Copy To Clipboard", this, &TBcalcform::CopyToClipboard1Click);
    setFocusPolicy(Qt::StrongFocus);
    refresh();
}

void TBcalcform::press(Key key)
{
    m_calc.press(key);
    refresh();
}

void TBcalcform::CopyToClipboard1Click()
{
    QApplication::clipboard()->setText(platform::toQString(vork::RealToShortStr(true, m_calc.value())));
}

void TBcalcform::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape: press(Key::Clear); return;
    case Qt::Key_Delete: press(Key::ClearEntry); return;
    case Qt::Key_Backspace: press(Key::Backspace); return;
    case Qt::Key_Enter:
    case Qt::Key_Return: press(Key::Equals); return;
    default: break;
    }
    if (event->matches(QKeySequence::Copy)) {
        CopyToClipboard1Click();
        return;
    }
    const QString text = event->text();
    if (text.size() == 1 && m_calc.pressChar(text[0].toLatin1())) {
        refresh();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TBcalcform::contextMenuEvent(QContextMenuEvent* event)
{
    m_popup->exec(event->globalPos());
}

void TBcalcform::refresh()
{
    m_display->setText(platform::toQString(m_calc.display()));
    m_memory->setText(m_calc.memoryInUse() ? "M" : "");
    m_tapeModel->changed();
    m_tape->scrollToBottom();
    m_items->setText("Items: " + QString::number(m_calc.itemCount()));
}
