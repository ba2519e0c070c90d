#pragma once
// What the run shows the user while it runs, on the main window: the NC error dialog,
// the status panel's readouts, the coordinate readout window and the cycle time chart.
// The run gives its readouts far faster than labels can follow (and than anyone can
// read them), so the latest are kept and shown a few dozen times a second, and at once
// whenever the run returns.
#include "analyzer/engine/readouts.h"

#include <QObject>
#include <QTimer>

#include <array>
#include <optional>

class QLabel;

namespace vork {

class Tmdvform;
class TErrorDlg;
class Tcreadout;
class TTimeGraphDlg;

class RunFeedback : public QObject, public ReadoutView {
    Q_OBJECT
public:
    // Attaches itself to the window's run: errors go to the error dialog (when EDIT is
    // on), readouts to the status panel and the readout window.
    explicit RunFeedback(Tmdvform& window);
    ~RunFeedback() override;

    TErrorDlg& errorDialog() { return *m_errors; }
    Tcreadout& readout() { return *m_readout; }
    TTimeGraphDlg& timeGraph() { return *m_graph; }

    bool CoordinateReadoutVisible() const override;
    void ShowCoordinates(const ReadoutValues& values) override;
    void ShowStatus(const ReadoutValues& values) override;
    // Shows the readouts the run last gave, now.
    void showReadouts();

private:
    Tmdvform& m_window;
    // Children of the window: they live as long as it does.
    TErrorDlg* m_errors = nullptr;
    Tcreadout* m_readout = nullptr;
    TTimeGraphDlg* m_graph = nullptr;
    // Mode, X, Y, Z, A, B, C, feed, segment time, total time, tool, tool shape.
    std::array<QLabel*, 12> m_labels{};
    std::optional<ReadoutValues> m_status, m_coordinates;
    QTimer m_refresh;
};

} // namespace vork
