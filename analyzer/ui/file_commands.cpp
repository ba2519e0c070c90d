// The main window's file commands: NC programs, machine files, the recent lists and the
// reload of the last job.
#include "analyzer/engine/analyzer_routines.h"
#include "analyzer/ui/code_list_view.h"
#include "analyzer/ui/window_commands.h"
#include "analyzer/ui/main_window.h"
#include "platform/paths.h"
#include "platform/qt/latin1.h"
#include "platform/scratch_file.h"
#include "platform/stored_path.h"

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QMenu>

namespace vork {

namespace {

QString nameFilter(const std::string& title, const std::string& extension)
{
    const std::string upper = platform::upperAscii(extension);
    std::string lower = upper;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return platform::toQString(title + " (*." + upper + " *." + lower + ")");
}

// An open dialog for an existing file; "" when cancelled.
std::string chooseFile(QWidget* parent, const std::string& folder, const QStringList& filters,
                       const std::string& defaultExtension)
{
    QFileDialog dialog(parent, "Open");
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(platform::toQString(defaultExtension));
    dialog.setDirectory(QFile::decodeName(QByteArray::fromStdString(folder)));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QFile::encodeName(dialog.selectedFiles().front()).toStdString();
}

} // namespace

bool Tmdvform::LoadFile(const std::string& name)
{
    // A FIFO or device is refused before anything changes: the program loaded stays.
    if (platform::fileKind(name) == platform::FileKind::NotRegular) {
        showError(platform::notRegularFileText(name));
        return false;
    }
    m_recentNc.add(name);
    refreshRecentMenus();
    setCaptionFor(name);
    m_session->LoadFile(name);
    return true;
}

bool Tmdvform::OpenNCFile()
{
    const std::string extension = settings().defaultExtension;
    const std::string name = chooseFile(this, platform::resolveStoredPath(settings().tapeDir),
                                        {nameFilter("NC-Code Files", extension),
                                         nameFilter("B-Macro Output Files", "OUT"), "All Files (*)"},
                                        extension);
    if (name.empty() || !LoadFile(name))
        return false;
    loadOperationFileFor(name);
    return true;
}

void Tmdvform::loadOperationFileFor(const std::string& ncFileName)
{
    const std::string operations = platform::resolveStoredPath(OperationFileFor(ncFileName, settings().drawDir));
    if (!m_operations.LoadForProgram(operations, m_prompter))
        m_codeList->add("!Operation File [" + operations + "] Does Not Exist");
}

std::string Tmdvform::machineFilePath(const std::string& entry) const
{
    // MRW2013 hands the machine over by name only: it lies in the program folder.
    if (platform::isBareName(entry))
        return platform::resolveCaseInsensitive(ExeRelativePath(entry, m_programFolder));
    return platform::resolveStoredPath(entry);
}

void Tmdvform::NewFile()
{
    std::string answer = "NEWFILE";
    if (!InputString(*m_prompter, "New File Name", answer))
        return;
    const std::string name =
        platform::resolveStoredPath(NewFileName(answer, settings().tapeDir, settings().defaultExtension));
    m_session->LoadFile(name); // a new program: a fresh run, no times of the last one
    setCaptionFor(m_session->state.NCFileName);
}

void Tmdvform::CloseNCFile()
{
    if (m_session->state.WorkCopyOpen)
        m_session->input.CloseNCFile();
}

bool Tmdvform::LoadMachine(const std::string& fileName)
{
    std::vector<std::string> notes;
    if (!LoadMachineFile(m_setup, fileName, this, &notes)) {
        showError("Cannot Read Machine File [" + fileName + "]");
        return false;
    }
    if (!notes.empty())
        showError(MachineFileNotesText(fileName, notes));
    setMachineLabel(fileName);
    m_session->MachineLoaded();
    return true;
}

bool Tmdvform::OpenMachineFile()
{
    const std::string name = chooseFile(this, m_programFolder, {nameFilter("Machine Files", "MCH")}, "MCH");
    if (name.empty() || !LoadMachine(name))
        return false;
    m_recentMachines.add(name);
    refreshRecentMenus();
    return true;
}

void Tmdvform::EditNCFile()
{
    TRunState& s = m_session->state;
    if (!s.WorkCopyOpen && !s.EndOfProgram) {
        inform("Editor Unavailable, Open an NC FIle First");
        return;
    }
    if (!EditInNCEditor(*this, s.NCFileName))
        return;
    s.KeepFileName = false;
    m_session->input.OpenNCFile(s.NCFileName);
    s.RestartPending = true;
    s.EndOfProgram = false;
    s.PrevBlock.clear();
}

void Tmdvform::SplitSubPrograms()
{
    if (m_prompter->ask("Confirm", "Extract Sub's from main program"))
        m_session->input.SplitSubPrograms();
}

void Tmdvform::Reloadthelastjob()
{
    // An empty list counts as a missing file; the other steps still run.
    const std::string ncEntry = m_recentNc.first();
    const std::string ncFile = ncEntry.empty() ? std::string() : platform::resolveStoredPath(ncEntry);
    if (!ncFile.empty() && platform::fileKind(ncFile) != platform::FileKind::Missing)
        LoadFile(ncFile);
    else
        showError("NC-Code File [" + ncEntry + "] Does Not Exist");

    const std::string machineEntry = m_recentMachines.first();
    const std::string machineFile = machineEntry.empty() ? std::string() : machineFilePath(machineEntry);
    if (!machineFile.empty() && platform::fileExists(machineFile))
        LoadMachine(machineFile);
    else
        showError("Machine File [" + machineEntry + "] Does Not Exist");

    if (!LoadLastOperationFile(*this))
        m_codeList->add("!Operation File Does Not Exist");
}

void Tmdvform::refreshRecentMenus()
{
    if (recentMachinesMenu) {
        recentMachinesMenu->clear();
        for (const std::string& entry : m_recentMachines.entries()) {
            QAction* action = recentMachinesMenu->addAction(platform::toQString(platform::fileNamePart(entry)));
            connect(action, &QAction::triggered, this, [this, entry] { LoadMachine(machineFilePath(entry)); });
        }
    }
    if (!fileMenu || !exitAction)
        return;
    for (QAction* action : fileMenu->actions())
        if (action->property("recentNcFile").isValid())
            delete action;
    int number = 1;
    for (const std::string& entry : m_recentNc.entries()) {
        auto* action = new QAction("&" + QString::number(number++) + " " + platform::toQString(entry), fileMenu);
        action->setProperty("recentNcFile", true);
        fileMenu->insertAction(exitAction, action);
        addRunLockedAction(action);
        connect(action, &QAction::triggered, this, [this, entry] {
            const std::string name = platform::resolveStoredPath(entry);
            if (LoadFile(name))
                loadOperationFileFor(name);
        });
    }
}

} // namespace vork
