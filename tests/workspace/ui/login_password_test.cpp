#include "workspace/ui/login_dialog.h"
#include "workspace/ui/password_manager.h"
#include "workspace/ui/shell_helpers.h"

#include "platform/ini.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace mrw;

namespace {

std::string goldenUsers()
{
    return testsupport::readFixture(std::string(MRW_SOURCE_DIR) + "/tests/workspace/engine/fixtures/machines",
                                    "users_golden.ini");
}

} // namespace

TEST(LoginDialogUi, ClearsOnShowingAndHandsBackTheTypedTexts)
{
    LoginDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), "Login");
    EXPECT_EQ(dialog.passwordEdit()->echoMode(), QLineEdit::Password);
    dialog.userEdit()->setText("stale");
    QTimer::singleShot(0, &dialog, [&] {
        EXPECT_TRUE(dialog.userEdit()->text().isEmpty());
        dialog.userEdit()->setText("carl");
        dialog.passwordEdit()->setText("Pass 1");
        dialog.accept();
    });
    const auto answer = dialog.askLogin();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->userName, "carl");
    EXPECT_EQ(answer->password, "Pass 1");

    QTimer::singleShot(0, &dialog, [&] { dialog.reject(); });
    EXPECT_FALSE(dialog.askLogin());
}

TEST(LoginDialogUi, DrivesALoginOfTheSession)
{
    testsupport::TempFolder folder;
    folder.write("TKZPWL.INI", goldenUsers());
    ActivityLog log;
    UserSession session(UserDatabase(folder.file("TKZPWL.INI")), log);
    testsupport::ScriptedPrompter prompter;
    session.setPrompter(&prompter);
    LoginDialog dialog;
    QTimer::singleShot(0, &dialog, [&] {
        dialog.userEdit()->setText("ADMIN");
        dialog.passwordEdit()->setText("Secret");
        dialog.accept();
    });
    EXPECT_TRUE(session.LoginUser(dialog));
    EXPECT_EQ(session.rights(), 255);
}

TEST(PasswordManagerUi, EditsUsersAndKeepsTheLoggingSwitch)
{
    testsupport::TempFolder folder;
    folder.write("TKZPWL.INI", goldenUsers());
    const UserDatabase db(folder.file("TKZPWL.INI"));
    ActivityLog log;
    log.setPath(folder.file("MRWDNC.LOG"));
    testsupport::ScriptedPrompter prompter;
    std::string opened;
    PasswordManagerDialog dialog(db, log, folder.file("MRW2013.INI"), prompter,
                                 [&](const std::string& path) { opened = path; });
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Marrowin Password Manager");
    for (QPushButton* button : dialog.findChildren<QPushButton*>())
        if (button->text() == "&Help")
            button->click();
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_NE(prompter.shown[0].text.find("Help is not installed"), std::string::npos);
    prompter.shown.clear();
    ASSERT_EQ(dialog.userList()->count(), 3);
    EXPECT_EQ(dialog.nameEdit()->text(), "ADMIN");
    EXPECT_EQ(dialog.passwordEdit()->text(), "secret");
    EXPECT_FALSE(dialog.rightBox(rights::JobDatabaseFull)->isVisibleTo(&dialog));

    dialog.userList()->setCurrentRow(2);
    EXPECT_EQ(dialog.nameEdit()->text(), "Carl");
    EXPECT_TRUE(dialog.rightBox(rights::ChangeSystemSettings)->isChecked());
    EXPECT_FALSE(dialog.rightBox(rights::EditFiles)->isChecked());

    // Modify: another right and a new name.
    dialog.rightBox(rights::EditFiles)->setChecked(true);
    dialog.nameEdit()->setText("Carla");
    dialog.modifyUser();
    EXPECT_EQ(dialog.userList()->item(2)->text(), "Carla");
    EXPECT_EQ(db.find("Carla")->Level, 1 | 16);
    EXPECT_FALSE(db.find("Carl"));

    // Insert a new user; a duplicate is refused with a message.
    dialog.nameEdit()->setText("Dave");
    dialog.passwordEdit()->setText("pw");
    dialog.insertUser();
    EXPECT_EQ(dialog.userList()->count(), 4);
    EXPECT_EQ(dialog.userList()->currentRow(), 3);
    dialog.insertUser();
    ASSERT_FALSE(prompter.shown.empty());
    EXPECT_EQ(prompter.shown.back().text, "A record with that name already exists");

    // Delete the last: the one before it is selected.
    prompter.buttons.push_back(platform::Button::Yes);
    dialog.deleteUser();
    EXPECT_EQ(dialog.userList()->count(), 3);
    EXPECT_EQ(dialog.userList()->currentRow(), 2);
    EXPECT_FALSE(db.find("Dave"));

    dialog.viewLog();
    EXPECT_EQ(prompter.shown.back().text, "LOG File is Empty");
    EXPECT_TRUE(opened.empty());

    dialog.loggingBox()->setChecked(true);
    dialog.accept();
    EXPECT_TRUE(log.enabled());
    EXPECT_EQ(platform::IniFile(folder.file("MRW2013.INI")).readString("GENERAL", "LOGGING"), "1");
    log.write("x");
    dialog.viewLog();
    EXPECT_EQ(opened, log.path());
}

TEST(ShellHelpers, AFailedStartIsReportedWithItsCode)
{
    testsupport::TempFolder folder;
    testsupport::ScriptedPrompter prompter;
    EXPECT_EQ(ExecuteFile("NOSUCH.EXE", "MRW2013", folder.path(), prompter), 2);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Cannot Execute (2) [NOSUCH.EXE]");
    // Without an X11 display Caps Lock is left alone.
    EXPECT_FALSE(ForceCapsLockOn());
}

TEST(ShellHelpers, CapsLockIsSwitchedOnOnAnX11Display)
{
    if (QStandardPaths::findExecutable("Xvfb").isEmpty())
        GTEST_SKIP() << "no Xvfb";
    QProcess server;
    server.start("Xvfb", {":173", "-nolisten", "tcp", "-noreset"}); // its state outlives each connection, as on a desktop
    ASSERT_TRUE(server.waitForStarted());
    bool on = false;
    for (int i = 0; i < 200 && !(on = forceCapsLockOnDisplay(":173")); ++i)
        QThread::msleep(25); // until the server takes connections
    if (!on && server.state() == QProcess::NotRunning)
        GTEST_SKIP() << "Xvfb did not start: " << server.readAllStandardError().toStdString();
    EXPECT_TRUE(on);
    // A server just started may still reset its keyboard once after taking the first
    // connection; once the lock has held, it is left as it is.
    bool held = false;
    for (int i = 0; i < 40 && !(held = forceCapsLockOnDisplay(":173")); ++i)
        QThread::msleep(25);
    EXPECT_TRUE(held);
    EXPECT_FALSE(forceCapsLockOnDisplay(":171")); // no such display

    // The program puts back the state it found: off when it was off, on when it was on.
    ASSERT_TRUE(setCapsLockOnDisplay(":173", false));
    {
        const CapsLockRestorer restorer(true, ":173");
        ASSERT_TRUE(forceCapsLockOnDisplay(":173"));
    }
    EXPECT_EQ(capsLockOnDisplay(":173"), std::optional<bool>(false));
    ASSERT_TRUE(setCapsLockOnDisplay(":173", true));
    {
        const CapsLockRestorer restorer(true, ":173");
        ASSERT_TRUE(setCapsLockOnDisplay(":173", false));
    }
    EXPECT_EQ(capsLockOnDisplay(":173"), std::optional<bool>(true));
    {
        const CapsLockRestorer elsewhere(false, ":173"); // windows not on X11: hands off
        ASSERT_TRUE(setCapsLockOnDisplay(":173", false));
    }
    EXPECT_EQ(capsLockOnDisplay(":173"), std::optional<bool>(false));
    EXPECT_EQ(capsLockOnDisplay(":171"), std::nullopt);
    server.terminate();
    server.waitForFinished();
}
