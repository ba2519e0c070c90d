#include "workspace/ui/login_commands.h"

#include "workspace/engine/program_settings.h"
#include "workspace/engine/users.h"
#include "workspace/ui/login_dialog.h"
#include "workspace/ui/main_form.h"
#include "workspace/ui/password_manager.h"

#include "platform/qt/latin1.h"

#include <QAction>

LoginCommands::LoginCommands(TMainForm& mainForm, platform::Prompter& prompter)
    : QObject(&mainForm), m_main(mainForm), m_prompter(prompter)
{
}

bool LoginCommands::login()
{
    if (mrw::LoginAsker* asker = m_main.dialogs().loginAsker)
        return mrw::userSession().LoginUser(*asker);
    return mrw::loginWithDialog(&m_main);
}

void LoginCommands::ChangeLogin1Click()
{
    mrw::userSession().LogOff();
    if (!login()) {
        m_main.close();
        // A file that could not be dealt with keeps the program open: logged off, and
        // shown so.
        showLoggedInUser();
        return;
    }
    showLoggedInUser();
}

void LoginCommands::showLoggedInUser()
{
    if (!m_logoffItem)
        return;
    const std::string user = mrw::userSession().CurrentUserName();
    if (m_main.settings().UseSecure && user.empty())
        m_logoffItem->setText("Change &Login");
    else
        m_logoffItem->setText("&Logoff User: " + platform::toQString(user));
}

void LoginCommands::PasswordManager1Click()
{
    mrw::runPasswordManager(&m_main, m_prompter, [this](const std::string& path) { m_main.OpenFileInEditor(path); });
}
