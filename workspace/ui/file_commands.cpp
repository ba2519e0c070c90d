#include "workspace/ui/file_commands.h"

#include "workspace/engine/activity_log.h"
#include "workspace/engine/users.h"
#include "workspace/engine/workspace_globals.h"
#include "workspace/ui/file_names.h"
#include "workspace/ui/main_form.h"
#include "workspace/ui/mdi_child.h"

#include "platform/host.h"
#include "platform/paths.h"
#include "platform/qt/latin1.h"
#include "platform/scratch_file.h"
#include "platform/stored_path.h"

#include <QAbstractItemView>
#include <QFileDialog>

#include <vector>

using mrw::absoluteFileName;
using mrw::fileNameBytes;
using mrw::fileNameText;

namespace {

class QtFileDialogs : public FileDialogs {
public:
    QStringList openFiles(QWidget* parent, const QString& folder, const QString& filter) override
    {
        QFileDialog dialog(parent, "Open");
        // A name that does not exist yet is taken too (the main window offers to create
        // it), and several files can still be picked from the list.
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setFileMode(QFileDialog::AnyFile);
        for (QAbstractItemView* view : dialog.findChildren<QAbstractItemView*>())
            view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        if (!folder.isEmpty() && QDir(folder).exists())
            dialog.setDirectory(folder);
        dialog.setNameFilters(filter.split(";;"));
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
    }
    QString saveFile(QWidget* parent, const QString& title, const QString& folder, const QString& proposed,
                     const QString& filter, const QString& defaultExtension) override
    {
        QFileDialog dialog(parent, title);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(defaultExtension);
        dialog.setNameFilters(filter.split(";;"));
        if (!folder.isEmpty() && QDir(folder).exists())
            dialog.setDirectory(folder);
        if (!proposed.isEmpty())
            dialog.selectFile(proposed);
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
    }
};

bool checkRight(int right, bool show = true)
{
    return mrw::userSession().CheckPrivilege(right, show);
}

} // namespace

FileCommands::FileCommands(TMainForm& mainForm, platform::Prompter& prompter)
    : QObject(&mainForm), m_main(mainForm), m_prompter(prompter), m_dialogs(std::make_unique<QtFileDialogs>())
{
}

FileCommands::~FileCommands() = default;

void FileCommands::setFileDialogs(std::unique_ptr<FileDialogs> dialogs)
{
    m_dialogs = std::move(dialogs);
}

void FileCommands::showError(const std::string& text)
{
    m_prompter.message("Marrowin", text, platform::MessageKind::Error, platform::Buttons::Ok);
}

std::string FileCommands::initialFolder()
{
    mrw::WorkspaceGlobals& globals = m_main.globals();
    const mrw::MachineSettings& m = globals.Machine.settings();
    std::string folder;
    if (globals.LoadSaveFolderFirstTime || m.CBForceloadsave)
        folder = platform::resolveStoredPath(m.DirLS);
    globals.LoadSaveFolderFirstTime = false;
    return folder;
}

QString FileCommands::openFolder()
{
    return fileNameText(initialFolder());
}

std::string FileCommands::defaultExtension() const
{
    const std::string& ext = m_main.globals().Machine.settings().Defext;
    return ext.empty() ? std::string("TAP") : ext;
}

std::string FileCommands::withDefaultExtension(const std::string& name) const
{
    return platform::fileExtension(name).empty() ? name + "." + defaultExtension() : name;
}

QString FileCommands::openFilter() const
{
    const QString e = platform::toQString(defaultExtension());
    // Names on this system keep their letter case; offer both spellings.
    return QString("NC-Code files (*.%1 *.%2);;Text Files (*.txt *.TXT);;All files (*)").arg(e.toUpper(), e.toLower());
}

void FileCommands::New1Click()
{
    if (!mayEditFiles("Failed Attempt to Create New File"))
        return;
    const int number = m_untitledNumbers.take();
    if (number == 0) {
        m_prompter.message("Marrowin", "Every untitled window number is in use.\nSave or close an untitled window first.",
                           platform::MessageKind::Information, platform::Buttons::Ok);
        return;
    }
    if (TMDIChild* child = m_main.CreateEditorChild(mrw::UntitledNumbers::caption(number), true))
        child->setUntitled(number);
    mrw::WriteActivityLog("New File Created");
}

bool FileCommands::openOne(const std::string& name, bool addToRecent, bool isNew)
{
    if (TMDIChild* open = m_main.childWithCaption(name)) {
        m_main.activateChild(open);
        return true;
    }
    mrw::WriteActivityLog("Open File [" + name + "]");
    TMDIChild* child = m_main.CreateEditorChild(name, isNew);
    if (addToRecent && child)
        AddToMRU(name);
    return child != nullptr;
}

bool FileCommands::mayEditFiles(const char* refusal)
{
    if (checkRight(mrw::rights::EditFiles))
        return true;
    mrw::WriteActivityLog(refusal);
    return false;
}

bool FileCommands::mayOpenFiles()
{
    return mayEditFiles("Failed Attempt to Open a File");
}

void FileCommands::Open1Click()
{
    if (!mayOpenFiles())
        return;
    const QString folder = fileNameText(initialFolder());
    for (const QString& chosen : m_dialogs->openFiles(&m_main, folder, openFilter())) {
        std::string name = absoluteFileName(fileNameBytes(chosen));
        bool isNew = false;
        // A name that does not exist yet starts a new file, when the operator wants one; a
        // FIFO or device is no new file and is refused when loaded.
        if (platform::fileKind(name) == platform::FileKind::Missing) {
            name = withDefaultExtension(name);
            isNew = platform::fileKind(name) == platform::FileKind::Missing;
            if (isNew && !m_prompter.ask("Open", name + "\nThis file does not exist.\nCreate it?"))
                continue;
        }
        if (!openOne(name, true, isNew))
            break;
    }
}

void FileCommands::Save1Click()
{
    saveChild(m_main.activeChild());
}

void FileCommands::SaveAs1Click()
{
    saveChildAs(m_main.activeChild());
}

bool FileCommands::saveChild(TMDIChild* child)
{
    if (!mayEditFiles("Failed Attempt to Save a File"))
        return false;
    if (!child)
        return false;
    if (!child->untitled() && checkRight(mrw::rights::OverwriteFiles)) {
        const std::string name = child->fileName();
        mrw::WriteActivityLog("Save File [" + name + "]");
        std::string error;
        if (!child->saveFile(name, error)) {
            showError(error);
            return false;
        }
        AddToMRU(name);
        return true;
    }
    return saveChildAs(child);
}

bool FileCommands::saveChildAs(TMDIChild* child)
{
    if (!mayEditFiles("Failed Attempt to Save(as) a File"))
        return false;
    if (!child)
        return false;
    const QString title = "Save " + fileNameText(platform::fileNamePart(child->fileName())) + " As";
    const QString folder = fileNameText(initialFolder());
    const QString proposed = child->untitled() ? QString() : fileNameText(child->fileName());
    const QString chosen =
        m_dialogs->saveFile(&m_main, title, folder, proposed, openFilter(), platform::toQString(defaultExtension()));
    if (chosen.isEmpty())
        return false;
    const std::string name = withDefaultExtension(absoluteFileName(fileNameBytes(chosen)));

    if (platform::fileExists(name) && !checkRight(mrw::rights::OverwriteFiles, false)) {
        m_prompter.message("Marrowin", "Insufficient Priviliges To Overwrite a File",
                           platform::MessageKind::Information, platform::Buttons::Ok);
        mrw::WriteActivityLog("Failed Attempt to Overwrite File");
        return false;
    }
    if (!platform::sameStoredPath(platform::folderPart(name), m_main.globals().Machine.settings().DirLS) &&
        !checkRight(mrw::rights::ChangeFolders, false)) {
        m_prompter.message("Marrowin", "Insufficient Priviliges To Change Folder", platform::MessageKind::Information,
                           platform::Buttons::Ok);
        mrw::WriteActivityLog("Failed Attempt to Change Folder");
        return false;
    }
    mrw::WriteActivityLog("Save File [" + name + "]");
    std::string error;
    if (!child->saveFile(name, error)) {
        showError(error);
        return false;
    }
    if (child->untitled())
        m_untitledNumbers.release(child->untitledNumber());
    child->setTitled();
    child->setFileName(name);
    AddToMRU(name);
    return true;
}

void FileCommands::AddToMRU(const std::string& name)
{
    m_recentFiles.add(name);
    emit recentFilesChanged();
}

void FileCommands::OpenMRUEntry(int index)
{
    if (!mayOpenFiles())
        return;
    const std::string& stored = m_recentFiles.entry(index);
    if (!stored.empty())
        openOne(platform::resolveStoredPath(stored), false);
}

void FileCommands::openDroppedFiles(const QStringList& names)
{
    if (!names.isEmpty() && mayOpenFiles())
        for (const QString& name : names)
            openOne(absoluteFileName(fileNameBytes(name)), false);
    if (m_main.isMinimized())
        m_main.showNormal();
    else
        m_main.raise();
    m_main.activateWindow();
}

void FileCommands::openCommandLineFiles(const QStringList& arguments, const QString& startFolder)
{
    std::vector<std::string> existing;
    for (const QString& argument : arguments) {
        const std::string name = absoluteFileName(fileNameBytes(argument), startFolder);
        // A FIFO or device named here is refused with a message, not passed over.
        if (platform::fileKind(name) != platform::FileKind::Missing)
            existing.push_back(name);
    }
    if (existing.empty() || !mayOpenFiles())
        return;
    for (const std::string& name : existing)
        m_main.CreateEditorChild(name, false);
}
