#include "analyzer/ui/run_feedback.h"

#include "analyzer/engine/nc_errors.h"
#include "analyzer/ui/coordinate_readout.h"
#include "analyzer/ui/error_dialog.h"
#include "analyzer/ui/live_refresh.h"
#include "analyzer/ui/window_commands.h"
#include "analyzer/ui/main_window.h"
#include "analyzer/ui/time_graph_dialog.h"
#include "platform/qt/latin1.h"

#include <QAction>
#include <QLabel>

namespace vork {

namespace {
const char* const StatusLabels[] = {"modeReadout",     "positionX",        "positionY", "positionZ",
                                    "positionA",       "positionB",        "positionC", "feedReadout",
                                    "blockTimeReadout", "totalTimeReadout", "toolReadout", "toolShapeReadout"};
} // namespace

RunFeedback::RunFeedback(Tmdvform& window) : QObject(&window), m_window(window)
{
    setObjectName("runFeedback");
    m_errors = new TErrorDlg(&window);
    m_readout = new Tcreadout(&window);
    m_graph = new TTimeGraphDlg(window.session().state, &window);
    for (std::size_t i = 0; i < m_labels.size(); ++i)
        m_labels[i] = window.findChild<QLabel*>(StatusLabels[i]);
    m_refresh.setSingleShot(true);
    m_refresh.setInterval(LiveRefreshMilliseconds);
    connect(&m_refresh, &QTimer::timeout, this, &RunFeedback::showReadouts);
    connect(m_readout, &Tcreadout::closed, this, [this] {
        m_window.readoutVisible = false;
        if (m_window.readoutAction)
            m_window.readoutAction->setChecked(false);
    });
    window.session().errorReporter().setDialog(m_errors);
    RunReadouts& readouts = window.session().readouts();
    readouts.setOperations(&window.operations());
    readouts.setView(this);
}

// The window's run goes before its children: nothing to detach.
RunFeedback::~RunFeedback() = default;

bool RunFeedback::CoordinateReadoutVisible() const { return m_window.readoutVisible; }

void RunFeedback::ShowCoordinates(const ReadoutValues& values)
{
    m_coordinates = values;
    if (!m_refresh.isActive())
        m_refresh.start();
}

void RunFeedback::ShowStatus(const ReadoutValues& values)
{
    m_status = values;
    if (!m_refresh.isActive())
        m_refresh.start();
}

void RunFeedback::showReadouts()
{
    m_refresh.stop();
    if (m_coordinates)
        m_readout->ShowCoordinates(MakeCoordinateTexts(*m_coordinates));
    if (m_status) {
        const StatusReadoutTexts t = MakeStatusTexts(*m_status);
        const std::string* texts[] = {&t.mode, &t.x, &t.y, &t.z, &t.a, &t.b, &t.c, &t.feed,
                                      &t.segmentTime, &t.totalTime, &t.tool, &t.toolShape};
        for (std::size_t i = 0; i < m_labels.size(); ++i)
            if (m_labels[i])
                m_labels[i]->setText(platform::toQString(*texts[i]));
    }
    m_coordinates.reset();
    m_status.reset();
}

void ShowCycleTimeGraph(Tmdvform& window)
{
    if (window.runFeedback)
        window.runFeedback->timeGraph().exec();
}

bool ShowReadout(Tmdvform& window, bool visible)
{
    if (!window.runFeedback)
        return false;
    Tcreadout& readout = window.runFeedback->readout();
    if (visible) {
        readout.ShowCoordinates(MakeCoordinateTexts(TakeReadoutValues(window.session().state, false)));
        readout.show();
    } else {
        readout.hide();
    }
    return visible;
}

} // namespace vork
