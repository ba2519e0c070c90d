// The main window's menus, toolbar and popup menu: each item only calls its command.
#include "analyzer/ui/about_box.h"
#include "analyzer/ui/drawing_area.h"
#include "analyzer/ui/fixture_dialogs.h"
#include "analyzer/ui/window_commands.h"
#include "analyzer/ui/main_window.h"
#include "platform/qt/help.h"
#include "platform/qt/shell_execute.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenuBar>
#include <QSlider>
#include <QStyle>
#include <QToolBar>

namespace vork {

namespace {

// The analyzer's help contents (the page MRW2013's "Vork Analyzer Help" opens) and the
// help index.
constexpr const char* HelpContents = "analyzer.html";
constexpr const char* HelpIndex = "index.html";

template <typename F>
QAction* add(QMenu* menu, const char* text, Tmdvform& w, F command, QKeySequence key = {})
{
    QAction* action = menu->addAction(text);
    if (!key.isEmpty())
        action->setShortcut(key);
    QObject::connect(action, &QAction::triggered, &w, command);
    return action;
}

QAction* checkable(QAction* action, bool checked)
{
    action->setCheckable(true);
    action->setChecked(checked);
    return action;
}

} // namespace

void BuildMainMenus(Tmdvform& w)
{
    AnalyzerSettings& settings = w.settings();
    QMenuBar* bar = w.menuBar();

    // ---- File ----
    QMenu* file = bar->addMenu("&File");
    w.fileMenu = file;
    w.addRunLockedAction(add(file, "&New  -- NC Code File", w, [&w] { w.NewFile(); }));
    w.addRunLockedAction(add(file, "&Open -- NC Code File", w, [&w] { w.OpenNCFile(); }));
    w.addRunLockedAction(add(file, "&Close - NC Code File", w, [&w] { w.CloseNCFile(); }));
    w.addRunLockedAction(add(file, "Reload &Last Job", w, [&w] { w.Reloadthelastjob(); }));
    file->addSeparator();
    w.addRunLockedAction(add(file, "Open  -- &Machine Setup File", w, [&w] { w.OpenMachineFile(); }));
    w.recentMachinesMenu = file->addMenu("&Recent Machines");
    w.addRunLockedAction(w.recentMachinesMenu->menuAction());
    file->addSeparator();
    add(file, "&Print", w, [&w] { w.Print(); }, QKeySequence("Ctrl+P"));
    add(file, "Printer S&etup ...", w, [&w] { w.PrinterSetup(); });
    add(file, "Print &Data File", w, [&w] { PrintDataFile(w); });
    file->addSeparator();
    w.exitAction = add(file, "E&xit", w, [&w] { w.close(); });

    // ---- Edit ----
    QMenu* edit = bar->addMenu("&Edit");
    add(edit, "&Copy", w, [&w] { w.CopyPicture(); }, QKeySequence("Ctrl+Ins"));
    add(edit, "Copy &Metafile", w, [&w] { w.CopyMetafile(); });
    QAction* editor = add(edit, "&NC-Editor", w, [&w] { w.EditNCFile(); });
    w.addRunLockedAction(editor);

    // ---- Controls ----
    QMenu* controls = bar->addMenu("&Controls");
    QAction* autoFit = add(controls, "&Auto-Fit", w, [&w] { w.AutoFit(); }, QKeySequence("Ctrl+A"));
    w.addRunLockedAction(autoFit);
    w.stopAtToolChangesAction = checkable(add(controls, "&Stop at Tool Changes", w, [&w, &settings] {
                                              settings.skip = !settings.skip;
                                              w.stopAtToolChangesAction->setChecked(!settings.skip);
                                          }),
                                          !settings.skip);
    QAction* dxf = checkable(controls->addAction("&Output DXF File"), false);
    w.dxfOutputAction = dxf;
    QObject::connect(dxf, &QAction::triggered, &w, [&w, dxf] { dxf->setChecked(OutputDxfFile(w)); });
    w.addRunLockedAction(add(controls, "S&plit Sub Programs", w, [&w] { w.SplitSubPrograms(); }));
    add(controls, "Export &Dif File", w, [&w] { ExportDifFile(w); });

    // ---- View ----
    QMenu* view = bar->addMenu("&View");
    add(view, "&Fixture", w, [&w] { ShowFixtureDialog(w); });
    QAction* operations = add(view, "&Operations Manager", w, [&w] { ShowOperationsManager(w); },
                              QKeySequence("Ctrl+O"));
    w.addRunLockedAction(operations);
    w.showToolImageAction = checkable(add(view, "Show &Tool Image", w, [&w, &settings] {
                                          settings.showTool = !settings.showTool;
                                          w.showToolImageAction->setChecked(settings.showTool);
                                          if (!settings.showTool) {
                                              w.toolImage().EraseLastPicture();
                                              // Pictures left where the tool went (not
                                              // animated) go with a repaint of the path.
                                              if (!settings.animateTool)
                                                  w.RepaintDrawing();
                                              w.drawingArea().update(); // also while no run repaints
                                          }
                                      }),
                                      settings.showTool);
    w.animatedToolAction = checkable(add(view, "&Animated Tool", w, [&w, &settings] {
                                         settings.animateTool = w.animatedToolAction->isChecked();
                                     }),
                                     settings.animateTool);
    add(view, "Path &Color", w, [&w] { w.PathColor(); });
    QAction* graph = add(view, "Cycle Time &Graph", w, [&w] { ShowCycleTimeGraph(w); });
    w.readoutAction = checkable(add(view, "Digital &Readout", w, [&w] {
                                    w.readoutVisible = !w.readoutVisible;
                                    if (!ShowReadout(w, w.readoutVisible))
                                        w.readoutVisible = false;
                                    w.readoutAction->setChecked(w.readoutVisible);
                                }),
                                false);
    view->addSeparator();
    QAction* clear = add(view, "C&lear Display", w, [&w] { w.ClearDisplay(); });
    QAction* previous = add(view, "&Previous", w, [&w] { w.Previous(); }, QKeySequence("Ctrl+R"));
    QAction* zoom = add(view, "&Zoom", w, [&w] { w.Zoom(); }, QKeySequence("Ctrl+Z"));
    QAction* refresh = add(view, "Refr&esh", w, [&w] { w.RepaintDrawing(); }, QKeySequence(Qt::Key_F5));
    add(view, "&3D View Setup", w, [&w] { w.ThreeDSetup(); });
    view->addSeparator();
    QAction* verification = add(view, "Solids &Verification", w, [&w] { SolidsVerification(w); },
                                QKeySequence("Ctrl+V"));
    w.addRunLockedAction(verification);

    // ---- Setup ----
    QMenu* setup = bar->addMenu("&Setup");
    w.addRunLockedAction(add(setup, "&Machine Setup", w, [&w] { ShowMachineSetupEditor(w); }));
    QAction* preferences = add(setup, "&Preferences", w, [&w] { w.Preferences(); });

    // ---- Help ----
    QMenu* help = bar->addMenu("&Help");
    platform::addHelpItem(*help, "&Contents", platform::helpPage(HelpContents));
    platform::addHelpItem(*help, "Topic &Search", platform::helpPage(HelpIndex));
    add(help, "&About ...", w, [&w] { w.aboutBox().exec(); });

    // ---- Toolbar ----
    QToolBar* tools = w.addToolBar("Tools");
    tools->setObjectName("toolbar");
    tools->setMovable(false);
    // The run buttons answer Alt and their letter, also while a run goes on (the run lets
    // the window's events through); the letters are none of the menu bar's.
    const auto button = [&](const char* text, const char* hint, auto command) {
        QAction* action = tools->addAction(text);
        action->setToolTip(hint);
        action->setShortcut(QKeySequence::mnemonic(action->text()));
        QObject::connect(action, &QAction::triggered, &w, command);
        return action;
    };
    button("S&tart", "Start the Analyzer", [&w] { w.Start(); })->setObjectName("startButton");
    button("Sin&gle", "Single Block Mode", [&w] { w.Single(); })->setObjectName("singleButton");
    button("Sto&p", "Pause the Analyzer", [&w] { w.Stop(); })->setObjectName("stopButton");
    tools->addSeparator();
    tools->addAction(autoFit);
    autoFit->setIconText("\u00ab A \u00bb");
    // The other buttons show an icon, with their hint.
    const auto iconButton = [&](QAction* action, QStyle::StandardPixmap icon, const char* hint) {
        QAction* b = tools->addAction(w.style()->standardIcon(icon), hint);
        QObject::connect(b, &QAction::triggered, action, &QAction::trigger);
        QObject::connect(action, &QAction::enabledChanged, b, &QAction::setEnabled);
    };
    iconButton(editor, QStyle::SP_FileDialogDetailedView, "Edit the NC-Code");
    iconButton(preferences, QStyle::SP_FileDialogInfoView, "Setup Preferences");
    iconButton(verification, QStyle::SP_ComputerIcon, "Solid Verification");
    iconButton(operations, QStyle::SP_FileDialogListView, "Operations Manager");
    iconButton(graph, QStyle::SP_FileDialogContentsView, "Cycle Time Graph");
    iconButton(zoom, QStyle::SP_ArrowUp, "Zoom In");
    iconButton(previous, QStyle::SP_ArrowBack, "Zoom Previous");
    iconButton(w.exitAction, QStyle::SP_DialogCloseButton, "Exit");
    tools->addSeparator();
    tools->addWidget(w.m_viewCombo);
    tools->addWidget(w.m_slider);
    tools->addWidget(w.m_speedLabel);
    tools->addSeparator();
    tools->addWidget(w.m_machineLabel);

    // ---- Popup menu of the drawing area ----
    const auto popup = [&](const char* text, QAction* same) {
        auto* action = new QAction(text, &w.drawingArea());
        QObject::connect(action, &QAction::triggered, same, &QAction::trigger);
        w.drawingArea().addAction(action);
        if (same == autoFit)
            w.addRunLockedAction(action);
    };
    popup("&Auto-Fit", autoFit);
    popup("&Clear Display", clear);
    popup("&Previous", previous);
    popup("&Refresh", refresh);
    popup("&Zoom", zoom);

    w.refreshRecentMenus();
}

} // namespace vork
