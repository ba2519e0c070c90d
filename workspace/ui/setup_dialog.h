#pragma once
// "MARROWIN -- Machine / DNC Setup": edits the machine database one machine at a time.
// Its controls are bound live to the current machine's settings (WorkspaceGlobals::Machine):
// every edit goes straight into them, so what was typed stays in force after Cancel
// until the next load, which every opening of the dialog performs.
#include "workspace/engine/workspace_globals.h"

#include "platform/host.h"

#include <QDialog>

#include <array>
#include <functional>
#include <string>
#include <vector>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QWidget;

namespace mrw {

// The option dialogs of the NC utilities that the "NC-Commands" page opens.
enum class NcCommandDialog { Resequence, MakeColumns, FileCleanup, Arithmetic, Reformat, ChangeLineBeginEnd };

class TMRWSetupDlg : public QDialog {
    Q_OBJECT
public:
    TMRWSetupDlg(WorkspaceGlobals& globals, platform::Prompter& prompter, QWidget* parent = nullptr);
    ~TMRWSetupDlg() override;

    // TestOpenPort: opens and closes the serial device of a port number (1-based).
    bool TestOpenPort(int portNumber);
    // UpdateMachineTypeLabels: captions and enabled groups for the chosen machine type.
    void UpdateMachineTypeLabels();

    // The commands of the buttons (also for the main window's tests).
    void addMachine();
    void renameMachine();
    void deleteMachine();
    void saveMachine();
    void printReport();
    void testPort();
    // The machine box chose another machine.
    void machineChosen(const QString& name);

    // Lets a button of the "NC-Commands" page show an option dialog (modal, on parent).
    using DialogOpener = std::function<void(QWidget* parent)>;
    void setNcCommandDialog(NcCommandDialog which, DialogOpener opener);

signals:
    // The setup report was written (SETUP.TMP); the results window shows it.
    void reportWritten(const QString& path);

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    QWidget* buildFormatPage();
    QWidget* buildFormat2Page();
    QWidget* buildCommunicationsPage();
    QWidget* buildPropertiesPage();
    QWidget* buildMachinePage();
    QWidget* buildAdvancedPage();
    QWidget* buildRemotePage();
    QWidget* buildCommandsPage();
    QWidget* buildDefaultsPage();
    QWidget* buildMachineBox();
    QWidget* buildBottomButtons();

    // Bindings between controls and the settings.
    QLineEdit* text(const char* name, std::string MachineSettings::*field);
    QCheckBox* check(const char* name, const char* caption, bool MachineSettings::*field);
    QComboBox* combo(const char* name, const QStringList& items, int MachineSettings::*field);
    QSpinBox* spin(const char* name, int low, int high, int MachineSettings::*field);
    // Radio buttons standing for the values first, first + 1, ... of field.
    std::vector<QRadioButton*> radios(const std::vector<std::pair<const char*, const char*>>& buttons,
                                      int MachineSettings::*field, int first);
    QWidget* folderRow(const char* name, std::string MachineSettings::*field, const char* browseCaption,
                       const char* firstName, bool MachineSettings::*first);
    void edited();
    void refreshControls();
    void applyDeviceType();
    void fillMachineList();
    void selectCurrentInBox();
    bool confirmSave();
    bool checkFolders();
    void showError(const std::string& text);
    void stepLeader(int delta);
    bool leaderAcceptable(); // refuses a leader beyond the longest a machine gets, with a message
    void backup();
    void restore();

    MachineSettings& settings() { return m_globals.Machine.settings(); }

    WorkspaceGlobals& m_globals;
    platform::Prompter& m_prompter;
    int m_observer = 0;
    bool m_refreshing = false;
    std::vector<std::function<void()>> m_refreshers;
    std::vector<DialogOpener> m_commandDialogs;

    QTabWidget* m_pages = nullptr;
    QTabWidget* m_commPages = nullptr;
    QWidget* m_remotePage = nullptr;
    QComboBox* m_machineBox = nullptr;
    QComboBox* m_machType = nullptr;
    QComboBox* m_lformat = nullptr;
    QComboBox* m_portBox = nullptr;
    QGroupBox* m_coordinateGroup = nullptr;
    QRadioButton* m_abs = nullptr;
    QRadioButton* m_inc = nullptr;
    // The groups that the machine type enables, in the order of MachineTypeView.
    enum TypeGroup {
        GroupCoordinate, GroupFormat, GroupDigitsLeft, GroupDigitsRight, GroupLatheFormat, GroupArcCenter,
        GroupRapid, GroupLinear, GroupClockwise, GroupCounterClockwise, GroupSequence, GroupFeedDigits, GroupCount
    };
    std::array<QWidget*, GroupCount> m_typeGroups{};
    QLabel* m_charDelayLabel = nullptr;
    QLabel* m_lineDelayLabel = nullptr;
    QCheckBox* m_dftAsk = nullptr;
    QLineEdit* m_leader = nullptr;
};

// The "&Machine/DNC Setup..." command: checks the right to change system settings,
// refuses while the DNC terminal is active, logs "Modify System Settings" and shows
// the dialog. True when it was closed with OK (the caller refills its machine selector).
bool runMachineSetup(TMRWSetupDlg& dialog, bool dncActive, platform::Prompter& prompter);

} // namespace mrw
