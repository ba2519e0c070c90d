#pragma once
// Logging in and out of MRW2013 and the Password Manager: the login at start and at
// Change Login, and the File menu item that names the user logged in.
#include <QObject>

class QAction;
class TMainForm;

namespace platform {
class Prompter;
}

class LoginCommands : public QObject {
    Q_OBJECT
public:
    LoginCommands(TMainForm& mainForm, platform::Prompter& prompter);

    // The File menu item "Change &Login" that shows who is logged in.
    void setLogoffItem(QAction* item) { m_logoffItem = item; }

    // Asks for a user until one logs in; false when the operator cancelled.
    bool login();
    // Logs the user off and asks for the next; a cancelled login ends the program.
    void ChangeLogin1Click();
    void PasswordManager1Click();
    void showLoggedInUser();

private:
    TMainForm& m_main;
    platform::Prompter& m_prompter;
    QAction* m_logoffItem = nullptr;
};
