#pragma once
// What the run shows the user while it runs, on the main window: the NC error dialog,
// the status panel's readouts, the coordinate readout window and the cycle time chart.
#include "analyzer/engine/readouts.h"

#include <QObject>

#include <array>

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
    void ShowCoordinates(const CoordinateReadoutTexts& texts) override;
    void ShowStatus(const StatusReadoutTexts& texts) override;

private:
    Tmdvform& m_window;
    // Children of the window: they live as long as it does.
    TErrorDlg* m_errors = nullptr;
    Tcreadout* m_readout = nullptr;
    TTimeGraphDlg* m_graph = nullptr;
    // Mode, X, Y, Z, A, B, C, feed, segment time, total time, tool, tool shape.
    std::array<QLabel*, 12> m_labels{};
};

} // namespace vork
