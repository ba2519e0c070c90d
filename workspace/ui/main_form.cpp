#include "workspace/ui/main_form.h"

#include "workspace/engine/activity_log.h"
#include "workspace/engine/editor_file.h"
#include "workspace/engine/machine_database.h"
#include "workspace/engine/small_dialogs.h"
#include "workspace/engine/users.h"
#include "workspace/engine/workspace_globals.h"
#include "workspace/ui/calculator_commands.h"
#include "workspace/ui/compare_window.h"
#include "workspace/ui/about_mrw.h"
#include "workspace/ui/dnc_link.h"
#include "workspace/ui/edit_commands.h"
#include "workspace/ui/file_commands.h"
#include "workspace/ui/file_names.h"
#include "workspace/ui/hand_off_commands.h"
#include "workspace/ui/insert_commands.h"
#include "workspace/ui/insert_dialog_commands.h"
#include "workspace/ui/print_commands.h"
#include "workspace/ui/search_commands.h"
#include "workspace/ui/window_commands.h"
#include "workspace/ui/login_commands.h"
#include "workspace/ui/machine_commands.h"
#include "workspace/ui/mdi_child.h"
#include "workspace/ui/nc_utility_commands.h"
#include "workspace/ui/nc_viewer.h"
#include "workspace/ui/plain_text_print.h"
#include "workspace/ui/ncinfo_dialog.h"
#include "workspace/ui/pick_char_dialog.h"
#include "workspace/ui/settings_dialog_mrw.h"
#include "workspace/ui/setup_dialog.h"
#include "workspace/ui/shell_helpers.h"

#include "math/engine/mathlib.h"
#include "platform/folders.h"
#include "platform/ini.h"
#include "platform/paths.h"
#include "platform/qt/help.h"
#include "platform/qt/latin1.h"
#include "platform/qt/qthost.h"
#include "platform/stored_path.h"
#include "platform/textfile.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMouseEvent>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFontDatabase>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include <optional>

using mrw::fileNameBytes;
using mrw::fileNameText;

namespace {
constexpr const char* Caption = "Marrowin 2013";
constexpr const char* ResultsCaption = "Marrowin Results";
}

TMainForm::TMainForm(const QStringList& arguments, platform::Prompter* prompter, QWidget* parent)
    : QMainWindow(parent),
      m_globals(mrw::workspaceGlobals()),
      m_settings(mrw::programSettings()),
      m_copyLock(m_globals.ProgramFolder + "MRW2013.LCK"),
      m_arguments(arguments),
      m_ownPrompter(prompter ? nullptr : std::make_unique<platform::QtPrompter>(this)),
      m_endingPrompter(prompter ? prompter : m_ownPrompter.get()),
      m_prompter(&m_endingPrompter),
      m_mdiArea(new QMdiArea(this)),
      m_machineBox(new QComboBox(this)),
      m_files(new FileCommands(*this, *m_prompter)),
      m_machines(new MachineCommands(*this, *m_machineBox, *m_prompter)),
      m_login(new LoginCommands(*this, *m_prompter)),
      m_handOffs(new HandOffCommands(*this, *m_prompter)),
      m_ncUtilities(new NcUtilityCommands(*this, m_globals, *m_prompter)),
      m_edit(new EditCommands(*this)),
      m_search(new SearchCommands(*this, m_globals, *m_prompter)),
      m_insert(new InsertCommands(*this, *m_prompter)),
      m_print(new PrintCommands(*this, *m_prompter)),
      m_window(new WindowCommands(*this, *m_mdiArea))
{
    setWindowTitle(Caption);
    setCentralWidget(m_mdiArea);
    m_mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(m_mdiArea, &QMdiArea::subWindowActivated, this, &TMainForm::activeChildChanged);
    m_machineBox->setToolTip("Select a Machine name");
    m_machineBox->setMinimumContentsLength(20);
    connect(m_machineBox, &QComboBox::activated, m_machines, &MachineCommands::MnameboxChange);
    connect(m_files, &FileCommands::recentFilesChanged, this, &TMainForm::UpdateMRUMenu);
    createMenus();
    for (std::size_t i = 0; i < m_panels.size(); ++i) {
        m_panels[i] = new QLabel(this);
        m_panels[i]->setObjectName(QString("Panel%1").arg(i + 2));
        m_panels[i]->setMinimumWidth(i == 0 || i == 5 ? 70 : 100);
        statusBar()->addWidget(m_panels[i]);
    }
    menuBar()->installEventFilter(this);
    m_statusTimer = new QTimer(this);
    m_statusTimer->setSingleShot(true);
    m_statusTimer->setInterval(0);
    connect(m_statusTimer, &QTimer::timeout, this, &TMainForm::UpdateButtons);
    connect(m_search, &SearchCommands::searchChanged, this, &TMainForm::Search1Click);
    // The clipboard is asked once per change, not on every caret move.
    m_clipboardHasText = clipboardHasText();
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, [this] {
        m_clipboardHasText = clipboardHasText();
        UpdateButtons();
    });
    UpdateButtons();

    m_remoteStart = !m_arguments.isEmpty() && m_arguments.front() == "CNCREMOTE";
    m_startFolder = QDir::currentPath(); // before the TEMPDIR folder becomes the current one
    m_globals.RemoteStartFlag = m_remoteStart;

    m_files->recentFiles().load(platform::IniFile(m_globals.ProgramIniPath));
    UpdateMRUMenu();
    LoadSettings();
    try {
        m_scratch = mrw::createScratchFiles(m_tempFolder);
    } catch (const std::exception& e) {
        showError(e.what());
    }
    setAcceptDrops(true);
    m_machines->LoadMachineNames();
    m_machineObserver = m_globals.Machine.addObserver([this] { updateCommentMarks(); });
    mrw::setEditorHost(this);
    resize(960, 700);
}

TMainForm::~TMainForm()
{
    // The children and the area go after this object: they must not call back into it.
    m_mdiArea->disconnect(this);
    for (TMDIChild* child : children())
        child->disconnect(this);
    m_globals.Machine.removeObserver(m_machineObserver);
    if (mrw::editorHost() == this)
        mrw::setEditorHost(nullptr);
    if (mrw::userSession().prompter() == m_prompter)
        mrw::userSession().setPrompter(nullptr);
    mrw::activityLog().setPrompter(nullptr);
    try {
        platform::IniFile ini(m_globals.ProgramIniPath);
        m_files->recentFiles().save(ini);
    } catch (const platform::IniWriteError&) {
        // Nothing to report to at this point; the list is simply not kept.
    }
    mrw::deleteScratchFiles(m_scratch);
}

void TMainForm::createMenus()
{
    QMenu* file = menuBar()->addMenu("&File");
    m_fileMenu = file;
    connect(file, &QMenu::aboutToShow, this, &TMainForm::File1Click);
    QAction* newAction = file->addAction("&New", m_files, &FileCommands::New1Click);
    QAction* openAction = file->addAction("&Open...", m_files, &FileCommands::Open1Click);
    m_saveAction = file->addAction("&Save", m_files, &FileCommands::Save1Click);
    m_saveAsAction = file->addAction("Save &as...", m_files, &FileCommands::SaveAs1Click);
    file->addSeparator();
    m_login->setLogoffItem(file->addAction("Change &Login", m_login, &LoginCommands::ChangeLogin1Click));
    file->addSeparator();
    file->addAction("P&rint setup...", m_print, &PrintCommands::PrintSetup1Click);
    m_printAction = file->addAction("&Print...", m_print, &PrintCommands::Print1Click);
    m_mruSeparator = file->addSeparator();
    for (int i = 0; i < mrw::RecentFiles::Count; ++i)
        m_mruActions[static_cast<std::size_t>(i)] = file->addAction(QString(), m_files, [this, i] { m_files->OpenMRUEntry(i); });
    file->addSeparator();
    QAction* exitAction = file->addAction("E&xit", this, &TMainForm::Exit1Click);

    createEditorCommandMenus();

    QMenu* setup = menuBar()->addMenu("Se&tup"); // Alt+S is Search's
    QAction* setupAction = setup->addAction("&Machine/DNC Setup...", m_machines, &MachineCommands::NCCodeSetup1Click);
    setup->addAction("&Properties...", this, &TMainForm::Properties1Click);
    setup->addAction("Pass&word Manager...", m_login, &LoginCommands::PasswordManager1Click);

    QMenu* dnc = menuBar()->addMenu("&DNC");
    QAction* goAction = dnc->addAction("&Go", m_handOffs, &HandOffCommands::Go1Click);

    QMenu* utilities = menuBar()->addMenu("NC &Utilities");
    QAction* analyzerAction = utilities->addAction("Run &Vork Analyzer", m_handOffs, &HandOffCommands::SpeedButton11Click);
    utilities->addAction("B-Macro Interpeter", m_handOffs, &HandOffCommands::BMacroInterpeter1Click);
    utilities->addAction("&Arithmetic", m_ncUtilities, &NcUtilityCommands::Arithmetic);
    utilities->addAction("Add / Remove &Spaces", m_ncUtilities, &NcUtilityCommands::AddRemoveSpaces);
    utilities->addAction("Change &Line Begin/End", m_ncUtilities, &NcUtilityCommands::ChangeLineBeginEnd);
    utilities->addAction("F&eed / Speed Overide", m_ncUtilities, &NcUtilityCommands::FeedSpeedOverride);
    utilities->addAction("File Splitter", m_ncUtilities, &NcUtilityCommands::FileSplitter);
    utilities->addAction("&Make Columns", m_ncUtilities, &NcUtilityCommands::MakeColumns);
    utilities->addAction("Re-&Format", m_ncUtilities, &NcUtilityCommands::Reformat);
    utilities->addAction("&Re-Sequence", m_ncUtilities, &NcUtilityCommands::Resequence);
    utilities->addAction("File Cleanup", m_ncUtilities, &NcUtilityCommands::FileCleanup);
    utilities->addAction("&Information", this, &TMainForm::Information1Click);
    utilities->addAction("Strip TABS", m_insert, &InsertCommands::StripTabs1Click);
    utilities->addAction("C&ompare Two Files", this, &TMainForm::CompareTwoFiles1Click);

    QMenu* insert = menuBar()->addMenu("&Insert");
    insert->addAction("&Expression", this, &TMainForm::InsertExpression1Click);
    insert->addAction("&File", m_insert, &InsertCommands::File2Click);
    insert->addAction("&NC-Code macro", QKeySequence("Ctrl+I"), this, &TMainForm::InsertNCMacro1Click);
    insert->addAction("&Special Character", this, &TMainForm::SpecialCharacter1Click);
    insert->addAction("&Date / Time", m_insert, &InsertCommands::DateTime1Click);
    insert->addAction("C&urrent File Name", m_insert, &InsertCommands::CurrentFileName1Click);
    insert->addAction("&Comment", this, &TMainForm::InsertComment1Click);

    QMenu* calculators = menuBar()->addMenu("&Calculators");
    calculators->addAction("&Calculator", m_handOffs, &HandOffCommands::Calculator1Click);
    calculators->addAction("&Brask-Calc", this, [this] { CalculatorCommands::of(*this).BraskCalc1Click(); });
    calculators->addAction("&Triangle Solver", this, [this] { CalculatorCommands::of(*this).TriangleSolver1Click(); });
    calculators->addAction("&Speed Feed Calculator", this,
                           [this] { CalculatorCommands::of(*this).SpeedFeedCalculator1Click(); });

    QMenu* window = menuBar()->addMenu("&Window");
    connect(window, &QMenu::aboutToShow, this, &TMainForm::Window1Click);
    m_arrangeActions << window->addAction("&Cascade", m_window, &WindowCommands::Cascade1Click)
                     << window->addAction("&Tile Horizontal", m_window, &WindowCommands::TileHorizontal1Click)
                     << window->addAction("Tile &Vertical", m_window, &WindowCommands::TileVertical1Click)
                     << window->addAction("&Arrange Icons", m_window, &WindowCommands::ArrangeIcons1Click);
    window->addAction("&Minimize All", m_window, &WindowCommands::MinimizeAll1Click);
    window->addSeparator();
    window->addAction("&File Viewer", this, &TMainForm::ShowFileViewer);
    window->addAction("Toggle Read Only", QKeySequence(Qt::Key_F12), this, [this] {
        m_window->ToggleReadOnly1Click();
        UpdateButtons();
    });
    m_splitAction = window->addAction("&Split", this, &TMainForm::ToggleSplitOfActiveChild);
    m_splitAction->setCheckable(true);

    QMenu* help = menuBar()->addMenu("&Help");
    platform::addHelpItem(*help, "&Contents", WindowCommands::contentsPage());
    platform::addHelpItem(*help, "&Topic Search", WindowCommands::indexPage());
    platform::addHelpItem(*help, "&DNC Help", WindowCommands::dncHelpPage());
    platform::addHelpItem(*help, "Vork Analyzer Help", WindowCommands::analyzerHelpPage());
    help->addSeparator();
    help->addAction("&About...", this, &TMainForm::About1Click);

    QToolBar* bar = addToolBar("Buttons");
    bar->setObjectName("Buttons");
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    bar->addAction(newAction);
    bar->addAction(openAction);
    // The button is enabled with any child, the menu item with a text to save.
    m_saveButton = bar->addAction("Save", m_files, &FileCommands::Save1Click);
    bar->addAction(m_printAction);
    bar->addSeparator();
    bar->addAction(m_undoAction);
    bar->addAction(m_redoAction);
    bar->addAction(m_cutAction);
    bar->addAction(m_copyAction);
    bar->addAction(m_pasteAction);
    bar->addSeparator();
    const std::pair<const char*, const char*> searchButtons[] = {
        {"Find Next -&T-", "T"},        {"Find Next -&S-", "S"},          {"Fin&d Next -F-", "F"},
        {"Find Next &Comment", "C"},    {"Jump To Su&bprogram", "B"},     {"&Jump To Tool", "J"}};
    for (const auto& [item, button] : searchButtons) {
        QAction* a = menuAction(item);
        bar->addAction(a);
        a->setIconText(button);
    }
    // The machine and its hand-offs on a row of their own: one row cannot hold every
    // button and the selector at the window's default size, and the selector must not
    // end up behind the toolbar's overflow arrow.
    addToolBarBreak();
    QToolBar* machineBar = addToolBar("Machine");
    machineBar->setObjectName("Machine");
    machineBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    machineBar->addWidget(m_machineBox);
    machineBar->addSeparator();
    machineBar->addAction(setupAction);
    machineBar->addAction(goAction);
    machineBar->addAction(analyzerAction);
    machineBar->addSeparator();
    machineBar->addAction(exitAction);
    setupAction->setIconText("Machine Settings");
    goAction->setIconText("Start DNC");
    analyzerAction->setIconText("Run Vork Analyzer");
    exitAction->setIconText("Exit Marrowin");
    m_printAction->setIconText("Print File");
    for (QToolBar* row : {bar, machineBar})
        for (QAction* a : row->actions())
            if (a->statusTip().isEmpty() && !a->iconText().isEmpty())
                a->setStatusTip(a->iconText().remove('&'));
}

void TMainForm::createEditorCommandMenus()
{
    QMenu* edit = menuBar()->addMenu("&Edit");
    connect(edit, &QMenu::aboutToShow, this, &TMainForm::Edit1Click);
    m_undoAction = edit->addAction("&Undo", QKeySequence(Qt::ALT | Qt::Key_Backspace), m_edit, &EditCommands::Undo1Click);
    m_redoAction = edit->addAction("&Redo", QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_Z), m_edit,
                                   &EditCommands::Redo1Click);
    edit->addSeparator();
    m_cutAction = edit->addAction("Cu&t", QKeySequence(Qt::CTRL | Qt::Key_X), m_edit, &EditCommands::Cut1Click);
    m_copyAction = edit->addAction("&Copy", QKeySequence(Qt::CTRL | Qt::Key_C), m_edit, &EditCommands::Copy1Click);
    m_pasteAction = edit->addAction("&Paste", QKeySequence(Qt::CTRL | Qt::Key_V), m_edit, &EditCommands::Paste1Click);
    m_deleteAction =
        edit->addAction("&Delete", QKeySequence(Qt::CTRL | Qt::Key_Delete), m_edit, &EditCommands::Delete1Click);
    edit->addSeparator();
    m_selectAllAction =
        edit->addAction("&Select All", QKeySequence(Qt::CTRL | Qt::Key_A), m_edit, &EditCommands::SelectAll1Click);
    m_undoAction->setIconText("Undo");
    m_redoAction->setIconText("Redo");
    m_cutAction->setIconText("Cut");
    m_copyAction->setIconText("Copy");
    m_pasteAction->setIconText("Paste");

    QMenu* search = menuBar()->addMenu("&Search");
    connect(search, &QMenu::aboutToShow, this, &TMainForm::Search1Click);
    SearchCommands* s = m_search;
    m_searchActions << search->addAction("&Find...", QKeySequence(Qt::CTRL | Qt::Key_F), s, &SearchCommands::Find1Click)
                    << search->addAction("&Replace...", QKeySequence(Qt::CTRL | Qt::Key_R), s,
                                         &SearchCommands::Replace1Click);
    m_findNextAction = search->addAction("Find &next", QKeySequence(Qt::Key_F3), s, &SearchCommands::FindNext1Click);
    search->addSeparator();
    m_searchActions << search->addAction("Find Next -&T-", QKeySequence(Qt::CTRL | Qt::Key_T), s,
                                         &SearchCommands::FindNextT1Click)
                    << search->addAction("Find Next -&S-", QKeySequence(Qt::CTRL | Qt::Key_S), s,
                                         &SearchCommands::FindNextS1Click)
                    << search->addAction("Fin&d Next -F-", QKeySequence(Qt::CTRL | Qt::Key_E), s,
                                         &SearchCommands::FindNextF1Click)
                    << search->addAction("Find Next &Comment", QKeySequence(Qt::CTRL | Qt::Key_M), s,
                                         &SearchCommands::FindNextComment1Click)
                    << search->addAction("Jump To Su&bprogram", QKeySequence(Qt::CTRL | Qt::Key_B), s,
                                         &SearchCommands::FindNextSubprogram1Click)
                    << search->addAction("&Jump To Tool", QKeySequence(Qt::CTRL | Qt::Key_J), s,
                                         &SearchCommands::OpenSpecial1Click);
    search->addSeparator();
    m_searchActions << search->addAction("&Go to line...", QKeySequence(Qt::Key_F4), s, &SearchCommands::Gotoline1Click)
                    << search->addAction("Goto T&op", s, &SearchCommands::GotoTop1Click)
                    << search->addAction("Goto &Bottom", s, &SearchCommands::GotoBottom1Click);

    m_popup = new QMenu(this);
    connect(m_popup, &QMenu::aboutToShow, this, &TMainForm::PopupMenu1Popup);
    m_popup->addAction(m_cutAction);
    m_popup->addAction(m_copyAction);
    m_popup->addAction(m_pasteAction);
    m_popup->addAction(m_deleteAction);
    m_popup->addSeparator();
    m_popupFindNext = m_popup->addAction("Find Next", s, &SearchCommands::FindNext1Click);
    m_popup->addSeparator();
    m_popup->addAction("Print", m_print, &PrintCommands::Print1Click);
}

QAction* TMainForm::menuAction(const QString& text) const
{
    for (QAction* top : menuBar()->actions())
        if (QMenu* menu = top->menu())
            for (QAction* a : menu->actions())
                if (a->text() == text)
                    return a;
    return nullptr;
}

// ---- Enabling and status ---------------------------------------------------------------

mrw::EditorCommandState TMainForm::commandState() const
{
    mrw::EditorCommandState s;
    s.anyChild = !children().isEmpty();
    s.findTextEmpty = m_search->findText().isEmpty();
    s.clipboardHasText = m_clipboardHasText;
    if (TMDIChild* child = activeChild()) {
        EditorPane* pane = child->ActivePane;
        s.activeChild = true;
        s.hasSelection = pane->hasSelectedText();
        s.byteCount = pane->length();
        s.canUndo = pane->isUndoAvailable();
        s.canRedo = pane->isRedoAvailable();
        s.readOnly = pane->isReadOnly();
        s.split = child->IsSplit;
    }
    return s;
}

void TMainForm::UpdateButtons()
{
    const mrw::ButtonEnabling e = mrw::buttonEnabling(commandState());
    m_saveButton->setEnabled(e.save);
    m_cutAction->setEnabled(e.cut);
    m_copyAction->setEnabled(e.copy);
    m_pasteAction->setEnabled(e.paste);
    UpdateStatusPanels();
}

void TMainForm::UpdateStatusPanels()
{
    std::optional<mrw::PaneStatus> status;
    if (TMDIChild* child = activeChild()) {
        EditorPane* pane = child->ActivePane;
        mrw::PaneStatus p;
        int line = 0;
        int index = 0;
        pane->getCursorPosition(&line, &index);
        p.caretLine = line + 1;
        p.caretColumn = index + 1;
        p.modified = child->isModified();
        p.lineCount = pane->lines();
        p.topLine = pane->firstVisibleLine() + 1;
        p.byteCount = pane->length();
        p.overwrite = pane->overwriteMode();
        p.readOnly = pane->isReadOnly();
        status = p;
    }
    const auto texts = mrw::statusPanelTexts(status ? &*status : nullptr);
    for (std::size_t i = 0; i < m_panels.size(); ++i)
        m_panels[i]->setText(platform::toQString(texts[i]));
    Edit1Click();
    // The shortcuts of the other menus follow the same state.
    File1Click();
    Search1Click();
}

QLabel* TMainForm::statusPanel(int number) const
{
    return number >= 2 && number <= 7 ? m_panels[static_cast<std::size_t>(number - 2)] : nullptr;
}

void TMainForm::Edit1Click()
{
    const mrw::EditMenuEnabling e = mrw::editMenuEnabling(commandState());
    m_undoAction->setEnabled(e.undo);
    m_redoAction->setEnabled(e.redo);
    m_cutAction->setEnabled(e.cut);
    m_copyAction->setEnabled(e.copy);
    m_deleteAction->setEnabled(e.del);
    m_pasteAction->setEnabled(e.paste);
    m_selectAllAction->setEnabled(e.selectAll);
}

void TMainForm::File1Click()
{
    const bool on = mrw::fileMenuTextCommandsEnabled(commandState());
    m_printAction->setEnabled(on);
    m_saveAction->setEnabled(on);
    m_saveAsAction->setEnabled(on);
}

void TMainForm::Search1Click()
{
    const mrw::SearchMenuEnabling e = mrw::searchMenuEnabling(commandState());
    for (QAction* a : m_searchActions)
        a->setEnabled(e.commands);
    m_findNextAction->setEnabled(e.findNext);
    m_popupFindNext->setEnabled(e.findNext);
}

void TMainForm::Window1Click()
{
    const mrw::WindowMenuEnabling e = mrw::windowMenuEnabling(commandState());
    for (QAction* a : m_arrangeActions)
        a->setEnabled(e.arrange);
    m_splitAction->setEnabled(e.split);
    m_splitAction->setChecked(e.splitChecked);
}

void TMainForm::PopupMenu1Popup()
{
    Search1Click();
}

void TMainForm::showEditorPopup(EditorPane* pane, const QPoint& position)
{
    UpdateButtons();
    m_popup->popup(pane->mapToGlobal(position));
}

void TMainForm::ShowAppHint(const QString& hint)
{
    // A message hides the panels added with addWidget; clearing it shows them again.
    if (hint.isEmpty())
        statusBar()->clearMessage();
    else
        statusBar()->showMessage(hint);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == menuBar() && event->type() == QEvent::MouseButtonDblClick) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        m_window->menuBarDoubleClicked(static_cast<int>(mouse->position().x()), menuBar()->height());
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- Settings ----------------------------------------------------------------------

void TMainForm::LoadSettings()
{
    platform::IniFile ini(m_globals.ProgramIniPath);
    m_settings = mrw::ProgramSettings{}; // TABSIZE 8 and WRAPCOLUMN 80 before reading
    m_settings.CurrentMachine = m_globals.CurrentMachineName;
    mrw::loadProgramSettings(ini, m_settings, m_globals.ProgramFolder,
                             [this](std::string_view text) { return vork::StrToReal(text, m_prompter); });
    m_unreadSettings = ini.unreadValues();
    for (const std::string& text :
         mrw::unreadableSettingsMessages({m_globals.ProgramIniPath, m_globals.MachineDatabasePath}))
        showError(text);

    m_globals.CurrentMachineName = m_settings.CurrentMachine;

    buildEditorFont();

    m_tempFolder = mrw::enterTempFolder(m_settings.TempDir, m_globals.ProgramFolder);

    mrw::ActivityLog& log = mrw::activityLog();
    log.setPath(m_globals.ProgramFolder + "MRWDNC.LOG");
    log.setEnabled(mrw::readLoggingSetting(m_globals.ProgramIniPath));
    log.setPrompter(m_prompter);
    mrw::UserSession& session = mrw::userSession();
    session.setUseSecure(m_settings.UseSecure);
    session.setPrompter(m_prompter);
}

void TMainForm::buildEditorFont()
{
    if (m_settings.HasEditorFont) {
        m_editorFont = QFont(platform::toQString(m_settings.EditorFont.name), m_settings.EditorFont.size);
        m_editorFont.setBold(m_settings.EditorFont.bold);
        m_editorFont.setItalic(m_settings.EditorFont.italic);
    } else {
        m_editorFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    }
    m_editorFont.setFixedPitch(true);
    m_editorFont.setStyleHint(QFont::TypeWriter);
}

void TMainForm::SaveSettings()
{
    m_settings.CurrentMachine = platform::toBytes(m_machineBox->currentText());
    mrw::ProgramSettings stored = m_settings;
    if (!stored.HasEditorFont) // the built-in font becomes the stored one
        stored.EditorFont = {platform::toBytes(m_editorFont.family()), m_editorFont.pointSize(),
                             stored.EditorFont.color, m_editorFont.bold(), m_editorFont.italic()};
    try {
        platform::IniFile ini(m_globals.ProgramIniPath);
        mrw::saveProgramSettings(ini, stored);
    } catch (const platform::IniWriteError& e) {
        showError(e.what());
    }
}

void TMainForm::ApplySettingsToChildren()
{
    for (TMDIChild* child : children())
        child->ApplyChildSettings();
}

mrw::NcCommentMarks TMainForm::commentMarks() const
{
    const mrw::MachineSettings& m = m_globals.Machine.settings();
    return mrw::ncCommentMarks(m.CmtStart, m.CmtEnd, m_settings.LineSkipMarker);
}

void TMainForm::updateCommentMarks()
{
    const mrw::NcCommentMarks marks = commentMarks();
    for (TMDIChild* child : children())
        child->setCommentMarks(marks);
}

void TMainForm::forceCapsLockOn()
{
    mrw::ForceCapsLockOn();
}

// ---- Start and end -----------------------------------------------------------------

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        // After the window is on the screen, as the first showing does.
        QTimer::singleShot(0, this, &TMainForm::FormShow);
    }
}

void TMainForm::FormShow()
{
    // Both copies run; only their recent-file lists cannot both be kept. An unattended
    // remote start has nobody to tell.
    if (m_copyLock.heldByAnother() && !m_remoteStart)
        m_prompter->message("Marrowin",
                            "Another MRW2013 is using this program folder:\n" + m_globals.ProgramFolder +
                                "\nThe one closed last keeps its list of recent files.",
                            platform::MessageKind::Information, platform::Buttons::Ok);
    if (m_settings.UseSecure) {
        mrw::WriteActivityLog("-- System Startup --");
        if (!m_login->login()) {
            close();
            return;
        }
    }
    m_login->showLoggedInUser();
    m_files->openCommandLineFiles(m_arguments, m_startFolder);
    if (!m_remoteStart) {
        // An unattended remote start has nobody to tell.
        tellUnreadSettings(mrw::LoadMachine(m_globals, m_globals.CurrentMachineName));
        return;
    }
    if (m_arguments.size() >= 2) {
        m_globals.CurrentMachineName = platform::toBytes(m_arguments.at(1));
        mrw::LoadMachine(m_globals, m_globals.CurrentMachineName);
        m_machineBox->setCurrentIndex(m_machineBox->findText(m_arguments.at(1), Qt::MatchExactly | Qt::MatchCaseSensitive));
    }
    m_handOffs->Go1Click();
    // A remote control is answered until "&Done" or the terminal window closes.
    DncTerminalLink* terminal = m_handOffs->dncTerminal();
    if (terminal && terminal->remoteModeActive()) {
        terminal->whenRemoteModeEnds([this] { close(); });
        return;
    }
    close();
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (m_closing) {
        event->accept();
        return;
    }
    // Every child agrees first; one Cancel keeps everything open.
    const QList<TMDIChild*> all = children();
    for (TMDIChild* child : all) {
        if (!child->CloseQuery()) {
            event->ignore();
            return;
        }
    }
    // The terminal goes first: it ends a running menu loop or remote mode, and it refuses
    // while a transfer runs, which keeps the program open.
    if (m_handOffs->dncTerminalShowing() && !m_handOffs->dncTerminal()->close()) {
        event->ignore();
        return;
    }
    for (TMDIChild* child : all)
        child->closeWithoutAsking();
    m_mdiArea->closeAllSubWindows();
    endSession();
    if (m_viewer)
        m_viewer->close();
    event->accept();
}

void TMainForm::endSession()
{
    m_closing = true;
    mrw::WriteActivityLog("-- System Shutdown --");
    SaveSettings();
    mrw::deleteScratchFiles(m_scratch);
    m_scratch = {};
}

void TMainForm::EndWithoutAsking()
{
    // Before anything is written: a write that fails or hangs, or a loop that pumps events
    // itself (a transfer on the line), cannot keep the program alive, and what fails is
    // reported on standard error, since nobody is there to answer a box.
    platform::armEndGuard();
    m_endingPrompter.end();
    if (!m_closing) {
        // A transfer on the line ends as its Cancel ends it, from the loop that waits
        // for it, and leaves no partial file.
        if (m_handOffs->dncTerminalShowing())
            m_handOffs->dncTerminal()->end();
        for (TMDIChild* child : children())
            child->closeWithoutAsking();
        endSession();
    }
    QCoreApplication::exit(0);
}

void TMainForm::Exit1Click()
{
    SaveSettings();
    close();
}

// ---- Children ----------------------------------------------------------------------

QList<TMDIChild*> TMainForm::children() const
{
    QList<TMDIChild*> list;
    for (QMdiSubWindow* sub : m_mdiArea->subWindowList())
        if (auto* child = qobject_cast<TMDIChild*>(sub->widget()))
            list.append(child);
    return list;
}

TMDIChild* TMainForm::activeChild() const
{
    QMdiSubWindow* sub = m_mdiArea->currentSubWindow();
    return sub ? qobject_cast<TMDIChild*>(sub->widget()) : nullptr;
}

TMDIChild* TMainForm::childWithCaption(const std::string& caption) const
{
    for (TMDIChild* child : children())
        if (child->fileName() == caption)
            return child;
    return nullptr;
}

void TMainForm::activateChild(TMDIChild* child)
{
    if (auto* sub = qobject_cast<QMdiSubWindow*>(child->parentWidget()))
        m_mdiArea->setActiveSubWindow(sub);
    child->ActivePane->setFocus();
}

TMDIChild* TMainForm::CreateEditorChild(const std::string& name, bool isNew)
{
    auto* child = new TMDIChild(this, name);
    if (!isNew) {
        std::string error;
        if (!child->loadFile(error)) {
            // A window without its file must not stand for it: saving it would empty the file.
            delete child;
            showError(error);
            return nullptr;
        }
    }
    const bool maximized = !m_mdiArea->currentSubWindow() || m_mdiArea->currentSubWindow()->isMaximized();
    QMdiSubWindow* sub = m_mdiArea->addSubWindow(child);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    connect(child, &TMDIChild::statusChanged, this, &TMainForm::activeChildChanged);
    if (maximized)
        sub->showMaximized();
    else
        sub->show();
    m_mdiArea->setActiveSubWindow(sub);
    child->Editor1->setFocus();
    return child;
}

void TMainForm::OpenFileInEditor(const std::string& name)
{
    CreateEditorChild(name, false);
}

bool TMainForm::RequireActiveChild()
{
    if (activeChild())
        return true;
    m_prompter->message("Marrowin", "No File Currently Loaded\nSelect File Open/New First",
                        platform::MessageKind::Information, platform::Buttons::Ok);
    return false;
}

void TMainForm::ShowResultsWindow()
{
    if (TMDIChild* results = childWithCaption(ResultsCaption)) {
        activateChild(results);
        return;
    }
    if (TMDIChild* results = CreateEditorChild(ResultsCaption, true))
        results->setUntitled(0); // saved only under a name the operator chooses
}

void TMainForm::activeChildChanged()
{
    TMDIChild* child = activeChild();
    m_splitAction->setChecked(child && child->IsSplit);
    // Once for a burst of changes (a replace-all changes the text many times).
    m_statusTimer->start();
}

void TMainForm::ToggleSplitOfActiveChild()
{
    if (TMDIChild* child = activeChild())
        child->ToggleSplit();
    activeChildChanged();
}

Tncviewer* TMainForm::fileViewer() const
{
    return m_viewer;
}

void TMainForm::ShowFileViewer()
{
    if (!m_viewer)
        m_viewer = new Tncviewer(this);
    m_viewer->show();
    m_viewer->raise();
    m_viewer->activateWindow();
}

// ---- Messages ----------------------------------------------------------------------

void TMainForm::showError(const std::string& text)
{
    m_prompter->message("Marrowin", text, platform::MessageKind::Error, platform::Buttons::Ok);
}

void TMainForm::tellUnreadSettings(const std::vector<std::string>& machineValues)
{
    std::string text = platform::unreadValuesMessage(platform::IniFile(m_globals.ProgramIniPath).path(), m_unreadSettings);
    const std::string machine = platform::unreadValuesMessage(mrw::machineDatabase(m_globals).path(), machineValues);
    if (!text.empty() && !machine.empty())
        text += "\n\n";
    text += machine;
    if (!text.empty())
        m_prompter->message("Marrowin", text, platform::MessageKind::Warning, platform::Buttons::Ok);
}

// ---- Recent files ----------------------------------------------------------------

void TMainForm::UpdateMRUMenu()
{
    for (int i = 0; i < mrw::RecentFiles::Count; ++i) {
        QAction* action = m_mruActions[static_cast<std::size_t>(i)];
        const std::string& entry = m_files->recentFiles().entry(i);
        action->setText(fileNameText(mrw::RecentFiles::menuCaption(i, entry)));
        action->setVisible(!entry.empty());
    }
    m_mruSeparator->setVisible(!m_files->recentFiles().entry(0).empty());
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event)
{
    QStringList names;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            names << url.toLocalFile();
    event->acceptProposedAction();
    m_files->openDroppedFiles(names);
}

// ---- Commands other windows reach ---------------------------------------------------

void TMainForm::Go1Click()
{
    m_handOffs->Go1Click();
}

void TMainForm::BMacroInterpeter1Click()
{
    m_handOffs->BMacroInterpeter1Click();
}

bool TMainForm::RunAnalyzerHandOff(const std::string& ncFile)
{
    return m_handOffs->RunAnalyzerHandOff(ncFile);
}

DncTerminalLink* TMainForm::dncTerminal()
{
    return m_handOffs->dncTerminal();
}

// ---- Insert dialogs and the compare window ------------------------------------------

void TMainForm::InsertExpression1Click()
{
    InsertExpression(*this);
}

void TMainForm::InsertNCMacro1Click()
{
    InsertNCMacro(*this);
}

void TMainForm::InsertComment1Click()
{
    InsertComment(*this);
}

void TMainForm::CompareTwoFiles1Click()
{
    ShowCompareWindow(*this, printPlainTextLines);
}

// ---- The DNC side ------------------------------------------------------------------

std::string TMainForm::activeFileName() const
{
    const TMDIChild* child = activeChild();
    return child ? child->fileName() : std::string("NONE");
}

bool TMainForm::writeActiveTextToSendFile(int mode, std::string& fileName)
{
    TMDIChild* child = activeChild();
    if (!child || m_scratch.SendSourceFile.empty())
        return false;
    fileName = child->fileName();
    return mrw::writeSendText(child->textView(), mode, m_scratch.SendSourceFile);
}

// ---- Small dialogs -----------------------------------------------------------------

TMrwSettingsDlg* TMainForm::settingsDialog()
{
    if (!m_settingsDlg) {
        m_settingsDlg = new TMrwSettingsDlg(m_settings, *m_prompter, this);
        connect(m_settingsDlg, &TMrwSettingsDlg::editorFontChanged, this, [this] {
            buildEditorFont();
            m_settingsDlg->setEditorFont(m_editorFont);
        });
    }
    m_settingsDlg->setEditorFont(m_editorFont);
    return m_settingsDlg;
}

TPickCharDlg* TMainForm::pickCharDialog()
{
    if (!m_pickCharDlg)
        m_pickCharDlg = new TPickCharDlg(this);
    return m_pickCharDlg;
}

TNcinfoDlg* TMainForm::ncinfoDialog()
{
    if (!m_ncinfoDlg)
        m_ncinfoDlg = new TNcinfoDlg(this);
    return m_ncinfoDlg;
}

mrw::TMRWSetupDlg* TMainForm::setupDialog()
{
    if (!m_setupDlg) {
        m_setupDlg = new mrw::TMRWSetupDlg(m_globals, *m_prompter, this);
        connect(m_setupDlg, &mrw::TMRWSetupDlg::reportWritten, this,
                [this](const QString& path) { showFileInResultsWindow(fileNameBytes(path)); });
        m_ncUtilities->registerOptionDialogs(*m_setupDlg);
    }
    return m_setupDlg;
}

void TMainForm::showFileInResultsWindow(const std::string& path)
{
    ShowResultsWindow();
    TMDIChild* results = childWithCaption(ResultsCaption);
    const auto bytes = platform::readFileBytes(path);
    if (!results || !bytes)
        return;
    results->Editor1->setBytes(mrw::editorTextFromFile(*bytes));
}

TMdiAbout* TMainForm::aboutDialog()
{
    if (!m_aboutDlg)
        m_aboutDlg = new TMdiAbout(this);
    return m_aboutDlg;
}

void TMainForm::Properties1Click()
{
    settingsDialog()->exec();
    // Whatever closed it: the fonts may have changed at once.
    mrw::userSession().setUseSecure(m_settings.UseSecure);
    ApplySettingsToChildren();
}

void TMainForm::About1Click()
{
    TMdiAbout* about = aboutDialog();
    about->setWorkingFolder(fileNameText(m_tempFolder));
    about->exec();
}

void TMainForm::Information1Click()
{
    if (!RequireActiveChild())
        return;
    TMDIChild* child = activeChild();
    const std::string text = child->Editor1->bytes();
    const auto lines = static_cast<long long>(platform::splitLines(text).size());
    ncinfoDialog()->showInfo(mrw::ncFileInfo(child->fileName(), lines, static_cast<long long>(text.size()),
                                             child->isModified()));
    ncinfoDialog()->exec();
}

void TMainForm::SpecialCharacter1Click()
{
    if (!RequireActiveChild())
        return;
    TPickCharDlg* picker = pickCharDialog();
    picker->setTableFont(m_editorFont);
    if (picker->exec() == QDialog::Accepted)
        if (TMDIChild* child = activeChild())
            child->ActivePane->paste();
}
