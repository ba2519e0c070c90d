#include "workspace/ui/login_dialog.h"

#include "platform/qt/latin1.h"
#include "platform/qt/qthost.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace mrw {

LoginDialog::LoginDialog(QWidget* parent)
    : QDialog(parent), m_user(new QLineEdit(this)), m_password(new QLineEdit(this))
{
    setWindowTitle("Login");
    m_user->setObjectName("Euser");
    m_password->setObjectName("Password");
    m_password->setEchoMode(QLineEdit::Password);

    auto* form = new QFormLayout;
    form->addRow("User Name  ", m_user);
    form->addRow("Enter password:", m_password);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

std::string LoginDialog::UserName() const
{
    return platform::toBytes(m_user->text());
}

std::string LoginDialog::Password() const
{
    return platform::toBytes(m_password->text());
}

void LoginDialog::showEvent(QShowEvent* event)
{
    m_user->clear();
    m_password->clear();
    m_user->setFocus();
    QDialog::showEvent(event);
}

std::optional<LoginAsker::Answer> LoginDialog::askLogin()
{
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return Answer{UserName(), Password()};
}

bool loginWithDialog(QWidget* parent)
{
    UserSession& session = userSession();
    platform::QtPrompter localPrompter(parent);
    platform::Prompter* const previous = session.prompter();
    if (!previous)
        session.setPrompter(&localPrompter);
    LoginDialog dialog(parent);
    const bool ok = session.LoginUser(dialog);
    session.setPrompter(previous);
    return ok;
}

} // namespace mrw
