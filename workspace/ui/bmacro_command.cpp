#include "workspace/ui/bmacro_command.h"

#include "workspace/ui/bmacro_dialogs.h"
#include "workspace/ui/main_form.h"
#include "workspace/ui/mdi_child.h"

#include "workspace/engine/workspace_globals.h"

#include "platform/paths.h"
#include "platform/textfile.h"

#include <QFile>
#include <QLineEdit>
#include <QPointer>

void RunBMacroInterpreter(TMainForm& form)
{
    if (!form.RequireActiveChild())
        return;
    // One dialog for the run of the program, so that its options stay as last set.
    auto* dialog = form.findChild<TMacrobdlg*>();
    if (!dialog)
        dialog = new TMacrobdlg(mrw::workspaceGlobals(), form.prompter(), &form);

    QPointer<TMDIChild> child = form.activeChild();
    dialog->Ofilename->setText(
        QFile::decodeName(QByteArray::fromStdString(platform::changeFileExtension(child->fileName(), ".OUT"))));
    dialog->setProgramSource([child] {
        return child ? platform::splitLines(child->Editor1->bytes()) : std::vector<std::string>{};
    });
    const bool accepted = dialog->exec() == QDialog::Accepted;
    dialog->setProgramSource({});
    // The analyzer gets only a complete output: no error, no refused overwrite, no cancel.
    if (accepted && dialog->AutoRun() && dialog->lastResult().normal())
        form.RunAnalyzerHandOff(dialog->outputFile());
}
