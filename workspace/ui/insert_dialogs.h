#pragma once
// The Insert menu's dialogs: each prepares a piece of NC text and, on OK, puts it on
// the clipboard for the main window to paste.
#include "workspace/engine/machine_settings.h"
#include "workspace/engine/nc_macros.h"

#include "platform/host.h"

#include <QDialog>

#include <memory>

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

// "NC-Code Macros": the current machine's macros; OK inserts the selected one with a
// value asked for every "#".
class TMacroInsert : public QDialog {
    Q_OBJECT
public:
    static constexpr int HelpTopic = 100;

    explicit TMacroInsert(platform::Prompter& prompter, QWidget* parent = nullptr);
    ~TMacroInsert() override;

    // Opens the machine database for a showing: lists the machine's macros, memo empty.
    void prepare(const std::string& databasePath, const std::string& machineName);

    QLabel* MachineLabel;
    QListWidget* List1;
    QPlainTextEdit* Text1;
    QPushButton* AddBtn;
    QPushButton* SaveBtn;
    QPushButton* DeleteBtn;
    QPushButton* EditNameBtn;

    void List1Click(int row);
    void AddBtnClick();
    void SaveBtnClick();
    void DeleteBtnClick();
    void EditNameBtnClick();
    void OKBtnClick();

    void done(int result) override;

private:
    std::vector<std::string> memoLines() const;
    void showLines(const std::vector<std::string>& lines);
    void fillList();

    platform::Prompter& m_prompter;
    std::unique_ptr<mrw::MacroSession> m_session;
    bool m_updating = false; // list or memo changed by the dialog itself
};

// "Insert a Comment": start, text and end exactly as typed.
class TCommentDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int HelpTopic = 103;

    explicit TCommentDlg(platform::Prompter& prompter, QWidget* parent = nullptr);

    QLineEdit* cstart;
    QLineEdit* Cend;
    QLineEdit* Comment;

    void OKBtnClick();

private:
    platform::Prompter& m_prompter;
};

// "Insert an Expression": the value of an expression as an NC number in the machine's
// number format.
class TInsExpDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int HelpTopic = 101;

    TInsExpDlg(const mrw::MachineSettings& machine, platform::Prompter& prompter, QWidget* parent = nullptr);

    QLineEdit* expr;

    void OKBtnClick();

private:
    const mrw::MachineSettings& m_machine;
    platform::Prompter& m_prompter;
};
