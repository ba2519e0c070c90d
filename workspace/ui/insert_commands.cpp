#include "workspace/ui/insert_commands.h"

#include "workspace/ui/insert_dialogs.h"
#include "workspace/ui/main_form.h"
#include "workspace/ui/mdi_child.h"

#include "workspace/engine/workspace_globals.h"

#include "platform/qt/latin1.h"

#include <QLineEdit>

void InsertExpression(TMainForm& main) { InsertCommands::of(main).InsertExpression1Click(); }
void InsertNCMacro(TMainForm& main) { InsertCommands::of(main).InsertNCMacro1Click(); }
void InsertComment(TMainForm& main) { InsertCommands::of(main).InsertComment1Click(); }

InsertCommands& InsertCommands::of(TMainForm& main)
{
    if (auto* existing = main.findChild<InsertCommands*>(QString(), Qt::FindDirectChildrenOnly))
        return *existing;
    return *new InsertCommands(main);
}

InsertCommands::InsertCommands(TMainForm& main)
    : QObject(&main), m_main(main), m_runDialog([](QDialog& dialog) { return dialog.exec(); })
{
}

TInsExpDlg& InsertCommands::expressionDialog()
{
    if (!m_expression)
        m_expression = new TInsExpDlg(mrw::workspaceGlobals().Machine.settings(), m_main.prompter(), &m_main);
    return *m_expression;
}

TMacroInsert& InsertCommands::macroDialog()
{
    if (!m_macro)
        m_macro = new TMacroInsert(m_main.prompter(), &m_main);
    return *m_macro;
}

TCommentDlg& InsertCommands::commentDialog()
{
    if (!m_comment)
        m_comment = new TCommentDlg(m_main.prompter(), &m_main);
    return *m_comment;
}

void InsertCommands::InsertExpression1Click()
{
    if (m_runDialog(expressionDialog()) == QDialog::Accepted)
        pasteIntoActivePane();
}

void InsertCommands::InsertNCMacro1Click()
{
    if (!m_main.RequireActiveChild())
        return;
    const mrw::WorkspaceGlobals& g = mrw::workspaceGlobals();
    TMacroInsert& dialog = macroDialog();
    dialog.prepare(g.MachineDatabasePath, g.CurrentMachineName);
    if (m_runDialog(dialog) == QDialog::Accepted)
        pasteIntoActivePane();
}

void InsertCommands::InsertComment1Click()
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

void InsertCommands::pasteIntoActivePane()
{
    if (TMDIChild* child = m_main.activeChild())
        child->ActivePane->paste();
}
