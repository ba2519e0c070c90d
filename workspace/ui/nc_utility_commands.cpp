#include "workspace/ui/nc_utility_commands.h"

#include "workspace/engine/nc_text_utilities.h"
#include "workspace/engine/nc_word_utilities.h"
#include "workspace/engine/setup_rules.h"
#include "workspace/ui/main_form.h"
#include "workspace/ui/mdi_child.h"
#include "workspace/ui/process_dialog.h"
#include "workspace/ui/setup_dialog.h"
#include "workspace/ui/text_utility_dialogs.h"
#include "workspace/ui/utility_editor_pane.h"
#include "workspace/ui/word_utility_dialogs.h"

#include "platform/stored_path.h"
#include "platform//qt/latin1.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>

namespace {

QString fileNameText(const std::string& name)
{
    return QFile::decodeName(QByteArray::fromStdString(name));
}

std::string fileNameBytes(const QString& name)
{
    return QFile::encodeName(name).toStdString();
}

} // namespace

NcUtilityCommands::NcUtilityCommands(TMainForm& mainForm, mrw::WorkspaceGlobals& globals,
                                     platform::Prompter& prompter)
    : QObject(&mainForm), m_main(mainForm), m_globals(globals), m_prompter(prompter),
      m_runDialog([](QDialog& dialog) { return dialog.exec() == QDialog::Accepted; })
{
    // Created once, so each keeps what was last chosen in it for the whole run.
    mrw::MachineSettings& s = settings();
    QComboBox* selector = m_main.machineSelector();
    m_resequence = new TRESEQDlg(s, &m_main);
    m_spaces = new TAddremSpaces(&m_main);
    m_lineBeginEnd = new TChgBeginEndDlg(s, &m_main);
    m_makeColumns = new TMakeColsDlg(s, &m_main);
    m_fileCleanup = new TFcleanDlg(s, &m_main);
    m_fileSplit = new TFileSplitdlg(&m_main);
    m_feedSpeed = new TFSoverDlg(&m_main);
    m_arithmetic = new TArithDlg(s, m_prompter, &m_main);
    m_reformat = new TReformatDlg(
        s, m_prompter,
        [selector] {
            QStringList names;
            for (int i = 0; i < selector->count(); ++i)
                names << selector->itemText(i);
            return names;
        },
        [selector] { return selector->currentText(); }, &m_main);
    m_process = new TProcessDlg(&m_main);
}

NcUtilityCommands::~NcUtilityCommands() = default;

void NcUtilityCommands::registerOptionDialogs(mrw::TMRWSetupDlg& setup)
{
    using mrw::NcCommandDialog;
    const auto opener = [this](std::function<QDialog&()> dialog) {
        return [this, dialog](QWidget*) { m_runDialog(dialog()); };
    };
    setup.setNcCommandDialog(NcCommandDialog::Resequence, opener([this]() -> QDialog& { return resequenceDialog(); }));
    setup.setNcCommandDialog(NcCommandDialog::MakeColumns, opener([this]() -> QDialog& { return makeColumnsDialog(); }));
    setup.setNcCommandDialog(NcCommandDialog::FileCleanup, opener([this]() -> QDialog& { return fileCleanupDialog(); }));
    setup.setNcCommandDialog(NcCommandDialog::Arithmetic, opener([this]() -> QDialog& { return arithmeticDialog(); }));
    setup.setNcCommandDialog(NcCommandDialog::Reformat, opener([this]() -> QDialog& { return reformatDialog(); }));
    setup.setNcCommandDialog(NcCommandDialog::ChangeLineBeginEnd,
                             opener([this]() -> QDialog& { return lineBeginEndDialog(); }));
}

// ---- Running a utility ------------------------------------------------------------------

bool NcUtilityCommands::activeChildWritable()
{
    TMDIChild* child = m_main.activeChild();
    if (child && child->ActivePane && child->ActivePane->isReadOnly()) {
        m_prompter.message("Marrowin", "The File Is Read Only (F12 Toggles Read Only)\nThe NC Utility Changes Nothing",
                           platform::MessageKind::Warning, platform::Buttons::Ok);
        return false;
    }
    return true;
}

void NcUtilityCommands::run(QDialog* dialog, const std::function<void(mrw::BatchContext&)>& work)
{
    if (!m_main.RequireActiveChild() || !activeChildWritable())
        return;
    if (dialog && !m_runDialog(*dialog))
        return;
    runOnActivePane(work);
}

void NcUtilityCommands::runOnActivePane(const std::function<void(mrw::BatchContext&)>& work)
{
    TMDIChild* child = m_main.activeChild();
    if (!child || !child->ActivePane)
        return;
    PaneUtilityEditor editor(*child->ActivePane);
    ProcessDlgProgress progress(processDialog());
    mrw::BatchContext context{editor, progress, m_prompter};
    work(context);
}

void NcUtilityCommands::Arithmetic()
{
    run(&arithmeticDialog(), [this](mrw::BatchContext& c) { mrw::DoArithmetic(c, settings()); });
}

void NcUtilityCommands::AddRemoveSpaces()
{
    run(&spacesDialog(), [this](mrw::BatchContext& c) {
        mrw::DoAddRemoveSpaces(c, mrw::commentMarksOf(settings()), spacesDialog().addSpaces());
    });
}

void NcUtilityCommands::ChangeLineBeginEnd()
{
    run(&lineBeginEndDialog(), [this](mrw::BatchContext& c) { mrw::DoChangeLineBeginEnd(c, settings().ChgBeginEnd); });
}

void NcUtilityCommands::FeedSpeedOverride()
{
    run(&feedSpeedDialog(), [this](mrw::BatchContext& c) {
        mrw::DoFeedSpeedOverride(c, settings(), feedSpeedDialog().feedPercent(), feedSpeedDialog().speedPercent());
    });
}

void NcUtilityCommands::FileSplitter()
{
    if (!m_main.RequireActiveChild())
        return;
    TFileSplitdlg& dialog = fileSplitDialog();
    dialog.setFolder(fileNameText(platform::resolveStoredPath(settings().DirLS)));
    dialog.setExtension(platform::toQString(settings().Defext));
    const bool ok = m_runDialog(dialog);
    QCoreApplication::processEvents();
    if (!ok)
        return;
    mrw::FileSplitOptions options = dialog.options();
    options.folder = platform::resolveStoredPath(options.folder);
    options.programLetter = settings().ProgID;
    const auto saveAs = [this](const std::string& title, const std::string& folder, const std::string& extension,
                               const std::string& proposed) -> std::optional<std::string> {
        const QString ext = platform::toQString(extension);
        const QString filter = QString("NC-Code files (*.%1);;Text Files (*.txt);;All files (*)").arg(ext);
        const QString chosen = m_main.fileDialogs().saveFile(&m_main, fileNameText(title), fileNameText(folder),
                                                              fileNameText(proposed), filter, ext);
        if (chosen.isEmpty())
            return std::nullopt;
        return fileNameBytes(chosen);
    };
    runOnActivePane([&](mrw::BatchContext& c) { mrw::DoFileSplit(c, options, saveAs); });
}

void NcUtilityCommands::MakeColumns()
{
    run(&makeColumnsDialog(), [this](mrw::BatchContext& c) {
        mrw::DoMakeColumns(c, settings().MakeCols, mrw::commentMarksOf(settings()));
    });
}

void NcUtilityCommands::Reformat()
{
    run(&reformatDialog(), [this](mrw::BatchContext& c) {
        QComboBox* selector = m_main.machineSelector();
        mrw::DoReformat(c, m_globals, settings().Reformat, reformatDialog().mixedOk(),
                        platform::toBytes(reformatDialog().newMachine()), [selector](const std::string& name) {
                            selector->setCurrentIndex(selector->findText(platform::toQString(name),
                                                                         Qt::MatchExactly | Qt::MatchCaseSensitive));
                            return platform::toBytes(selector->currentText());
                        });
    });
}

void NcUtilityCommands::Resequence()
{
    run(&resequenceDialog(), [this](mrw::BatchContext& c) {
        mrw::DoResequence(c, settings().Reseq, resequenceDialog().removeAll());
    });
}

void NcUtilityCommands::FileCleanup()
{
    run(&fileCleanupDialog(), [this](mrw::BatchContext& c) { cleanUp(c); });
}

void NcUtilityCommands::FileCleanupBeforeSend()
{
    if (!activeChildWritable())
        return;
    runOnActivePane([this](mrw::BatchContext& c) { cleanUp(c); });
}

void NcUtilityCommands::cleanUp(mrw::BatchContext& context)
{
    const TFcleanDlg::Options options = fileCleanupDialog().GetOptions();
    mrw::DoFileCleanup(context, options.stored, options.fixLineEnds, mrw::commentMarksOf(settings()));
}
