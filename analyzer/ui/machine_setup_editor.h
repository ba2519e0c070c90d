#pragma once
// "Machine Setup -- <file>": the editor of machine-setup files. It asks the parameters one
// at a time in nine question groups, in a memo with one entry field; the questions come
// from the engine's questionnaire, which this window only feeds and shows.
#include "analyzer/engine/setup_questionnaire.h"

#include <QMainWindow>

#include <functional>
#include <string>

class QAction;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPrinter;
class QPushButton;

namespace vork {

class TMsetupForm : public QMainWindow {
    Q_OBJECT
public:
    // programFolder: where the open and save dialogs start.
    TMsetupForm(platform::Prompter& prompter, const std::string& programFolder, QWidget* parent = nullptr);

    SetupQuestionnaire& questions() { return m_q; }
    // The file dialogs: returns the chosen name or "" (tests replace it).
    std::function<std::string(bool save)> chooseFile;

    void chooseGroup(int group);
    void Open();
    // Save and Save As; false when nothing was written.
    bool Save();
    bool SaveAs();
    void Print();
    void PrintTo(QPrinter& printer);
    void Exit();

    QListWidget* groupList() const { return m_groups; }
    QPlainTextEdit* memo() const { return m_memo; }
    QLineEdit* entry() const { return m_entry; }
    QAction* numberingAction() const { return m_numbering; }
    QAction* autohelpAction() const { return m_autohelp; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void showQuestion();
    void updateCaption();

    platform::Prompter& m_prompter;
    std::string m_programFolder;
    SetupQuestionnaire m_q;
    QListWidget* m_groups;
    QPlainTextEdit* m_memo;
    QLineEdit* m_entry;
    QAction* m_numbering;
    QAction* m_autohelp;
};

} // namespace vork
