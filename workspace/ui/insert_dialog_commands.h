#pragma once
// The Insert menu's "&Expression", "&NC-Code macro" and "&Comment": each shows its
// dialog and, when it closes with OK, pastes the clipboard into the active pane of the
// active editor child. The dialogs are made once for a main window and keep their fields.
#include <QObject>

#include <functional>

class QDialog;
class TCommentDlg;
class TInsExpDlg;
class TMacroInsert;
class TMainForm;

// The entry points the main window's menu items call.
void InsertExpression(TMainForm& main);
void InsertNCMacro(TMainForm& main);
void InsertComment(TMainForm& main);

class InsertDialogCommands : public QObject {
    Q_OBJECT
public:
    // The insert commands of `main`, made on first use.
    static InsertDialogCommands& of(TMainForm& main);

    // Shows a dialog modally and gives its result; tests answer here.
    using DialogRunner = std::function<int(QDialog& dialog)>;
    void setDialogRunner(DialogRunner runner) { m_runDialog = std::move(runner); }

    // Always shows; pastes only when a child is active.
    void InsertExpression1Click();
    // Need an open file first.
    void InsertNCMacro1Click();
    void InsertComment1Click();

    TInsExpDlg& expressionDialog();
    TMacroInsert& macroDialog();
    TCommentDlg& commentDialog();

private:
    explicit InsertDialogCommands(TMainForm& main);
    void pasteIntoActivePane();

    TMainForm& m_main;
    DialogRunner m_runDialog;
    TInsExpDlg* m_expression = nullptr;
    TMacroInsert* m_macro = nullptr;
    TCommentDlg* m_comment = nullptr;
};
