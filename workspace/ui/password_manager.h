#pragma once
// "Marrowin Password Manager": the users with their passwords and rights, and the
// switch of the activity log.
#include "workspace/engine/users.h"

#include <QDialog>

#include <array>
#include <functional>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace mrw {

class PasswordManagerDialog : public QDialog {
    Q_OBJECT
public:
    using OpenInEditor = std::function<void(const std::string& path)>;

    // programIniPath: where [GENERAL] LOGGING is read at creation and written at closing.
    PasswordManagerDialog(const UserDatabase& database, ActivityLog& log, std::string programIniPath,
                          platform::Prompter& prompter, OpenInEditor openInEditor, QWidget* parent = nullptr);

    QListWidget* userList() const { return m_list; }
    QLineEdit* nameEdit() const { return m_name; }
    QLineEdit* passwordEdit() const { return m_password; }
    QCheckBox* rightBox(int right) const { return m_rights[static_cast<std::size_t>(right)]; }
    QCheckBox* loggingBox() const { return m_logging; }

    void insertUser();
    void modifyUser();
    void deleteUser();
    void viewLog();

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void showSelectedUser();
    void refreshList();
    PasswordManagerModel::Shown typedUser() const;
    void showError(const std::string& text);

    PasswordManagerModel m_model;
    ActivityLog& m_log;
    std::string m_programIniPath;
    platform::Prompter& m_prompter;
    OpenInEditor m_openInEditor;
    QListWidget* m_list;
    QLineEdit* m_name;
    QLineEdit* m_password;
    std::array<QCheckBox*, RightCount> m_rights{};
    QCheckBox* m_logging;
};

// The Password Manager command: checks the right to change passwords, logs
// "Modify Passwords" and shows the dialog on the run's users and log.
void runPasswordManager(QWidget* parent, platform::Prompter& prompter,
                        PasswordManagerDialog::OpenInEditor openInEditor);

} // namespace mrw
