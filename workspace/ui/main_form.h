#pragma once
// The main window of MRW2013: the editor children, the program settings, the start and
// the end of the program, and the menus, the toolbar and the status panels that it wires
// to the command units (files, machines, login, hand-offs, edit, search, insert, print,
// window).
#include "workspace/engine/editor_commands.h"
#include "workspace/engine/editor_host.h"
#include "workspace/engine/nc_syntax.h"
#include "workspace/engine/program_settings.h"
#include "workspace/engine/scratch_files.h"
#include "workspace/ui/file_commands.h"

#include "platform/copy_lock.h"
#include "platform/host.h"
#include "platform/qt/termination_signals.h"

#include <QFont>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <string>

class QAction;
class QComboBox;
class QMdiArea;
class QMdiSubWindow;
class TMDIChild;
class TMdiAbout;
class NcUtilityCommands;
class EditCommands;
class SearchCommands;
class InsertCommands;
class PrintCommands;
class WindowCommands;
class MachineCommands;
class LoginCommands;
class HandOffCommands;
class QLabel;
class QTimer;
class QMenu;
class EditorPane;
namespace mrw {
class TMRWSetupDlg;
}
class DncTerminalLink;
class TMrwSettingsDlg;
class TNcinfoDlg;
class TPickCharDlg;
class Tncviewer;

namespace mrw {
class LoginAsker;
struct WorkspaceGlobals;
}

// Windows of other parts of the program that the main window opens.
struct MainFormDialogs {
    // Shows the machine setup dialog modally; true when it closed with OK (the
    // setup dialog itself when none is given).
    std::function<bool(QWidget* parent)> machineSetup;
    // Asks for a user name and a password (the login dialog when none is given).
    mrw::LoginAsker* loginAsker = nullptr;
};

class TMainForm : public QMainWindow, public mrw::EditorHost {
    Q_OBJECT
public:
    // arguments: the command line without the program name.
    explicit TMainForm(const QStringList& arguments, platform::Prompter* prompter = nullptr,
                       QWidget* parent = nullptr);
    ~TMainForm() override;

    void setDialogs(MainFormDialogs dialogs) { m_dialogs = std::move(dialogs); }
    const MainFormDialogs& dialogs() const { return m_dialogs; }

    const mrw::ProgramSettings& settings() const { return m_settings; }
    mrw::WorkspaceGlobals& globals() { return m_globals; }
    mrw::ProgramSettings& editableSettings() { return m_settings; }
    const QFont& editorFont() const { return m_editorFont; }
    mrw::NcCommentMarks commentMarks() const;
    platform::Prompter& prompter() { return *m_prompter; }
    const mrw::ScratchFiles& scratchFiles() const { return m_scratch; }
    bool remoteStart() const { return m_remoteStart; }
    // The folder the program works in (TEMPDIR, or the program folder).
    const std::string& tempFolder() const { return m_tempFolder; }

    // The editor children, the active one (or none) and the results window.
    QList<TMDIChild*> children() const;
    TMDIChild* activeChild() const;
    TMDIChild* CreateEditorChild(const std::string& name, bool isNew);
    void OpenFileInEditor(const std::string& name);
    bool RequireActiveChild();
    void ShowResultsWindow();

    TMDIChild* childWithCaption(const std::string& caption) const;
    void activateChild(TMDIChild* child);

    void UpdateMRUMenu();
    void LoadSettings();
    void SaveSettings();
    void ApplySettingsToChildren();

    void forceCapsLockOn();
    void updateCommentMarks();

    // EditorHost
    std::string activeFileName() const override;
    bool writeActiveTextToSendFile(int mode, std::string& fileName) override;
    std::string sendBufferFile() const override { return m_scratch.SendBufferFile; }
    std::string sendSourceFile() const override { return m_scratch.SendSourceFile; }

    // The commands.
    void Exit1Click();
    // The end of a logout or Ctrl+C: nothing is asked and no unsaved edit is written
    // over its file (it is dropped, as by a kill); the settings are kept, the scratch
    // files removed and the program ends.
    void EndWithoutAsking();
    void ShowFileViewer();
    void ToggleSplitOfActiveChild();
    void Properties1Click();
    void About1Click();
    void Information1Click();
    void SpecialCharacter1Click();

    // The command units.
    FileCommands* fileCommands() const { return m_files; }
    MachineCommands* machineCommands() const { return m_machines; }
    LoginCommands* loginCommands() const { return m_login; }
    HandOffCommands* handOffCommands() const { return m_handOffs; }

    // Commands that other windows reach through the main window.
    void setFileDialogs(std::unique_ptr<FileDialogs> dialogs) { m_files->setFileDialogs(std::move(dialogs)); }
    FileDialogs& fileDialogs() { return m_files->fileDialogs(); }
    void New1Click() { m_files->New1Click(); }
    void Open1Click() { m_files->Open1Click(); }
    void Save1Click() { m_files->Save1Click(); }
    bool saveChild(TMDIChild* child) { return m_files->saveChild(child); }
    bool openOne(const std::string& name, bool addToRecent, bool isNew = false)
    {
        return m_files->openOne(name, addToRecent, isNew);
    }
    void releaseUntitledNumber(int number) { m_files->releaseUntitledNumber(number); }
    QString openFolder() { return m_files->openFolder(); }
    QString openFilter() const { return m_files->openFilter(); }
    void Go1Click();
    void BMacroInterpeter1Click();
    bool RunAnalyzerHandOff(const std::string& ncFile);
    DncTerminalLink* dncTerminal();

    QComboBox* machineSelector() const { return m_machineBox; }
    QAction* splitAction() const { return m_splitAction; }
    Tncviewer* fileViewer() const;
    // The dialogs, created once and kept for the run.
    TMrwSettingsDlg* settingsDialog();
    TPickCharDlg* pickCharDialog();
    TNcinfoDlg* ncinfoDialog();
    TMdiAbout* aboutDialog();
    mrw::TMRWSetupDlg* setupDialog();
    NcUtilityCommands* ncUtilities() const { return m_ncUtilities; }
    EditCommands* editCommands() const { return m_edit; }
    SearchCommands* searchCommands() const { return m_search; }
    InsertCommands* insertCommands() const { return m_insert; }
    PrintCommands* printCommands() const { return m_print; }
    WindowCommands* windowCommands() const { return m_window; }
    QMdiArea* mdiArea() const { return m_mdiArea; }

    // The enabling of buttons and menus and the status panels, after every caret or
    // text change and every change of the active window.
    void UpdateButtons();
    void UpdateStatusPanels();
    void Edit1Click();
    void File1Click();
    void Search1Click();
    void Window1Click();
    void PopupMenu1Popup();
    // A hint on the status bar hides the panels while it shows.
    void ShowAppHint(const QString& hint);
    // The editor panes' popup menu.
    QMenu* editorPopup() const { return m_popup; }
    void showEditorPopup(EditorPane* pane, const QPoint& position);
    // The status panels Panel2 to Panel7.
    QLabel* statusPanel(int number) const;
    // The action of a menu item by its text ("&Find..."), or null.
    QAction* menuAction(const QString& text) const;
    // The results window shows the text of a file (the setup report).
    void showFileInResultsWindow(const std::string& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // The end of the program once nothing may ask any more: logged, settings kept,
    // scratch files removed.
    void endSession();
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private slots:
    void InsertExpression1Click();
    void InsertNCMacro1Click();
    void InsertComment1Click();
    void CompareTwoFiles1Click();

private:
    void createMenus();
    void FormShow();
    void showError(const std::string& text);
    // One message at start naming every setting of MRW2013.INI and of the machine's
    // section of WPOSTS.INI that did not read, with the value used instead.
    void tellUnreadSettings(const std::vector<std::string>& machineValues);
    void buildEditorFont();
    void activeChildChanged();
    void createEditorCommandMenus();
    mrw::EditorCommandState commandState() const;

    mrw::WorkspaceGlobals& m_globals;
    mrw::ProgramSettings& m_settings;
    // Held while the program runs; a second MRW2013 on the same program folder warns.
    platform::CopyLock m_copyLock;
    QStringList m_arguments;
    QString m_startFolder; // where the program was started: relative arguments lie there
    std::unique_ptr<platform::Prompter> m_ownPrompter;
    platform::EndingPrompter m_endingPrompter; // the program's prompter until a signal ends it
    platform::Prompter* m_prompter;
    MainFormDialogs m_dialogs;

    QFont m_editorFont;
    std::string m_tempFolder;
    mrw::ScratchFiles m_scratch;
    bool m_remoteStart = false;
    std::vector<std::string> m_unreadSettings; // of MRW2013.INI, told at start
    bool m_shown = false;
    bool m_closing = false;
    int m_machineObserver = 0;

    QMdiArea* m_mdiArea;
    QComboBox* m_machineBox;
    FileCommands* m_files;
    MachineCommands* m_machines;
    LoginCommands* m_login;
    HandOffCommands* m_handOffs;
    NcUtilityCommands* m_ncUtilities;
    EditCommands* m_edit;
    SearchCommands* m_search;
    InsertCommands* m_insert;
    PrintCommands* m_print;
    WindowCommands* m_window;
    QMenu* m_popup = nullptr;
    QTimer* m_statusTimer = nullptr;
    bool m_clipboardHasText = false;
    QMenu* m_fileMenu = nullptr;
    QAction* m_saveAction = nullptr;
    QAction* m_saveAsAction = nullptr;
    QAction* m_saveButton = nullptr;
    QAction* m_printAction = nullptr;
    QAction* m_undoAction = nullptr;
    QAction* m_redoAction = nullptr;
    QAction* m_cutAction = nullptr;
    QAction* m_copyAction = nullptr;
    QAction* m_pasteAction = nullptr;
    QAction* m_deleteAction = nullptr;
    QAction* m_selectAllAction = nullptr;
    QAction* m_findNextAction = nullptr;
    QAction* m_popupFindNext = nullptr;
    QList<QAction*> m_searchActions; // enabled with a text to search
    QList<QAction*> m_arrangeActions;
    std::array<QLabel*, 6> m_panels{};
    QAction* m_splitAction = nullptr;
    QAction* m_mruSeparator = nullptr;
    std::array<QAction*, mrw::RecentFiles::Count> m_mruActions{};
    QPointer<Tncviewer> m_viewer;
    TMrwSettingsDlg* m_settingsDlg = nullptr;
    TPickCharDlg* m_pickCharDlg = nullptr;
    TNcinfoDlg* m_ncinfoDlg = nullptr;
    TMdiAbout* m_aboutDlg = nullptr;
    mrw::TMRWSetupDlg* m_setupDlg = nullptr;
};
