#pragma once
// The Edit menu: clipboard, undo and selection on the active pane of the active child.
// Each does nothing without an active child.
#include <QObject>

class EditorPane;
class TMainForm;

class EditCommands : public QObject {
    Q_OBJECT
public:
    explicit EditCommands(TMainForm& mainForm);

    void Undo1Click();
    void Redo1Click();
    void Cut1Click();
    void Copy1Click();
    void Paste1Click();
    void Delete1Click();
    void SelectAll1Click();

private:
    EditorPane* activePane() const;
    TMainForm& m_main;
};

// True while the clipboard holds text.
bool clipboardHasText();
