#include "analyzer/ui/color_picker.h"

#include "analyzer/engine/drawing_canvas.h"
#include "analyzer/ui/qt_canvas.h"
#include "platform/qt/help.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace vork {

namespace {

constexpr int GridSize = 4;
constexpr int CellPixels = 28;
constexpr int HelpContext = 5;

} // namespace

// An ellipse in the chosen colour.
class ColorSample : public QWidget {
public:
    explicit ColorSample(QWidget* parent) : QWidget(parent) { setMinimumSize(80, 60); }
    void setColor(QColor color)
    {
        m_color = color;
        update();
    }
    QColor color() const { return m_color; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setPen(Qt::black);
        painter.setBrush(m_color);
        painter.drawEllipse(rect().adjusted(4, 4, -5, -5));
    }

private:
    QColor m_color = Qt::black;
};

// The grid of colour cells. A cell reached with the keyboard is chosen as a clicked one
// is; the cell the grid makes current by itself (when it first gets the focus) is not.
class ColorGrid : public QTableWidget {
public:
    explicit ColorGrid(ColorPicker* picker) : QTableWidget(GridSize, GridSize, picker), m_picker(picker) {}

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        const QModelIndex before = currentIndex();
        QTableWidget::keyPressEvent(event);
        if (currentIndex().isValid() && currentIndex() != before)
            m_picker->chooseCell(currentRow(), currentColumn());
    }

private:
    ColorPicker* m_picker;
};

ColorPicker::ColorPicker(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Standard Colors");
    m_grid = new ColorGrid(this);
    m_grid->setObjectName("colorGrid");
    m_grid->horizontalHeader()->hide();
    m_grid->verticalHeader()->hide();
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    for (int i = 0; i < GridSize; ++i) {
        m_grid->setColumnWidth(i, CellPixels);
        m_grid->setRowHeight(i, CellPixels);
    }
    for (int row = 0; row < GridSize; ++row) {
        for (int column = 0; column < GridSize; ++column) {
            auto* cell = new QTableWidgetItem;
            cell->setBackground(paletteQColor(row * GridSize + column));
            m_grid->setItem(row, column, cell);
        }
    }
    m_grid->setFixedSize(GridSize * CellPixels + 2 * m_grid->frameWidth(),
                         GridSize * CellPixels + 2 * m_grid->frameWidth());
    connect(m_grid, &QTableWidget::cellClicked, this, &ColorPicker::chooseCell);

    m_sample = new ColorSample(this);
    m_sample->setObjectName("sample");
    auto* sampleColumn = new QVBoxLayout;
    sampleColumn->addWidget(new QLabel("Sample", this));
    sampleColumn->addWidget(m_sample);
    sampleColumn->addStretch();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    platform::bindHelpButton(*buttons->button(QDialogButtonBox::Help), HelpContext);

    auto* top = new QHBoxLayout;
    top->addWidget(m_grid);
    top->addLayout(sampleColumn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    Setpen(0);
}

void ColorPicker::Setpen(int index)
{
    m_pen = index;
    m_sample->setColor(paletteQColor(index));
}

void ColorPicker::chooseCell(int row, int column) { Setpen(row * GridSize + column); }

void ColorPicker::showEvent(QShowEvent* event)
{
    m_sample->setColor(paletteQColor(m_pen));
    QDialog::showEvent(event);
}

} // namespace vork
