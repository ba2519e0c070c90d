#include "workspace/ui/machine_commands.h"

#include "workspace/engine/activity_log.h"
#include "workspace/engine/machine_database.h"
#include "workspace/engine/users.h"
#include "workspace/engine/workspace_globals.h"
#include "workspace/ui/dnc_link.h"
#include "workspace/ui/hand_off_commands.h"
#include "workspace/ui/main_form.h"
#include "workspace/ui/setup_dialog.h"

#include "platform/host.h"
#include "platform/qt/latin1.h"

#include <QComboBox>

MachineCommands::MachineCommands(TMainForm& mainForm, QComboBox& selector, platform::Prompter& prompter)
    : QObject(&mainForm), m_main(mainForm), m_selector(selector), m_prompter(prompter)
{
}

void MachineCommands::LoadMachineNames()
{
    mrw::WorkspaceGlobals& globals = m_main.globals();
    m_selector.clear();
    for (const std::string& name : mrw::machineDatabase(globals).sortedMachineNames())
        m_selector.addItem(platform::toQString(name));
    if (m_selector.count() > 0)
        m_selector.setCurrentIndex(0);
    if (!globals.CurrentMachineName.empty())
        m_selector.setCurrentIndex(m_selector.findText(platform::toQString(globals.CurrentMachineName),
                                                       Qt::MatchExactly | Qt::MatchCaseSensitive));
    else
        globals.CurrentMachineName = platform::toBytes(m_selector.currentText());
}

void MachineCommands::MnameboxChange(int index)
{
    if (index < 0)
        return;
    mrw::WorkspaceGlobals& globals = m_main.globals();
    globals.CurrentMachineName = platform::toBytes(m_selector.itemText(index));
    mrw::LoadMachine(globals, globals.CurrentMachineName);
}

void MachineCommands::NCCodeSetup1Click()
{
    if (!mrw::userSession().CheckPrivilege(mrw::rights::ChangeSystemSettings, true))
        return;
    mrw::WriteActivityLog("Modify System Settings");
    HandOffCommands& handOffs = *m_main.handOffCommands();
    if (handOffs.dncTerminalShowing()) {
        m_prompter.message("Marrowin", "Command Not Avaiable While DNC is Active");
        handOffs.dncTerminal()->bringToFront();
        return;
    }
    const std::string shown = platform::toBytes(m_selector.currentText());
    const auto& machineSetup = m_main.dialogs().machineSetup;
    const bool ok = machineSetup ? machineSetup(&m_main) : m_main.setupDialog()->exec() == QDialog::Accepted;
    if (ok) {
        LoadMachineNames();
    } else {
        // Cancel: the machine picked in the dialog is not taken; the selector's machine
        // stays current unless the dialog deleted it.
        LoadMachineNames();
        const int index = m_selector.findText(platform::toQString(shown), Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (index >= 0)
            m_selector.setCurrentIndex(index);
        selectMachineShownInSelector();
    }
    m_main.updateCommentMarks();
}

void MachineCommands::selectMachineShownInSelector()
{
    mrw::WorkspaceGlobals& globals = m_main.globals();
    const std::string shown = platform::toBytes(m_selector.currentText());
    if (shown.empty() || shown == globals.CurrentMachineName)
        return;
    globals.CurrentMachineName = shown;
    mrw::LoadMachine(globals, shown);
}
