#include "workspace/ui/hand_off_commands.h"

#include "workspace/engine/activity_log.h"
#include "workspace/engine/handoff.h"
#include "workspace/engine/program_settings.h"
#include "workspace/engine/users.h"
#include "workspace/engine/workspace_globals.h"
#include "workspace/ui/bmacro_command.h"
#include "workspace/ui/dnc_link.h"
#include "workspace/ui/file_commands.h"
#include "workspace/ui/file_names.h"
#include "workspace/ui/machine_commands.h"
#include "workspace/ui/main_form.h"
#include "workspace/ui/mdi_child.h"
#include "workspace/ui/shell_helpers.h"

#include "platform/folders.h"
#include "platform/host.h"
#include "platform/ini.h"
#include "platform/qt/latin1.h"
#include "platform/qt/shellstart.h"

#include <QComboBox>
#include <QMdiSubWindow>
#include <QStandardPaths>

namespace {
// The desktop calculators tried in turn.
const char* const Calculators[] = {"gnome-calculator", "kcalc", "galculator", "qalculate-gtk", "mate-calc", "xcalc"};
}

HandOffCommands::HandOffCommands(TMainForm& mainForm, platform::Prompter& prompter)
    : QObject(&mainForm), m_main(mainForm), m_prompter(prompter)
{
}

HandOffCommands::~HandOffCommands() = default;

void HandOffCommands::Go1Click()
{
    if (!mrw::userSession().CheckPrivilege(mrw::rights::DncTransfers, true)) {
        mrw::WriteActivityLog("Failed Attempt to Start DNC");
        return;
    }
    if (dncTerminalShowing()) {
        m_dncTerminal->go(m_main.remoteStart()); // comes to the front
        return;
    }
    DncTerminalLink* terminal = dncTerminal();
    if (!terminal) {
        m_prompter.message("Marrowin", "The DNC terminal is not part of this program.");
        return;
    }
    // The terminal opens for the machine the operator sees selected.
    m_main.machineCommands()->selectMachineShownInSelector();
    mrw::WriteActivityLog("DNC Terminal: Machine Name [" + m_main.globals().CurrentMachineName + "]");
    terminal->go(m_main.remoteStart());
}

DncTerminalLink* HandOffCommands::dncTerminal()
{
    if (!m_dncTerminal && dncTerminalMaker())
        m_dncTerminal = dncTerminalMaker()(m_main);
    return m_dncTerminal.get();
}

bool HandOffCommands::dncTerminalShowing() const
{
    return m_dncTerminal && m_dncTerminal->showing();
}

void HandOffCommands::SpeedButton11Click()
{
    if (!m_main.RequireActiveChild())
        return;
    if (m_main.settings().NcWarn &&
        m_prompter.message("Marrowin",
                           "      About to Save the Current File,\nClose the Window and Run the Vork Anaylzer\n"
                           "           Do You Wish to Proceed ?",
                           platform::MessageKind::Question, platform::Buttons::YesNo) != platform::Button::Yes)
        return;
    TMDIChild* child = m_main.activeChild();
    // The analyzer gets the file only when it is safely on the disk.
    if (!m_main.fileCommands()->saveChild(child))
        return;
    const std::string ncFile = child->fileName();
    if (auto* sub = qobject_cast<QMdiSubWindow*>(child->parentWidget()))
        sub->close();
    RunAnalyzerHandOff(ncFile);
}

bool HandOffCommands::RunAnalyzerHandOff(const std::string& ncFile)
{
    const mrw::WorkspaceGlobals& globals = m_main.globals();
    const mrw::AnalyzerJob job =
        mrw::makeAnalyzerJob(ncFile, platform::toBytes(m_main.machineSelector()->currentText()));
    try {
        platform::IniFile zv(globals.ProgramFolder + "ZV.INI");
        mrw::writeAnalyzerHandOff(zv, job);
    } catch (const platform::IniWriteError& e) {
        m_prompter.message("Marrowin", e.what(), platform::MessageKind::Error, platform::Buttons::Ok);
        return false;
    }
    // The analyzer beside this program, working in the shared program folder.
    const std::string analyzer = platform::programPath(platform::executablesFolder(), mrw::AnalyzerProgram);
    return mrw::ExecuteFile(analyzer, mrw::AnalyzerHandOffArgument, globals.ProgramFolder, m_prompter) > 32;
}

void HandOffCommands::BMacroInterpeter1Click()
{
    RunBMacroInterpreter(m_main);
}

void HandOffCommands::Calculator1Click()
{
    for (const char* calculator : Calculators) {
        const QString path = QStandardPaths::findExecutable(calculator);
        if (!path.isEmpty()) {
            mrw::ExecuteFile(mrw::fileNameBytes(path), "", "", m_prompter);
            return;
        }
    }
    // No calculator on this desktop: reported as the missing program.
    mrw::ExecuteFile("CALC.EXE", "", platform::executablesFolder(), m_prompter);
}
