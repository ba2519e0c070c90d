#include "analyzer/ui/main_window.h"

#include "analyzer/engine/analyzer_routines.h"
#include "analyzer/engine/dxf_output.h"
#include "analyzer/ui/about_box.h"
#include "analyzer/ui/code_list_view.h"
#include "analyzer/ui/color_picker.h"
#include "analyzer/ui/drawing_area.h"
#include "analyzer/ui/live_refresh.h"
#include "analyzer/ui/window_commands.h"
#include "analyzer/ui/run_feedback.h"
#include "analyzer/ui/settings_dialog.h"
#include "analyzer/ui/three_d_setup_dialog.h"
#include "platform/paths.h"
#include "platform/qt/latin1.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPrinter>
#include <QScrollBar>
#include <QSlider>
#include <QVBoxLayout>

namespace vork {

namespace {
constexpr int PumpEveryMilliseconds = 5;
constexpr int MinimumClientHeight = 520;
const char* const Caption = "Vork Analyzer 2013";

QLabel* readout(QGridLayout* grid, int row, int column, const char* name, const char* text = "")
{
    auto* label = new QLabel(text);
    label->setObjectName(name);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setMinimumWidth(90);
    grid->addWidget(label, row, column);
    return label;
}

qint64 monotonicMilliseconds()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.elapsed();
}
} // namespace

void RunEventPump::processEvents()
{
    const qint64 now = monotonicMilliseconds();
    if (now - m_last < PumpEveryMilliseconds)
        return;
    m_last = now;
    QtEventPump::processEvents();
}

Tmdvform::Tmdvform(const std::string& programFolder, platform::Prompter* prompter, QWidget* parent)
    : QMainWindow(parent), m_programFolder(programFolder), m_work(programFolder, "VORK.LCK"),
      m_ini(platform::joinPath(programFolder, AnalyzerIniName)), m_boxes(this),
      m_prompter(prompter ? prompter : &m_boxes),
      m_canvas(std::make_unique<ImageCanvas>(QSize(800, 560)))
{
    setObjectName("mdvform");
    buildLayout();
    m_runDrawing = std::make_unique<TrwindowRunDrawing>(m_window, *m_canvas, [this] { ClearDisplay(); });

    RunServices services;
    services.prompter = m_prompter;
    services.pump = &m_pump;
    services.codeList = m_codeList;
    services.drawing = m_runDrawing.get();
    m_toolImage.setTarget(&m_window, m_canvas.get());
    services.toolImage = &m_toolImage;
    services.operations = &m_operations;
    services.fixtures = &m_fixtures;
    m_session = std::make_unique<RunSession>(m_setup, services, m_work.path());
    // A second copy's private folder goes when the copy ends: a work copy kept for the
    // user goes to the program folder first, which stays.
    m_session->state.WorkCopyFolders = {m_programFolder, m_work.path()};
    m_fixtures.setTarget(&m_window, m_canvas.get(), &m_session->state.LatheMachine);
    m_session->prepareFreshRun = [this] { return prepareFreshRun(); };
    m_control = std::make_unique<RunControl>(*m_session);
    m_control->closeNow = [this] { QTimer::singleShot(0, this, [this] { close(); }); };
    m_control->runStarting = [this] {
        if (readoutVisible)
            ShowReadout(*this, true);
        setFocus();
    };

    try {
        Get_INI_Stuff(settings(), m_ini);
    } catch (const platform::IniWriteError& e) {
        showError(e.what());
    }
    m_recentNc.read(m_ini);
    m_recentMachines.read(m_ini);
    m_operations.RecentFiles.read(m_ini);
    // Settings that did not read are said once, with what is used, rather than reset at
    // the next save without a word.
    if (const std::string unread = platform::unreadValuesMessage(m_ini.path(), m_ini.unreadValues()); !unread.empty())
        m_prompter->message(Caption, unread, platform::MessageKind::Warning, platform::Buttons::Ok);

    m_aboutBox = new AboutBox(this);
    m_colorPicker = new ColorPicker(this);
    m_settingsDialog = new SettingsDialog(settings(), *m_colorPicker, this);
    m_threeD = new ThreeDSetupDialog(m_view, settings(), this);
    BuildMainMenus(*this);
    runFeedback = new RunFeedback(*this);

    m_window.SetDfDir(m_work.path());
    m_window.setPrompter(m_prompter);
    m_window.Init(*m_canvas);
    m_window.SetBlackScreen(settings().blackBackground);
    m_window.Clearcanvas(*m_canvas);
    m_window.OpenDisplayFile();

    const std::string defaultMachine =
        platform::resolveCaseInsensitive(ExeRelativePath(settings().defaultMachine, m_programFolder));
    std::vector<std::string> notes;
    if (platform::fileExists(defaultMachine) && LoadMachineFile(m_setup, defaultMachine, this, &notes)) {
        setMachineLabel(settings().defaultMachine);
        if (!notes.empty())
            showError(MachineFileNotesText(defaultMachine, notes));
    }

    connect(&m_timer1, &QTimer::timeout, this, [this] { m_session->state.PacingTick = true; });
    ApplySpeed();
    m_liveRefresh.setInterval(LiveRefreshMilliseconds);
    connect(&m_liveRefresh, &QTimer::timeout, this, [this] { m_area->update(); });
    setCaptionFor("");
}

Tmdvform::~Tmdvform()
{
    m_finished = true;
    saveOnExit();
}

void Tmdvform::buildLayout()
{
    auto* central = new QWidget(this);
    auto* row = new QHBoxLayout(central);
    row->setContentsMargins(2, 2, 2, 2);

    auto* panel = new QWidget(central);
    panel->setObjectName("statusPanel");
    auto* grid = new QGridLayout(panel);
    int r = 0;
    grid->addWidget(new QLabel("Mode:"), r++, 0);
    readout(grid, r++, 0, "modeReadout");
    grid->addWidget(new QLabel("Position:"), r++, 0);
    for (const char* axis : {"X", "Y", "Z", "A", "B", "C"}) {
        grid->addWidget(new QLabel(axis), r, 1);
        readout(grid, r++, 0, (std::string("position") + axis).c_str());
    }
    readout(grid, r++, 0, "feedReadout");
    grid->addWidget(new QLabel("Time:"), r++, 0);
    readout(grid, r++, 0, "blockTimeReadout", "00:00:00");
    readout(grid, r++, 0, "totalTimeReadout", "00:00:00");
    grid->addWidget(new QLabel("Cursor:"), r++, 0);
    m_cursorUpper = readout(grid, r++, 0, "cursorUpper");
    m_cursorLower = readout(grid, r++, 0, "cursorLower");
    grid->addWidget(new QLabel("Tool:"), r++, 0);
    readout(grid, r++, 0, "toolReadout");
    readout(grid, r++, 0, "toolShapeReadout");
    grid->setRowStretch(r, 1);
    panel->setFixedWidth(150);
    row->addWidget(panel);

    auto* right = new QGridLayout;
    right->setSpacing(0);
    m_area = new DrawingArea(m_canvas.get(), central);
    m_area->pressed = [this](QPoint at, Qt::MouseButton button) { mousePressed(at, button); };
    m_area->moved = [this](QPoint at, Qt::MouseButtons buttons) { mouseMoved(at, buttons); };
    m_area->released = [this](QPoint at) { mouseReleased(at); };
    m_area->resized = [this](QSize size) { resizeDrawing(size); };
    m_vbar = new QScrollBar(Qt::Vertical, central);
    m_hbar = new QScrollBar(Qt::Horizontal, central);
    for (QScrollBar* bar : {m_hbar, m_vbar}) {
        bar->setRange(-200, 200);
        bar->setSingleStep(5);
        bar->setPageStep(0);
        bar->setValue(0);
        // A pan happens when a scroll ends, once, after the bar has its new position.
        connect(bar, &QScrollBar::sliderReleased, this, [this] {
            QMetaObject::invokeMethod(this, [this] { PanMessage(); }, Qt::QueuedConnection);
        });
        connect(bar, &QScrollBar::actionTriggered, this, [this](int action) {
            if (action != QAbstractSlider::SliderMove)
                QMetaObject::invokeMethod(this, [this] { PanMessage(); }, Qt::QueuedConnection);
        });
    }
    m_hbar->setObjectName("horizontalBar");
    m_vbar->setObjectName("verticalBar");
    m_codeList = new CodeListView(central);
    m_codeList->setFixedHeight(110);
    m_codeList->add("Load NC-File &  Machine File... Press Start or Single...");
    right->addWidget(m_area, 0, 0);
    right->addWidget(m_vbar, 0, 1, 2, 1);
    right->addWidget(m_codeList, 1, 0);
    right->addWidget(m_hbar, 2, 0);
    row->addLayout(right, 1);
    setCentralWidget(central);

    m_viewCombo = new QComboBox(this);
    m_viewCombo->setObjectName("viewCombo");
    m_viewCombo->setToolTip("View Selection");
    for (const char* name : ViewNames)
        m_viewCombo->addItem(name);
    connect(m_viewCombo, &QComboBox::activated, this, [this](int index) { SelectView(index); });
    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setObjectName("speedSlider");
    m_slider->setRange(1, SliderPositions);
    m_slider->setSingleStep(1);
    m_slider->setPageStep(1);
    m_slider->setValue(SliderPositions);
    m_slider->setMaximumWidth(120);
    connect(m_slider, &QSlider::valueChanged, this, [this](int position) { SetSliderPosition(position); });
    m_speedLabel = new QLabel("100%", this);
    m_speedLabel->setObjectName("speedLabel");
    m_machineLabel = new QLabel(NoMachineLoaded, this);
    m_machineLabel->setObjectName("machineLabel");
    setMinimumHeight(MinimumClientHeight);
}

void Tmdvform::setCaptionFor(const std::string& name)
{
    setWindowTitle(name.empty() ? QString(Caption) + " -  [No File Loaded]"
                                : QString(Caption) + " - " + platform::toQString(name));
}

void Tmdvform::setMachineLabel(const std::string& fileName)
{
    m_machineLabel->setText(platform::toQString(MachineLabelFor(fileName)));
}

QString Tmdvform::machineLabel() const
{
    return m_machineLabel->text();
}

void Tmdvform::showError(const std::string& text)
{
    m_prompter->message(Caption, text, platform::MessageKind::Error, platform::Buttons::Ok);
}

void Tmdvform::inform(const std::string& text)
{
    m_prompter->message(Caption, text, platform::MessageKind::Information, platform::Buttons::Ok);
}

void Tmdvform::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    Prep_Display();
    RepaintDrawing();
    animatedToolAction->setChecked(settings().animateTool);
}

// ---- Run control -------------------------------------------------------------------

void Tmdvform::setRunActive(bool active)
{
    for (const QPointer<QAction>& action : m_runLocked)
        if (action)
            action->setEnabled(!active);
    if (active) {
        m_liveRefresh.start();
    } else {
        m_liveRefresh.stop();
        m_area->update();
        m_codeList->showLines();
        if (runFeedback)
            runFeedback->showReadouts();
        // The run has returned: the DXF drawing reads whole while the analyzer stays open.
        m_session->dxfOutput().Checkpoint();
        if (dxfOutputAction)
            dxfOutputAction->setChecked(m_session->dxfOutput().DxfOutputOn());
    }
}

void Tmdvform::runButton(bool single)
{
    const bool fresh = !m_control->Active();
    if (fresh)
        setRunActive(true);
    if (single)
        m_control->Single();
    else
        m_control->Start();
    if (fresh)
        setRunActive(m_control->Active());
    // Paused or ended, the status panel shows where the run stands.
    if (runFeedback)
        runFeedback->showReadouts();
}

void Tmdvform::Start() { runButton(false); }
void Tmdvform::Single() { runButton(true); }
void Tmdvform::Stop() { m_control->Stop(); }

bool Tmdvform::prepareFreshRun()
{
    if (!m_session->state.WorkCopyOpen && (!OpenNCFile() || !m_session->state.WorkCopyOpen))
        return false;
    if (machineLabel() == NoMachineLoaded && (!OpenMachineFile() || machineLabel() == NoMachineLoaded))
        return false;
    // A fresh run draws on an empty picture: repaints, prints and copies show its path
    // alone, not the last program's or the last machine's.
    Prep_Display();
    ClearDisplay();
    return true;
}

void Tmdvform::AutoFit()
{
    if (m_control->Active())
        return;
    if (!platform::fileExists(m_session->state.NCFileName) && !OpenNCFile())
        return;
    Prep_Display();
    m_window.DisplayFileON(true);
    setRunActive(true);
    m_control->AutoFit();
    setRunActive(m_control->Active());
    m_view.current = {m_window.extx, m_window.exty, m_window.extxx, m_window.extyy};
}

void Tmdvform::SetSliderPosition(int position)
{
    m_session->state.PacingTick = true;
    const SliderSpeed speed = SpeedForSliderPosition(position);
    m_speedLabel->setText(QString::fromStdString(speed.label));
    settings().speed = speed.speed;
    ApplySpeed();
}

void Tmdvform::ApplySpeed()
{
    // An interval of 0 would tick without pause: no delay means no ticks at all.
    if (settings().speed > 0)
        m_timer1.start(settings().speed * 100);
    else
        m_timer1.stop();
}

void Tmdvform::Preferences()
{
    m_settingsDialog->exec();
    RepaintDrawing();
    ApplySpeed();
}

void Tmdvform::PathColor()
{
    if (m_colorPicker->exec() != QDialog::Accepted)
        return;
    const int index = m_colorPicker->GetPen();
    m_window.SetColor(*m_canvas, index);
    m_session->state.ColorIndex = index;
}

// ---- Closing -------------------------------------------------------------------------

void Tmdvform::closeEvent(QCloseEvent* event)
{
    if (!m_control->CloseQuery()) {
        event->ignore();
        return;
    }
    m_window.DisplayFileON(false);
    m_fixtureTable.shown = false;
    m_session->dxfOutput().Finish();
    saveOnExit();
    event->accept();
}

void Tmdvform::saveOnExit()
{
    if (m_saved)
        return;
    m_saved = true;
    if (m_session->state.WorkCopyOpen)
        m_session->input.CloseNCFile();
    settings().view = m_viewCombo->currentIndex();
    try {
        Set_INI_Stuff(settings(), m_ini);
        m_recentNc.write(m_ini);
        m_recentMachines.write(m_ini);
        m_operations.RecentFiles.write(m_ini);
    } catch (const platform::IniWriteError& e) {
        showError(e.what());
    }
}

} // namespace vork
