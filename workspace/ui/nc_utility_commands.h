#pragma once
// The NC Utilities menu's text and number-word commands: each needs an open editor
// child, shows its option dialog and, after OK, runs its utility on the active pane of
// the active child with the progress box. The option dialogs are made once, with the
// main window, and keep their values for the run; the setup dialog's "NC-Commands"
// page opens the same dialogs, and the send dialog runs the file cleanup through here.
#include "workspace/engine/nc_batch.h"
#include "workspace/engine/workspace_globals.h"

#include "platform/host.h"

#include <QObject>

#include <functional>

class QDialog;
class TMainForm;
class TProcessDlg;
class TRESEQDlg;
class TAddremSpaces;
class TChgBeginEndDlg;
class TMakeColsDlg;
class TFcleanDlg;
class TFileSplitdlg;
class TFSoverDlg;
class TArithDlg;
class TReformatDlg;
namespace mrw {
class TMRWSetupDlg;
}

class NcUtilityCommands : public QObject {
    Q_OBJECT
public:
    NcUtilityCommands(TMainForm& mainForm, mrw::WorkspaceGlobals& globals, platform::Prompter& prompter);
    ~NcUtilityCommands() override;

    // Shows an option dialog modally; true when it closed with OK. Tests answer here.
    using DialogRunner = std::function<bool(QDialog& dialog)>;
    void setDialogRunner(DialogRunner runner) { m_runDialog = std::move(runner); }

    void Arithmetic();
    void AddRemoveSpaces();
    void ChangeLineBeginEnd();
    void FeedSpeedOverride();
    void FileSplitter();
    void MakeColumns();
    void Reformat();
    void Resequence();
    void FileCleanup();
    // The cleanup the send dialog runs before it sends the editor's text (no dialog).
    void FileCleanupBeforeSend();

    // Lets the setup dialog's "NC-Commands" buttons open the six stored-option dialogs.
    void registerOptionDialogs(mrw::TMRWSetupDlg& setup);

    TRESEQDlg& resequenceDialog() { return *m_resequence; }
    TAddremSpaces& spacesDialog() { return *m_spaces; }
    TChgBeginEndDlg& lineBeginEndDialog() { return *m_lineBeginEnd; }
    TMakeColsDlg& makeColumnsDialog() { return *m_makeColumns; }
    TFcleanDlg& fileCleanupDialog() { return *m_fileCleanup; }
    TFileSplitdlg& fileSplitDialog() { return *m_fileSplit; }
    TFSoverDlg& feedSpeedDialog() { return *m_feedSpeed; }
    TArithDlg& arithmeticDialog() { return *m_arithmetic; }
    TReformatDlg& reformatDialog() { return *m_reformat; }
    TProcessDlg& processDialog() { return *m_process; }

private:
    // Runs `work` on the active child after its dialog closed with OK.
    // False after saying so when the active child's text is read only (F12).
    bool activeChildWritable();
    void run(QDialog* dialog, const std::function<void(mrw::BatchContext&)>& work);
    void runOnActivePane(const std::function<void(mrw::BatchContext&)>& work);
    void cleanUp(mrw::BatchContext& context);
    mrw::MachineSettings& settings() { return m_globals.Machine.settings(); }

    TMainForm& m_main;
    mrw::WorkspaceGlobals& m_globals;
    platform::Prompter& m_prompter;
    DialogRunner m_runDialog;

    TRESEQDlg* m_resequence;
    TAddremSpaces* m_spaces;
    TChgBeginEndDlg* m_lineBeginEnd;
    TMakeColsDlg* m_makeColumns;
    TFcleanDlg* m_fileCleanup;
    TFileSplitdlg* m_fileSplit;
    TFSoverDlg* m_feedSpeed;
    TArithDlg* m_arithmetic;
    TReformatDlg* m_reformat;
    TProcessDlg* m_process;
};
