#pragma once
// Users, their rights and logging in. The user database TKZPWL.INI lies in the Windows
// directory (opened by its bare name) and keeps the layout of the record database that
// has always written it: [Index] with one "<name>=#" per user (sorted), [Defaults] with
// "_Entries", and one section per user with Name, Pword (scrambled) and Level.
#include "workspace/engine/activity_log.h"

#include "platform/host.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace mrw {

inline constexpr std::size_t UserFieldLimit = 20; // characters typed for a name or password
inline constexpr int MaxUsers = 999;
inline constexpr int AllRights = 0xFFFF;

namespace rights {
inline constexpr int ChangeSystemSettings = 0, OverwriteFiles = 1, ChangeFolders = 2, ChangePasswords = 3,
                     EditFiles = 4, DncTransfers = 5, JobDatabaseReadOnly = 6, JobDatabaseFull = 7;
}
inline constexpr int RightCount = 8;

// Caption of a right's check box and the log line written when it is refused.
std::string rightCaption(int right);
std::string refusedRightLogLine(int right);

struct UserRec {
    std::string Name;
    std::string Pword; // scrambled
    int Level = 0;
    bool operator==(const UserRec&) const = default;
};

// Every character XORed with the password key; one routine serves both ways.
std::string ScramblePassword(std::string_view text);
inline std::string UnscramblePassword(std::string_view text) { return ScramblePassword(text); }

// The database's own sections, [Index] and [Defaults] (any letter case), are no user names.
bool isReservedUserName(std::string_view name);
std::string reservedUserNameMessage(std::string_view name);

class UserDatabaseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class UserDatabase {
public:
    explicit UserDatabase(std::string name = "TKZPWL.INI");
    const std::string& path() const { return m_path; }
    // True when the file exists but cannot be read ("no users" is another answer).
    bool unreadable() const;
    // True when the file exists and reads but holds no user list: neither an [Index] nor
    // the "_Entries=0" an emptied database keeps. Such a file is damaged, not "no users".
    bool holdsNoUserList() const;

    // The users' names in index order.
    std::vector<std::string> names() const;
    bool empty() const { return names().empty(); }
    // The record of a name (compared without regard to case).
    std::optional<UserRec> find(const std::string& name) const;
    // Throws UserDatabaseError "A record with that name already exists" (or when full).
    void insert(const UserRec& rec) const;
    // Stores rec in place of the user `oldName`. Under another user's name it throws
    // UserDatabaseError "A record with that name already exists".
    void modify(const std::string& oldName, const UserRec& rec) const;
    void remove(const std::string& name) const;

private:
    std::string m_path;
};

// Asks for a user name and a password; nothing when cancelled.
class LoginAsker {
public:
    struct Answer {
        std::string userName;
        std::string password;
    };
    virtual ~LoginAsker() = default;
    virtual std::optional<Answer> askLogin() = 0;
};

// The current user: rights, name, and the rights check the commands call.
class UserSession {
public:
    UserSession(UserDatabase database, ActivityLog& log);

    void setPrompter(platform::Prompter* prompter) { m_prompter = prompter; }
    platform::Prompter* prompter() const { return m_prompter; }
    // USESECURE: with security off every right is granted.
    void setUseSecure(bool on) { m_useSecure = on; }
    bool useSecure() const { return m_useSecure; }
    const UserDatabase& database() const { return m_database; }

    int rights() const { return m_rights; }
    const std::string& CurrentUserName() const { return m_userName; }

    bool CheckPrivilege(int right, bool show = true);
    bool TestPrivilegeBit(int right) const { return (m_rights >> right) & 1; }
    bool LoginUser(LoginAsker& asker);
    void LogOff();

private:
    void show(const std::string& text, platform::MessageKind kind);
    UserDatabase m_database;
    ActivityLog& m_log;
    platform::Prompter* m_prompter = nullptr;
    bool m_useSecure = false;
    int m_rights = 0;
    std::string m_userName;
};

// The session of the run, on the user database TKZPWL.INI and the run's activity log.
UserSession& userSession();

// The password manager's logic: the list of users, the shown user and its commands.
class PasswordManagerModel {
public:
    struct Shown {
        std::string name;
        std::string password; // plain
        int level = 0;
    };

    explicit PasswordManagerModel(const UserDatabase& database);

    // Reloads the list from the database and selects the first user (or none).
    void reload();
    const std::vector<std::string>& userNames() const { return m_names; }
    int selected() const { return m_selected; }
    void select(int index);
    // What the edits and the right boxes show: the selected user, or empty edits with
    // every right checked when nothing is selected.
    Shown shownUser() const;

    // Inserts a user from the typed values. Returns "" on success, else the message.
    std::string insert(const Shown& typed);
    // Stores the typed values in place of the selected user. Returns "" on success,
    // the message otherwise; "beep" requests a beep (no selection).
    std::string modify(const Shown& typed);
    // The question before deleting the selected user ("" when nothing is selected).
    std::string deleteQuestion() const;
    // Deletes the selected user; the item at the same position, or the one before it,
    // is selected afterwards. Returns "" on success, else the message (nothing changed).
    std::string deleteSelected();

    // A record from typed values: trailing characters below code 33 removed, at most
    // 20 characters; an empty name gives the error "You must enter a name".
    static std::optional<UserRec> buildUserRecord(const Shown& typed, std::string& error);

private:
    const UserDatabase& m_database;
    std::vector<std::string> m_names;
    int m_selected = -1;
};

} // namespace mrw
