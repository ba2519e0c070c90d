#include "workspace/ui/password_manager.h"

#include "workspace/engine/workspace_globals.h"

#include "platform/ini.h"
#include "platform/paths.h"
#include "platform/qt/help.h"
#include "platform/qt/latin1.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace mrw {

namespace {
constexpr int HelpTopic = 10031;
constexpr const char* Caption = "MARROWIN";
const char* const RightBoxNames[RightCount] = {"CBL1", "CBL2", "CBL3", "CBL4", "CBL5", "cbl6", "cbl7", "cbl8"};
}

PasswordManagerDialog::PasswordManagerDialog(const UserDatabase& database, ActivityLog& log,
                                             std::string programIniPath, platform::Prompter& prompter,
                                             OpenInEditor openInEditor, QWidget* parent)
    : QDialog(parent),
      m_model(database),
      m_log(log),
      m_programIniPath(std::move(programIniPath)),
      m_prompter(prompter),
      m_openInEditor(std::move(openInEditor)),
      m_list(new QListWidget(this)),
      m_name(new QLineEdit(this)),
      m_password(new QLineEdit(this)),
      m_logging(new QCheckBox("Enable System Activity Log", this))
{
    setWindowTitle("Marrowin Password Manager");
    m_name->setMaxLength(static_cast<int>(UserFieldLimit));
    m_password->setMaxLength(static_cast<int>(UserFieldLimit));
    m_password->setEchoMode(QLineEdit::Password);

    auto* rightsBox = new QGroupBox("Privileges", this);
    auto* rightsLayout = new QVBoxLayout(rightsBox);
    for (int r = 0; r < RightCount; ++r) {
        auto* box = new QCheckBox(platform::toQString(rightCaption(r)), rightsBox);
        box->setObjectName(RightBoxNames[r]);
        rightsLayout->addWidget(box);
        m_rights[static_cast<std::size_t>(r)] = box;
    }
    // The job database rights are kept in the records but no command uses them.
    for (int r : {rights::JobDatabaseReadOnly, rights::JobDatabaseFull}) {
        rightBox(r)->setVisible(false);
        rightBox(r)->setEnabled(false);
    }

    auto* edits = new QGridLayout;
    edits->addWidget(new QLabel("User Name", this), 0, 0);
    edits->addWidget(m_name, 0, 1);
    edits->addWidget(new QLabel("Password", this), 1, 0);
    edits->addWidget(m_password, 1, 1);

    auto* insert = new QPushButton("&Insert", this);
    auto* modify = new QPushButton("&Modify", this);
    auto* remove = new QPushButton("&Delete", this);
    auto* view = new QPushButton("&View Log", this);
    auto* help = new QPushButton("&Help", this);
    auto* close = new QPushButton("&Close", this);
    connect(insert, &QPushButton::clicked, this, &PasswordManagerDialog::insertUser);
    connect(modify, &QPushButton::clicked, this, &PasswordManagerDialog::modifyUser);
    connect(remove, &QPushButton::clicked, this, &PasswordManagerDialog::deleteUser);
    connect(view, &QPushButton::clicked, this, &PasswordManagerDialog::viewLog);
    connect(help, &QPushButton::clicked, this, [this] { platform::showHelpTopic(HelpTopic, m_prompter); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) {
        m_model.select(row);
        showSelectedUser();
    });

    auto* buttons = new QHBoxLayout;
    for (auto* b : {insert, modify, remove, view, help, close})
        buttons->addWidget(b);

    auto* right = new QVBoxLayout;
    right->addLayout(edits);
    right->addWidget(rightsBox);
    right->addWidget(m_logging);
    auto* top = new QHBoxLayout;
    top->addWidget(m_list);
    top->addLayout(right);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);

    refreshList();
}

void PasswordManagerDialog::showEvent(QShowEvent* event)
{
    m_logging->setChecked(m_log.enabled());
    refreshList();
    QDialog::showEvent(event);
}

void PasswordManagerDialog::done(int result)
{
    m_log.setEnabled(m_logging->isChecked());
    try {
        writeLoggingSetting(m_programIniPath, m_logging->isChecked());
    } catch (const platform::IniWriteError& e) {
        showError(e.what());
    }
    QDialog::done(result);
}

void PasswordManagerDialog::refreshList()
{
    m_model.reload();
    const QSignalBlocker blocker(m_list);
    m_list->clear();
    for (const auto& name : m_model.userNames())
        m_list->addItem(platform::toQString(name));
    m_list->setCurrentRow(m_model.selected());
    showSelectedUser();
}

void PasswordManagerDialog::showSelectedUser()
{
    const auto shown = m_model.shownUser();
    m_name->setText(platform::toQString(shown.name));
    m_password->setText(platform::toQString(shown.password));
    for (int r = 0; r < RightCount; ++r)
        rightBox(r)->setChecked((shown.level >> r) & 1);
}

PasswordManagerModel::Shown PasswordManagerDialog::typedUser() const
{
    int level = 0;
    for (int r = 0; r < RightCount; ++r)
        if (rightBox(r)->isChecked())
            level |= 1 << r;
    return {platform::toBytes(m_name->text()), platform::toBytes(m_password->text()), level};
}

void PasswordManagerDialog::showError(const std::string& text)
{
    m_prompter.message(Caption, text, platform::MessageKind::Error, platform::Buttons::Ok);
}

void PasswordManagerDialog::insertUser()
{
    const std::string error = m_model.insert(typedUser());
    if (!error.empty()) {
        showError(error);
        if (m_name->text().trimmed().isEmpty())
            m_name->setFocus();
        return;
    }
    const QSignalBlocker blocker(m_list);
    m_list->addItem(platform::toQString(m_model.userNames().back()));
    m_list->setCurrentRow(m_model.selected());
}

void PasswordManagerDialog::modifyUser()
{
    if (m_model.selected() < 0) {
        m_prompter.beep();
        return;
    }
    const std::string error = m_model.modify(typedUser());
    if (!error.empty()) {
        showError(error);
        return;
    }
    m_list->item(m_model.selected())
        ->setText(platform::toQString(m_model.userNames()[static_cast<std::size_t>(m_model.selected())]));
}

void PasswordManagerDialog::deleteUser()
{
    if (m_model.selected() < 0) {
        m_prompter.beep();
        return;
    }
    if (!m_prompter.ask(Caption, m_model.deleteQuestion()))
        return;
    const int row = m_model.selected();
    if (const std::string error = m_model.deleteSelected(); !error.empty()) {
        showError(error);
        return;
    }
    {
        const QSignalBlocker blocker(m_list);
        delete m_list->takeItem(row);
        m_list->setCurrentRow(m_model.selected());
    }
    showSelectedUser();
}

void PasswordManagerDialog::viewLog()
{
    if (platform::fileExists(m_log.path()) && m_openInEditor)
        m_openInEditor(m_log.path());
    else
        showError("LOG File is Empty");
}

void runPasswordManager(QWidget* parent, platform::Prompter& prompter,
                        PasswordManagerDialog::OpenInEditor openInEditor)
{
    UserSession& session = userSession();
    if (!session.CheckPrivilege(rights::ChangePasswords))
        return;
    WriteActivityLog("Modify Passwords");
    if (session.database().unreadable())
        prompter.message(Caption, platform::unreadableIniMessage(session.database().path()),
                         platform::MessageKind::Error, platform::Buttons::Ok);
    PasswordManagerDialog dialog(session.database(), activityLog(), workspaceGlobals().ProgramIniPath, prompter,
                                 std::move(openInEditor), parent);
    dialog.exec();
}

} // namespace mrw
