#include "analyzer/ui/time_graph_dialog.h"

#include "analyzer/engine/cycle_time.h"
#include "analyzer/engine/run_state.h"
#include "platform/qt/latin1.h"
#include "platform/qt/wait_cursor.h"
#include "platform/qt/help.h"

#include <QApplication>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSvgGenerator>
#include <QValueAxis>
#include <QVBoxLayout>

namespace vork {

namespace {
constexpr int HelpContext = 10459;
const QColor BarBlue(Qt::blue);
const QColor BarLime(0, 255, 0);
} // namespace

TTimeGraphDlg::TTimeGraphDlg(const TRunState& state, QWidget* parent) : QDialog(parent), m_state(state)
{
    setObjectName("TimeGraphDlg");
    setWindowTitle("Cycle Time -- By Tool");
    m_chart = new QChart;
    m_chart->setBackgroundBrush(Qt::white);
    m_chart->setPlotAreaBackgroundBrush(Qt::white);
    m_chart->setPlotAreaBackgroundVisible(true);
    m_chart->legend()->hide();
    buildChart();
    m_view = new QChartView(m_chart, this);
    m_view->setObjectName("chart");
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setMinimumSize(560, 380);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    auto* print = buttons->addButton("&Print", QDialogButtonBox::ActionRole);
    print->setObjectName("BitBtn1");
    print->setToolTip("Print Graph");
    auto* copy = buttons->addButton("&Copy", QDialogButtonBox::ActionRole);
    copy->setObjectName("BitBtn2");
    copy->setToolTip("Copy Graph to Clipboard");
    connect(print, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(copy, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    platform::bindHelpButton(*buttons->button(QDialogButtonBox::Help), HelpContext);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_view, 1);
    layout->addWidget(buttons);
}

void TTimeGraphDlg::showEvent(QShowEvent* event)
{
    DisplayTimes();
    QDialog::showEvent(event);
}

// The series and both axes live as long as the dialog and are refilled at each showing:
// the chart deletes the pictures of removed axes and series only when the event loop that
// removed them runs again, which a modal showing never lets happen, so removed ones would
// stay in the picture beside the new ones.
void TTimeGraphDlg::buildChart()
{
    m_bars = new QBarSet("Minutes");
    m_bars->setColor(BarBlue);
    m_bars->setBorderColor(BarBlue.darker());
    m_bars->setSelectedColor(BarLime);
    m_bars->setLabelColor(Qt::black);
    auto* series = new QBarSeries;
    series->append(m_bars);
    series->setLabelsVisible(true);
    series->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
    series->setLabelsFormat("@value");
    series->setLabelsPrecision(4);
    m_chart->addSeries(series);
    m_toolAxis = new QBarCategoryAxis;
    m_toolAxis->setTitleText("Tool");
    m_timeAxis = new QValueAxis;
    m_timeAxis->setTitleText("Minutes");
    m_chart->addAxis(m_toolAxis, Qt::AlignBottom);
    m_chart->addAxis(m_timeAxis, Qt::AlignLeft);
    series->attachAxis(m_toolAxis);
    series->attachAxis(m_timeAxis);
}

void TTimeGraphDlg::DisplayTimes()
{
    const std::vector<std::string> titles = ToolTimeTitles(m_state.NCFileName, m_state.TotalTime);
    QStringList lines;
    for (const std::string& t : titles)
        lines << platform::toQString(t).toHtmlEscaped();
    m_chart->setTitle(lines.join("<br>"));

    platform::WaitCursor busy;
    m_bars->deselectAllBars();
    m_bars->remove(0, m_bars->count());
    QStringList categories;
    double highest = 0;
    const std::vector<ToolTimeBar> bars = ToolTimeBars(m_state.ToolTimes);
    for (const ToolTimeBar& bar : bars) {
        m_bars->append(bar.minutes);
        categories << QString::fromStdString(bar.label);
        highest = std::max(highest, bar.minutes);
    }
    for (std::size_t i = 0; i < bars.size(); ++i)
        if (bars[i].lime)
            m_bars->selectBar(static_cast<int>(i));
    m_toolAxis->setCategories(categories);
    m_timeAxis->setRange(0, highest > 0 ? highest * 1.15 : 1.0);
    m_timeAxis->applyNiceNumbers();
}

// The chart lays out its titles and axes when events are next processed; a picture taken
// before then would lack them.
void TTimeGraphDlg::layOutNow()
{
    QCoreApplication::sendPostedEvents(m_view->scene());
    QCoreApplication::sendPostedEvents(m_chart);
    if (m_chart->layout())
        m_chart->layout()->activate();
}

bool TTimeGraphDlg::PrintTo(QPrinter& printer)
{
    platform::WaitCursor busy;
    layOutNow();
    printer.setDocName("Cycle Time By Tool");
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    const QRect page = painter.viewport();
    // The chart keeps its on-screen proportions across the page's width.
    const QSizeF size = m_view->size();
    const double scale = std::min(page.width() / size.width(), page.height() / size.height());
    const QRectF target(page.topLeft(), size * scale);
    m_view->render(&painter, target);
    return painter.end();
}

void TTimeGraphDlg::BitBtn1Click()
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (!PrintTo(printer)) {
        const QString file = printer.outputFileName();
        QMessageBox::warning(this, windowTitle(), file.isEmpty() ? "Unable to print" : "Unable to write to " + file);
    }
}

void TTimeGraphDlg::CopyToClipboard()
{
    layOutNow();
    const QSize size = m_view->size();
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        m_view->render(&painter);
    }
    QByteArray svg;
    {
        QBuffer buffer(&svg);
        QSvgGenerator generator;
        generator.setOutputDevice(&buffer);
        generator.setSize(size);
        generator.setViewBox(QRect(QPoint(0, 0), size));
        generator.setTitle("Cycle Time By Tool");
        QPainter painter(&generator);
        m_view->render(&painter);
    }
    auto* data = new QMimeData;
    data->setImageData(image);
    data->setData("image/svg+xml", svg);
    QApplication::clipboard()->setMimeData(data);
}

void TTimeGraphDlg::BitBtn2Click() { CopyToClipboard(); }

} // namespace vork
