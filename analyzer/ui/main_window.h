#pragma once
// The analyzer's main window: the toolbar with the run buttons, the status panel, the
// drawing area with its scroll bars, the code list and the menus. It drives one run
// session: the block loop runs inside the Start or Single handler and lets the window's
// events through, so every command stays usable while a run waits.
//
// The members are defined by area: main_window.cpp (creation, layout, run control,
// closing), file_commands.cpp (NC and machine files, recent lists, the last job),
// view_commands.cpp (extents, zoom, pan, 3D, repaint), picture_output.cpp (print, copy,
// SVG) and main_menus.cpp (menus and toolbar, wiring only).
#include "analyzer/engine/drawing.h"
#include "analyzer/engine/fixture_display.h"
#include "analyzer/engine/machine_setup.h"
#include "analyzer/engine/operation_table.h"
#include "analyzer/engine/recent_file_list.h"
#include "analyzer/engine/run_control.h"
#include "analyzer/engine/run_drawing.h"
#include "analyzer/engine/run_loop.h"
#include "analyzer/engine/tool_image.h"
#include "analyzer/engine/view_state.h"
#include "analyzer/ui/qt_canvas.h"
#include "platform/ini.h"
#include "platform/qt/qthost.h"
#include "platform/work_folder.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <memory>
#include <string>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QPrinter;
class QScrollBar;
class QSlider;

namespace vork {

class AboutBox;
class CodeListView;
class ColorPicker;
class DrawingArea;
class RunFeedback;
class SettingsDialog;
class ThreeDSetupDialog;

// The event pump of a run: lets window events through at most every few milliseconds,
// so a run of a million blocks is not slowed by a check per block.
class RunEventPump : public platform::QtEventPump {
public:
    void processEvents() override;

private:
    qint64 m_last = 0;
};

class Tmdvform : public QMainWindow, public MachineTypeListener {
    Q_OBJECT
public:
    // programFolder: where ZV.INI, the machine files and (when no other analyzer uses
    // it) the scratch files lie, with a trailing separator. prompter: where messages and
    // questions go (none: message boxes over this window).
    explicit Tmdvform(const std::string& programFolder, platform::Prompter* prompter = nullptr,
                      QWidget* parent = nullptr);
    ~Tmdvform() override;

    // ---- Files (file_commands.cpp) ----
    // Loads an NC program for a run; a FIFO, device or folder is refused with a message
    // and changes nothing (false).
    bool LoadFile(const std::string& name);
    void Reloadthelastjob();
    void NewFile();
    // The open dialogs; true when a file was chosen and loaded.
    bool OpenNCFile();
    bool OpenMachineFile();
    // Loads a machine file; an unreadable one is named in a message and changes nothing.
    bool LoadMachine(const std::string& fileName);
    void CloseNCFile();
    void EditNCFile();
    void SplitSubPrograms();

    // ---- Run control (main_window.cpp) ----
    void Start();
    void Single();
    void Stop();
    void AutoFit();
    void SetSliderPosition(int position);
    void ApplySpeed();
    void Preferences();
    void PathColor();

    // ---- View (view_commands.cpp) ----
    void Prep_Display();
    void ClearDisplay();
    // Replays the display file into the picture (never pumping events) and shows it.
    void RepaintDrawing();
    void Zoom();
    void Previous();
    void SelectView(int index);
    void ThreeDSetup();
    // A scroll ended: pan by the bars' movement.
    void PanMessage();
    void machineLoaded(bool lathe) override;

    // ---- Pictures (picture_output.cpp) ----
    void Print();
    // Replays the display file onto a printer (or PDF) in the current view.
    void PrintTo(QPrinter& printer);
    void PrinterSetup();
    // The program's one printer, shared by the picture, the listing and the editors.
    QPrinter& printer();
    // The picture at the drawing area's size.
    QImage PictureImage();
    void CopyPicture();
    // Writes VORK.SVG into the current folder and puts it on the clipboard; false (and
    // reported) when it cannot be written.
    bool CopyMetafile();

    // ---- What other parts of the analyzer use ----
    RunSession& session() { return *m_session; }
    TMachineSetup& machine() { return m_setup; }
    AnalyzerSettings& settings() { return m_session->settings; }
    ViewState& view() { return m_view; }
    Trwindow& drawingWindow() { return m_window; }
    ImageCanvas& canvas() { return *m_canvas; }
    CodeListView& codeList() { return *m_codeList; }
    DrawingArea& drawingArea() { return *m_area; }
    platform::Prompter& prompter() { return *m_prompter; }
    AboutBox& aboutBox() { return *m_aboutBox; }
    RunControl& runControl() { return *m_control; }
    QTimer& timer1() { return m_timer1; }
    RecentFileList& recentNcFiles() { return m_recentNc; }
    RecentFileList& recentMachines() { return m_recentMachines; }
    RecentFileList& recentOperationFiles() { return m_operations.RecentFiles; }
    TOperationTable& operations() { return m_operations; }
    TFixtureDisplay& fixtures() { return m_fixtures; }
    CanvasToolImage& toolImage() { return m_toolImage; }
    const std::string& programFolder() const { return m_programFolder; }
    const std::string& workFolder() const { return m_work.path(); }
    QString machineLabel() const;
    QComboBox& viewCombo() { return *m_viewCombo; }
    QScrollBar& horizontalBar() { return *m_hbar; }
    QScrollBar& verticalBar() { return *m_vbar; }
    QLabel& speedLabel() { return *m_speedLabel; }
    QSlider& speedSlider() { return *m_slider; }
    void showError(const std::string& text);
    // Information box with the analyzer's caption.
    void inform(const std::string& text);
    // Commands that change the program, the machine or the picture while a run is active.
    void addRunLockedAction(QAction* action) { m_runLocked.push_back(action); }
    // Menu items that show settings, set from them.
    QAction* stopAtToolChangesAction = nullptr;
    QAction* showToolImageAction = nullptr;
    QAction* animatedToolAction = nullptr;
    QAction* readoutAction = nullptr;
    QAction* dxfOutputAction = nullptr;
    QMenu* recentMachinesMenu = nullptr;
    QMenu* fileMenu = nullptr;
    QAction* exitAction = nullptr;
    bool readoutVisible = false;
    // The error dialog, readouts and cycle time chart of the run.
    RunFeedback* runFeedback = nullptr;
    void refreshRecentMenus();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildLayout();
    void setRunActive(bool active);
    void runButton(bool single);
    bool prepareFreshRun();
    void drawTransients();
    void saveOnExit();
    void resizeDrawing(QSize size);
    void resetScrollBars();
    void mousePressed(QPoint at, Qt::MouseButton button);
    void mouseMoved(QPoint at, Qt::MouseButtons buttons);
    void mouseReleased(QPoint at);
    void setCaptionFor(const std::string& name);
    void setMachineLabel(const std::string& fileName);
    void loadOperationFileFor(const std::string& ncFileName);
    std::string machineFilePath(const std::string& entry) const;

    std::string m_programFolder;
    platform::WorkFolder m_work;
    platform::IniFile m_ini;
    platform::QtPrompter m_boxes;
    platform::Prompter* m_prompter;
    RunEventPump m_pump;
    TMachineSetup m_setup;
    ViewState m_view;
    Trwindow m_window;
    std::unique_ptr<ImageCanvas> m_canvas;
    std::unique_ptr<TrwindowRunDrawing> m_runDrawing;
    TToolImage m_toolPicture;
    CanvasToolImage m_toolImage{m_toolPicture};
    FixtureTable m_fixtureTable;
    TFixtureDisplay m_fixtures{m_fixtureTable};
    TOperationTable m_operations{&m_toolPicture};
    CodeListView* m_codeList = nullptr;
    std::unique_ptr<RunSession> m_session;
    std::unique_ptr<RunControl> m_control;
    RecentFileList m_recentNc{RecentNcFilesSection};
    RecentFileList m_recentMachines{RecentMachineFilesSection};
    QTimer m_timer1;
    QTimer m_liveRefresh;
    std::unique_ptr<QPrinter> m_printer;

    DrawingArea* m_area = nullptr;
    QScrollBar* m_hbar = nullptr;
    QScrollBar* m_vbar = nullptr;
    QComboBox* m_viewCombo = nullptr;
    QSlider* m_slider = nullptr;
    QLabel* m_speedLabel = nullptr;
    QLabel* m_machineLabel = nullptr;
    QLabel* m_cursorUpper = nullptr;
    QLabel* m_cursorLower = nullptr;
    std::vector<QPointer<QAction>> m_runLocked;
    SettingsDialog* m_settingsDialog = nullptr;
    AboutBox* m_aboutBox = nullptr;
    ColorPicker* m_colorPicker = nullptr;
    ThreeDSetupDialog* m_threeD = nullptr;

    int m_d3mouseX = 0;
    int m_d3mouseY = 0;
    QPoint m_bandFrom;
    bool m_forceRedraw = false;
    bool m_finished = false;
    bool m_shownOnce = false;
    bool m_saved = false;

    friend void BuildMainMenus(Tmdvform& window);
};

// Builds the menus, the toolbar and the popup menu of the drawing area.
void BuildMainMenus(Tmdvform& window);

} // namespace vork
