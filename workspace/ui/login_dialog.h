#pragma once
// The "Login" dialog: a user name and a masked password.
#include "workspace/engine/users.h"

#include <QDialog>

class QLineEdit;

namespace mrw {

class LoginDialog : public QDialog, public LoginAsker {
    Q_OBJECT
public:
    explicit LoginDialog(QWidget* parent = nullptr);

    std::string UserName() const;
    std::string Password() const;

    // Shows the dialog modally; nothing when it was cancelled.
    std::optional<Answer> askLogin() override;

    QLineEdit* userEdit() const { return m_user; }
    QLineEdit* passwordEdit() const { return m_password; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLineEdit* m_user;
    QLineEdit* m_password;
};

// Asks for a login of the run's user session until it succeeds or is cancelled.
bool loginWithDialog(QWidget* parent);

} // namespace mrw
