#include "workspace/engine/users.h"

#include "platform/ini.h"
#include "platform/paths.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"
#include "support/unreadable_file.h"
#include "support/user_rights.h"

#include <gtest/gtest.h>

#include <clocale>
#include <deque>
#include <optional>
#include <unistd.h>

using namespace mrw;

namespace {

const std::string Fixtures = std::string(MRW_TEST_FIXTURES) + "/machines";

struct ScriptedLogin : LoginAsker {
    std::deque<std::optional<Answer>> answers;
    int asked = 0;
    std::optional<Answer> askLogin() override
    {
        ++asked;
        if (answers.empty())
            return std::nullopt;
        auto a = answers.front();
        answers.pop_front();
        return a;
    }
    void add(const std::string& name, const std::string& password) { answers.push_back(Answer{name, password}); }
};

struct UsersTest : ::testing::Test {
    testsupport::TempFolder folder;
    ActivityLog log;
    testsupport::ScriptedPrompter prompter;

    void SetUp() override
    {
        log.setPath(folder.file("MRWDNC.LOG"));
        log.setEnabled(true);
        log.setClock([] { return LocalDateTime{2026, 3, 7, 9, 5, 2}; });
        log.setSeparators({'/', ':'});
    }
    UserDatabase database() const { return UserDatabase(folder.file("TKZPWL.INI")); }
    void writeGolden() const { folder.write("TKZPWL.INI", testsupport::readFixture(Fixtures, "users_golden.ini")); }
    std::string logText() const { return platform::fileExists(log.path()) ? folder.read("MRWDNC.LOG") : ""; }
    UserSession session()
    {
        UserSession s(database(), log);
        s.setPrompter(&prompter);
        s.setUseSecure(true);
        return s;
    }
};

std::string line(const std::string& message)
{
    return "03/07/2026,09:05:02," + message + "\r\n";
}

} // namespace

TEST(Passwords, ScrambleIsAnXorWithTheKeyAndItsOwnInverse)
{
    EXPECT_EQ(ScramblePassword("secret"), "\xEF\xF9\xFF\xEE\xF9\xE8");
    EXPECT_EQ(UnscramblePassword(ScramblePassword("Pass 1")), "Pass 1");
    EXPECT_EQ(ScramblePassword(""), "");
}

TEST_F(UsersTest, DatabaseIsWrittenInTheRecordDatabaseLayout)
{
    const UserDatabase db = database();
    db.insert({"ADMIN", ScramblePassword("secret"), 255});
    db.insert({"bob", "", 48});
    db.insert({"Carl", ScramblePassword("Pass 1"), 1});
    EXPECT_EQ(folder.read("TKZPWL.INI"), testsupport::readFixture(Fixtures, "users_golden.ini"));

    EXPECT_THROW(db.insert({"BOB", "", 0}), UserDatabaseError);
    EXPECT_EQ(db.names(), (std::vector<std::string>{"ADMIN", "bob", "Carl"}));
    const auto carl = db.find("carl");
    ASSERT_TRUE(carl);
    EXPECT_EQ(*carl, (UserRec{"Carl", ScramblePassword("Pass 1"), 1}));

    db.remove("bob");
    const platform::IniFile ini(db.path());
    EXPECT_EQ(ini.readString("Defaults", "_Entries"), "2");
    EXPECT_FALSE(ini.hasSection("bob"));
    EXPECT_FALSE(ini.hasKey("Index", "bob"));
}

TEST_F(UsersTest, ModifyUnderANewNameMovesTheRecordButNeverOntoAnotherUser)
{
    writeGolden();
    const UserDatabase db = database();
    EXPECT_THROW(db.modify("bob", {"admin", "", 1}), UserDatabaseError);
    EXPECT_EQ(db.find("ADMIN")->Level, 255);

    db.modify("bob", {"Robert", ScramblePassword("x"), 3});
    EXPECT_FALSE(db.find("bob"));
    EXPECT_EQ(*db.find("Robert"), (UserRec{"Robert", ScramblePassword("x"), 3}));
    // Same name in another case: the keys are rewritten; an emptied password loses its key.
    db.modify("Robert", {"ROBERT", "", 7});
    EXPECT_EQ(*db.find("robert"), (UserRec{"ROBERT", "", 7}));
    EXPECT_EQ(platform::IniFile(db.path()).readString("Defaults", "_Entries"), "3");
}

TEST_F(UsersTest, LoginIntoAnEmptyDatabaseGrantsEverythingWithoutAsking)
{
    UserSession s = session();
    ScriptedLogin asker;
    EXPECT_TRUE(s.LoginUser(asker));
    EXPECT_EQ(asker.asked, 0);
    EXPECT_EQ(s.rights(), 0xFFFF);
    EXPECT_EQ(logText(), "");
}

TEST_F(UsersTest, LoginTable)
{
    writeGolden();
    struct Case {
        const char* name;
        const char* password;
        bool ok;
        const char* shown; // message before the next try ("" for success)
    };
    const Case cases[] = {
        {"admin", "SECRET", true, ""},  // name and password without regard to case
        {"ADMIN", "secret", true, ""},
        {"Admin", "secrets", false, "Invalid Password"},
        {"bob", "anything", true, ""},  // empty stored password
        {"bob", "", true, ""},
        {"carl", "pass 1", true, ""},
        {"Dora", "x", false, "Invalid User Name"},
        {"", "", false, "Invalid User Name"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + "/" + c.password);
        UserSession s = session();
        ScriptedLogin asker;
        asker.add(c.name, c.password);
        prompter.shown.clear();
        EXPECT_EQ(s.LoginUser(asker), c.ok);
        if (c.ok) {
            EXPECT_TRUE(prompter.shown.empty());
            EXPECT_EQ(s.CurrentUserName(), c.name);
        } else {
            ASSERT_EQ(prompter.shown.size(), 1u);
            EXPECT_EQ(prompter.shown[0].text, c.shown);
            EXPECT_EQ(asker.asked, 2); // asked again, then cancelled
        }
    }
}

TEST_F(UsersTest, LoginWritesItsLinesAndNeverTheTypedPassword)
{
    writeGolden();
    UserSession s = session();
    ScriptedLogin asker;
    asker.add("Dora", "pw");
    asker.add("ADMIN", "wrong-password");
    asker.add("ADMIN", "secret");
    ASSERT_TRUE(s.LoginUser(asker));
    EXPECT_EQ(s.rights(), 255);
    s.LogOff();
    EXPECT_EQ(s.rights(), 0);
    EXPECT_EQ(s.CurrentUserName(), "");
    EXPECT_EQ(logText(), line("Login Failed, Invalid User Name [Dora]") + line("Login Failed, Invalid Password [ADMIN]")
                             + line(">>> Login: User Name [ADMIN] <<<") + line("Log Off: User Name [ADMIN]"));
    EXPECT_EQ(logText().find("wrong-password"), std::string::npos);
}

TEST_F(UsersTest, CheckPrivilegeWithSecurityOnAndOff)
{
    writeGolden();
    UserSession s = session();
    ScriptedLogin asker;
    asker.add("carl", "Pass 1"); // level 1: change system settings only
    ASSERT_TRUE(s.LoginUser(asker));
    const std::string afterLogin = logText();

    EXPECT_TRUE(s.CheckPrivilege(rights::ChangeSystemSettings));
    EXPECT_FALSE(s.CheckPrivilege(rights::OverwriteFiles, false)); // silent: no box, no line
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(logText(), afterLogin);

    EXPECT_FALSE(s.CheckPrivilege(rights::EditFiles));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Insufficient Priviliges for this Function");
    EXPECT_EQ(logText(), afterLogin + line("Failed Attempt to Edit Files"));
    EXPECT_FALSE(s.CheckPrivilege(rights::DncTransfers));
    EXPECT_EQ(logText().substr(logText().rfind("Failed")), "Failed Attempt to Run DNC\r\n");

    s.setUseSecure(false);
    prompter.shown.clear();
    const std::string before = logText();
    for (int right = 0; right < RightCount; ++right)
        EXPECT_TRUE(s.CheckPrivilege(right));
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(logText(), before);
}

TEST(RightsTable, CaptionsAndRefusalLines)
{
    EXPECT_EQ(rightCaption(rights::ChangePasswords), "Change Passwords");
    EXPECT_EQ(refusedRightLogLine(rights::OverwriteFiles), "Failed Attempt to Overwrite File");
    EXPECT_EQ(refusedRightLogLine(rights::JobDatabaseReadOnly), "Failed Attempt to Start Job Database (RO)");
    EXPECT_EQ(refusedRightLogLine(8), "");
}

// ----- the password manager -----

TEST_F(UsersTest, PasswordManagerShowsUsersAndStartsNewOnesWithEveryRight)
{
    writeGolden();
    const UserDatabase db = database();
    PasswordManagerModel m(db);
    m.reload();
    EXPECT_EQ(m.userNames(), (std::vector<std::string>{"ADMIN", "bob", "Carl"}));
    EXPECT_EQ(m.selected(), 0);
    const auto admin = m.shownUser();
    EXPECT_EQ(admin.name, "ADMIN");
    EXPECT_EQ(admin.password, "secret");
    EXPECT_EQ(admin.level, 255);
    m.select(-1);
    const auto fresh = m.shownUser();
    EXPECT_EQ(fresh.name, "");
    EXPECT_EQ(fresh.level, 0xFF);
}

TEST_F(UsersTest, PasswordManagerDeleteSelectsTheNeighbour)
{
    writeGolden();
    const UserDatabase db = database();
    PasswordManagerModel m(db);
    m.reload();
    m.select(2);
    EXPECT_EQ(m.deleteQuestion(), "Are you sure you want to delete \"Carl\"?");
    m.deleteSelected();
    EXPECT_EQ(m.selected(), 1); // the last deleted: the one before it
    m.select(0);
    m.deleteSelected();
    EXPECT_EQ(m.selected(), 0); // the item now at the same position
    EXPECT_EQ(m.userNames(), (std::vector<std::string>{"bob"}));
    m.deleteSelected();
    EXPECT_EQ(m.selected(), -1);
    EXPECT_EQ(m.shownUser().level, 0xFF);
    EXPECT_TRUE(db.empty());
}

TEST_F(UsersTest, PasswordManagerBuildsRecordsFromTheTypedTexts)
{
    const UserDatabase db = database();
    PasswordManagerModel m(db);
    m.reload();
    EXPECT_EQ(m.insert({"   ", "x", 1}), "You must enter a name");
    EXPECT_EQ(m.insert({"Op[1]", "x", 1}), "A user name cannot hold \"[\", \"]\", \"=\" or \";\"");
    EXPECT_EQ(m.insert({"Op", "a\xBCz", 1}), "The password cannot hold the character \"\xBC\"");
    EXPECT_FALSE(platform::fileExists(db.path()));

    EXPECT_EQ(m.insert({"Operator One And Two Three", "pw  \t", 0x1FF}), "");
    EXPECT_EQ(m.userNames().back(), "Operator One And Two");
    EXPECT_EQ(m.selected(), 0);
    const auto stored = db.find("Operator One And Two");
    ASSERT_TRUE(stored);
    EXPECT_EQ(UnscramblePassword(stored->Pword), "pw");
    EXPECT_EQ(stored->Level, 0xFF);

    EXPECT_EQ(m.insert({"operator one and two", "", 1}), "A record with that name already exists");
    EXPECT_EQ(m.insert({"Second", "", 2}), "");
    EXPECT_EQ(m.selected(), 1);
    m.select(1);
    EXPECT_EQ(m.modify({"OPERATOR ONE AND TWO", "", 4}), "A record with that name already exists");
    EXPECT_EQ(m.modify({"Third", "", 4}), "");
    EXPECT_EQ(m.userNames(), (std::vector<std::string>{"Operator One And Two", "Third"}));
    EXPECT_EQ(db.find("third")->Level, 4);
}

TEST_F(UsersTest, WhatTheManagerAcceptsReadsBackAsTyped)
{
    // A name or password the database cannot give back is refused; everything else
    // comes back byte for byte.
    const UserDatabase db = database();
    PasswordManagerModel m(db);
    m.reload();
    struct Case { std::string name, password, refusal; };
    const Case cases[] = {
        {"Op1", "\xBBkey\xBB", "The password cannot begin and end with the character \"\xBB\""},
        {"Op2", "\xBB\xBB", "The password cannot begin and end with the character \"\xBB\""},
        {"Op3", "\xBBkey", ""},                     // one quote alone is kept
        {"Op4", "key\xBB", ""},
        {"'Op5'", "x", "A user name cannot begin and end with a quote"},
        {"\"Op6\"", "x", "A user name cannot begin and end with a quote"},
        {"O'p7", "x", ""},
        {"Op\r8", "x", "A user name cannot hold control characters"},
        {"Op\n9", "x", "A user name cannot hold control characters"},
        {"Op\x01" "10", "x", "A user name cannot hold control characters"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(m.insert({c.name, c.password, 1}), c.refusal);
        const auto stored = db.find(c.name);
        ASSERT_EQ(stored.has_value(), c.refusal.empty());
        if (stored) {
            EXPECT_EQ(stored->Name, c.name);
            EXPECT_EQ(UnscramblePassword(stored->Pword), c.password);
        }
    }
}

// ----- the activity log -----

TEST(ActivityLogLine, DateAndTimeWithTheSystemSeparators)
{
    const LocalDateTime when{2026, 12, 1, 17, 4, 9};
    EXPECT_EQ(formatLogLine(when, {'/', ':'}, "-- System Startup --"), "12/01/2026,17:04:09,-- System Startup --");
    EXPECT_EQ(formatLogLine(when, {'.', '.'}, "x"), "12.01.2026,17.04.09,x");
    std::setlocale(LC_TIME, "C");
    const auto sep = systemDateTimeSeparators();
    EXPECT_EQ(sep.date, '/');
    EXPECT_EQ(sep.time, ':');
}

TEST_F(UsersTest, NoLogFileWhenLoggingIsOff)
{
    log.setEnabled(false);
    EXPECT_TRUE(log.write("Modify Passwords"));
    EXPECT_FALSE(platform::fileExists(log.path()));
    log.setEnabled(true);
    EXPECT_TRUE(log.write("Modify Passwords"));
    EXPECT_TRUE(log.write("DNC Send File [O1001.TAP]"));
    EXPECT_EQ(logText(), line("Modify Passwords") + line("DNC Send File [O1001.TAP]"));
}

TEST_F(UsersTest, ALogThatCannotBeWrittenIsReportedOnceAndStopsNothing)
{
    log.setPath(folder.file("no/such/folder/MRWDNC.LOG"));
    log.setPrompter(&prompter);
    EXPECT_FALSE(log.write("one"));
    EXPECT_FALSE(log.write("two"));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Unable to write to the activity log " + log.path());

    // A refused right still refuses when its log line cannot be written.
    writeGolden();
    UserSession s = session();
    ScriptedLogin asker;
    asker.add("bob", "");
    ASSERT_TRUE(s.LoginUser(asker));
    EXPECT_FALSE(s.CheckPrivilege(rights::ChangeSystemSettings));
}

TEST_F(UsersTest, UsersThatCannotBeReadLetNobodyIn)
{
    const std::string golden = testsupport::readFixture(Fixtures, "users_golden.ini");
    testsupport::writeUnreadable(folder, "TKZPWL.INI", golden);
    UserSession s = session();
    ScriptedLogin asker;
    asker.add("ADMIN", "secret");
    testsupport::asOrdinaryUser([&] {
        EXPECT_FALSE(s.LoginUser(asker));
        // The password manager adds no one to it either.
        const UserDatabase db = database();
        PasswordManagerModel m(db);
        m.reload();
        EXPECT_TRUE(m.userNames().empty());
        EXPECT_EQ(m.insert({"Eve", "x", 255}), "Cannot read " + db.path() + ": settings kept in memory only");
    });
    EXPECT_EQ(asker.asked, 0);
    EXPECT_EQ(s.rights(), 0);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Cannot read " + folder.file("TKZPWL.INI") + ": login refused");
    EXPECT_EQ(logText(), line("Login Failed, Cannot Read the User List"));
    EXPECT_EQ(testsupport::readRestored(folder, "TKZPWL.INI"), golden);
}

// A user file that reads but holds no user list is damaged, not "no users": security stays
// on. Only an absent file or an emptied database lets the first user in with every right.
TEST_F(UsersTest, ADamagedUserFileLetsNobodyIn)
{
    struct Case {
        const char* name;
        std::optional<std::string> file; // nothing: no file
        bool refused;
    };
    const Case cases[] = {
        {"index misspelt", std::string("[Indx]\r\nADMIN=#\r\n[Defaults]\r\n_Entries=1\r\n[ADMIN]\r\nName=ADMIN\r\nLevel=255\r\n"), true},
        {"0 bytes", std::string(), true},
        {"random bytes", std::string("\x89\xd3\x00\x1a\x7f=\xff\r\n\x02\xc4]\x9c", 14), true},
        {"defaults only, entries not 0", std::string("[Defaults]\r\n_Entries=2\r\n"), true},
        {"no file", std::nullopt, false},
        {"emptied database", std::string("[Defaults]\r\n_Entries=0\r\n"), false},
        {"empty index", std::string("[Index]\r\n[Defaults]\r\n_Entries=0\r\n"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ::unlink(folder.file("TKZPWL.INI").c_str());
        ::unlink(log.path().c_str());
        prompter.shown.clear();
        if (c.file)
            folder.write("TKZPWL.INI", *c.file);
        UserSession s = session();
        ScriptedLogin asker;
        asker.add("ADMIN", "");
        EXPECT_EQ(s.LoginUser(asker), !c.refused);
        EXPECT_EQ(asker.asked, 0);
        if (c.refused) {
            EXPECT_EQ(s.rights(), 0);
            ASSERT_EQ(prompter.shown.size(), 1u);
            EXPECT_EQ(prompter.shown[0].text, folder.file("TKZPWL.INI") + " holds no user list: login refused");
            EXPECT_EQ(logText(), line("Login Failed, No User List in the User File"));
        } else {
            EXPECT_EQ(s.rights(), 0xFFFF);
            EXPECT_TRUE(prompter.shown.empty());
        }
        if (c.file) {
            EXPECT_EQ(folder.read("TKZPWL.INI"), *c.file);
        }
    }
}

TEST_F(UsersTest, TheDatabasesOwnSectionNamesAreNoUserNames)
{
    writeGolden();
    const UserDatabase db = database();
    PasswordManagerModel m(db);
    m.reload();
    struct Case { const char* typed; const char* name; };
    for (const Case c : {Case{"Index", "Index"}, Case{"INDEX", "INDEX"}, Case{"defaults", "defaults"},
                         Case{" Defaults ", "Defaults"}}) {
        const std::string refusal = std::string("\"") + c.name + "\" cannot be used as a user name";
        EXPECT_EQ(m.insert({c.typed, "", 255}), refusal);
        m.select(0);
        EXPECT_EQ(m.modify({c.typed, "", 255}), refusal);
    }
    EXPECT_THROW(db.insert({"index", "", 255}), UserDatabaseError);
    EXPECT_EQ(folder.read("TKZPWL.INI"), testsupport::readFixture(Fixtures, "users_golden.ini"));

    // A file that such a record was written into (by an older program) shows no phantom
    // user, and nobody logs in as one.
    platform::IniFile(db.path()).edit([](platform::IniEdit& e) {
        e.writeString("Index", "Index", "#");
        e.writeString("Index", "Name", "Index");
        e.writeString("Index", "Level", "255");
    });
    m.reload();
    EXPECT_EQ(m.userNames(), (std::vector<std::string>{"ADMIN", "bob", "Carl"}));
    UserSession s = session();
    ScriptedLogin asker;
    asker.add("Level", "anything");
    EXPECT_FALSE(s.LoginUser(asker));
    EXPECT_EQ(prompter.shown.back().text, "Invalid User Name");
}
