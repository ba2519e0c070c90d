#include "workspace/ui/insert_dialog_commands.h"

#include "workspace/ui/insert_dialogs.h"
#include "workspace/ui/main_form.h"
#include "workspace/ui/mdi_child.h"

#include "workspace/engine/workspace_globals.h"

#include "platform/qt/latin1.h"

#include <QLineEdit>

void InsertExpression(TMainForm& main) { InsertDialogCommands::of(main).InsertExpression1Click(); }
void InsertNCMacro(TMainForm& main) { InsertDialogCommands::of(main).InsertNCMacro1Click(); }
void InsertComment(TMainForm& main) { InsertDialogCommands::of(main).InsertComment1Click(); }

InsertDialogCommands& InsertDialogCommands::of(TMainForm& main)
{
    if (auto* existing = main.findChild<InsertDialogCommands*>(QString(), Qt::FindDirectChildrenOnly))
        return *existing;
    return *new InsertDialogCommands(main);
}

InsertDialogCommands::InsertDialogCommands(TMainForm& main)
    : QObject(&main), m_main(main), m_runDialog([](QDialog& dialog) { return dialog.exec(); })
{
}

TInsExpDlg& InsertDialogCommands::expressionDialog()
{
    if (!m_expression)
        m_expression = new TInsExpDlg(mrw::workspaceGlobals().Machine.settings(), m_main.prompter(), &m_main);
    return *m_expression;
}

TMacroInsert& InsertDialogCommands::macroDialog()
{
    if (!m_macro)
        m_macro = new TMacroInsert(m_main.prompter(), &m_main);
    return *m_macro;
}

TCommentDlg& InsertDialogCommands::commentDialog()
{
    if (!m_comment)
        m_comment = new TCommentDlg(m_main.prompter(), &m_main);
    return *m_comment;
}

void InsertDialogCommands::InsertExpression1Click()
{
    if (m_runDialog(expressionDialog()) == QDialog::Accepted)
        pasteIntoActivePane();
}

void InsertDialogCommands::InsertNCMacro1Click()
{
    if (!m_main.RequireActiveChild())
        return;
    const mrw::WorkspaceGlobals& g = mrw::workspaceGlobals();
    TMacroInsert& dialog = macroDialog();
    dialog.prepare(g.MachineDatabasePath, g.CurrentMachineName);
    if (m_runDialog(dialog) == QDialog::Accepted)
        pasteIntoActivePane();
}

void InsertDialogCommands::InsertComment1Click()
{
    if (!m_main.RequireActiveChild())
        return;
    const mrw::MachineSettings& machine = mrw::workspaceGlobals().Machine.settings();
    TCommentDlg& dialog = commentDialog();
    dialog.cstart->setText(platform::toQString(machine.CmtStart));
    dialog.Cend->setText(platform::toQString(machine.CmtEnd));
    if (m_runDialog(dialog) == QDialog::Accepted)
        pasteIntoActivePane();
}

void InsertDialogCommands::pasteIntoActivePane()
{
    if (TMDIChild* child = m_main.activeChild())
        child->ActivePane->paste();
}
