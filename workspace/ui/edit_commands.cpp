#include "workspace/ui/edit_commands.h"

#include "workspace/ui/main_form.h"
#include "workspace/ui/mdi_child.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

EditCommands::EditCommands(TMainForm& mainForm) : QObject(&mainForm), m_main(mainForm) {}

EditorPane* EditCommands::activePane() const
{
    TMDIChild* child = m_main.activeChild();
    return child ? child->ActivePane : nullptr;
}

void EditCommands::Undo1Click()
{
    if (EditorPane* pane = activePane())
        pane->undo();
}

void EditCommands::Redo1Click()
{
    if (EditorPane* pane = activePane())
        pane->redo();
}

void EditCommands::Cut1Click()
{
    if (EditorPane* pane = activePane())
        pane->cut();
}

void EditCommands::Copy1Click()
{
    if (EditorPane* pane = activePane())
        pane->copy();
}

void EditCommands::Paste1Click()
{
    if (EditorPane* pane = activePane())
        pane->paste();
}

void EditCommands::Delete1Click()
{
    if (EditorPane* pane = activePane())
        pane->removeSelectedText();
}

void EditCommands::SelectAll1Click()
{
    EditorPane* pane = activePane();
    if (pane && pane->length() > 0)
        pane->selectAll();
}

bool clipboardHasText()
{
    const QMimeData* data = QApplication::clipboard()->mimeData();
    return data && data->hasText() && !data->text().isEmpty();
}
