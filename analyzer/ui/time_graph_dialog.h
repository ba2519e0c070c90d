#pragma once
// "Cycle Time -- By Tool": the per-tool times of the run as a bar chart, one bar per run
// of segments with the same tool, with print, copy and help.
#include <QDialog>

#include <string>

class QBarCategoryAxis;
class QBarSet;
class QChart;
class QChartView;
class QPrinter;
class QValueAxis;

namespace vork {

struct TRunState;

class TTimeGraphDlg : public QDialog {
    Q_OBJECT
public:
    // The chart shows `state`'s table each time the dialog is shown.
    explicit TTimeGraphDlg(const TRunState& state, QWidget* parent = nullptr);

    // Fills the chart from the run's table, titles and total.
    void DisplayTimes();
    QChart& chart() { return *m_chart; }
    // Renders the chart on the printer's page; false (nothing printed) when the printer
    // cannot be opened.
    bool PrintTo(QPrinter& printer);
    // The chart on the clipboard as a picture and as an SVG drawing.
    void CopyToClipboard();


protected:
    void showEvent(QShowEvent* event) override;

private:
    void BitBtn1Click(); // Print
    void BitBtn2Click(); // Copy
    void buildChart();
    void layOutNow();

    const TRunState& m_state;
    QChart* m_chart = nullptr;
    QChartView* m_view = nullptr;
    QBarSet* m_bars = nullptr;
    QBarCategoryAxis* m_toolAxis = nullptr;
    QValueAxis* m_timeAxis = nullptr;
};

} // namespace vork
