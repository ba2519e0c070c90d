#include "workspace/engine/users.h"

#include "platform/ini.h"
#include "platform/paths.h"
#include "platform/textfile.h"

#include <algorithm>
#include <array>
#include <set>

namespace mrw {

namespace {

constexpr char PasswordKey = static_cast<char>(0x9C);
constexpr const char* IndexSection = "Index";
constexpr const char* DefaultsSection = "Defaults";
constexpr const char* EntriesKey = "_Entries";
constexpr const char* RecordExists = "A record with that name already exists";
constexpr const char* Caption = "MARROWIN";

struct RightText {
    const char* caption;
    const char* refused;
};

constexpr std::array<RightText, RightCount> RightTexts{{
    {"Change System Settings", "Failed Attempt to Change System Settings"},
    {"Overwrite Files", "Failed Attempt to Overwrite File"},
    {"Change Folders", "Failed Attempt to Change Folders"},
    {"Change Passwords", "Failed Attempt to Change Passwords"},
    {"Edit Files", "Failed Attempt to Edit Files"},
    {"DNC Transfers", "Failed Attempt to Run DNC"},
    {"Job Database (Read Only)", "Failed Attempt to Start Job Database (RO)"},
    {"Job Database (Full Access)", "Failed Attempt to Start Job Database"},
}};

bool validRight(int right)
{
    return right >= 0 && right < RightCount;
}

// Keeps at most `limit` characters and drops trailing characters below code 33.
std::string trimTrailingBlanks(std::string text, std::size_t limit)
{
    if (text.size() > limit)
        text.resize(limit);
    while (!text.empty() && static_cast<unsigned char>(text.back()) < 33)
        text.pop_back();
    return text;
}

// Letters a to z in upper case; every other byte as it is.
std::string upperLetters(std::string_view text)
{
    return platform::upperAscii(text);
}

} // namespace

std::string rightCaption(int right)
{
    return validRight(right) ? RightTexts[static_cast<std::size_t>(right)].caption : "";
}

std::string refusedRightLogLine(int right)
{
    return validRight(right) ? RightTexts[static_cast<std::size_t>(right)].refused : "";
}

std::string ScramblePassword(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(c ^ PasswordKey);
    return out;
}

bool isReservedUserName(std::string_view name)
{
    return platform::equalsNoCase(name, IndexSection) || platform::equalsNoCase(name, DefaultsSection);
}

std::string reservedUserNameMessage(std::string_view name)
{
    return "\"" + std::string(name) + "\" cannot be used as a user name";
}

// ---------------------------------------------------------------------------------

UserDatabase::UserDatabase(std::string name) : m_path(platform::IniFile(name).path()) {}

bool UserDatabase::unreadable() const
{
    return platform::IniFile(m_path).unreadable();
}

bool UserDatabase::holdsNoUserList() const
{
    if (!platform::fileExists(m_path))
        return false;
    const platform::IniFile ini(m_path);
    if (ini.unreadable() || ini.hasSection(IndexSection))
        return false;
    return ini.readString(DefaultsSection, EntriesKey) != "0";
}

namespace {

// The users of [Index]: "<name>=#" lines, or names with a record of their own. The keys
// a record written into [Index] itself left there (Name, Pword, Level) are no users, and
// neither are the database's own sections.
std::vector<std::string> indexNames(const platform::IniReader& ini)
{
    std::set<std::string> records;
    for (const auto& section : ini.sections())
        records.insert(platform::upperAscii(section));
    std::vector<std::string> names;
    for (auto& [name, value] : ini.entries(IndexSection))
        if (!isReservedUserName(name) && (value == "#" || records.count(platform::upperAscii(name))))
            names.push_back(std::move(name));
    std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return platform::upperAscii(a) < platform::upperAscii(b);
    });
    return names;
}

bool listed(const std::vector<std::string>& names, const std::string& name)
{
    return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return platform::equalsNoCase(n, name); });
}

void writeRecord(platform::IniEdit& ini, const UserRec& rec)
{
    if (isReservedUserName(rec.Name))
        throw UserDatabaseError(reservedUserNameMessage(rec.Name));
    ini.writeString(rec.Name, "Name", rec.Name);
    if (rec.Pword.empty())
        ini.eraseKey(rec.Name, "Pword");
    else
        ini.writeString(rec.Name, "Pword", rec.Pword);
    ini.writeInt(rec.Name, "Level", rec.Level);
}

} // namespace

std::vector<std::string> UserDatabase::names() const
{
    return indexNames(platform::IniFile(m_path));
}

std::optional<UserRec> UserDatabase::find(const std::string& name) const
{
    for (const auto& key : names()) {
        if (!platform::equalsNoCase(key, name))
            continue;
        const platform::IniFile ini(m_path);
        UserRec rec;
        rec.Name = ini.readString(key, "Name", key);
        rec.Pword = ini.readString(key, "Pword", "");
        rec.Level = ini.readInt(key, "Level", 0);
        return rec;
    }
    return std::nullopt;
}

void UserDatabase::insert(const UserRec& rec) const
{
    platform::IniFile(m_path).edit([&](platform::IniEdit& ini) {
        const auto existing = indexNames(ini);
        if (listed(existing, rec.Name))
            throw UserDatabaseError(RecordExists);
        if (static_cast<int>(existing.size()) >= MaxUsers)
            throw UserDatabaseError("The user database is full");
        if (!ini.hasSection(IndexSection)) { // a new database, in the record database's layout
            ini.addSection(IndexSection);
            ini.writeInt(DefaultsSection, EntriesKey, 0);
        }
        ini.writeString(IndexSection, rec.Name, "#");
        writeRecord(ini, rec);
        ini.writeInt(DefaultsSection, EntriesKey, static_cast<int>(existing.size()) + 1);
    });
}

void UserDatabase::modify(const std::string& oldName, const UserRec& rec) const
{
    platform::IniFile(m_path).edit([&](platform::IniEdit& ini) {
        if (platform::equalsNoCase(oldName, rec.Name)) {
            writeRecord(ini, rec); // the same section: names compare without case
            return;
        }
        if (listed(indexNames(ini), rec.Name))
            throw UserDatabaseError(RecordExists);
        ini.eraseKey(IndexSection, oldName);
        ini.eraseSection(oldName);
        ini.writeString(IndexSection, rec.Name, "#");
        writeRecord(ini, rec);
    });
}

void UserDatabase::remove(const std::string& name) const
{
    platform::IniFile(m_path).edit([&](platform::IniEdit& ini) {
        ini.eraseKey(IndexSection, name);
        if (!isReservedUserName(name))
            ini.eraseSection(name);
        ini.writeInt(DefaultsSection, EntriesKey, static_cast<int>(indexNames(ini).size()));
    });
}

// ---------------------------------------------------------------------------------

UserSession::UserSession(UserDatabase database, ActivityLog& log) : m_database(std::move(database)), m_log(log) {}

void UserSession::show(const std::string& text, platform::MessageKind kind)
{
    if (m_prompter)
        m_prompter->message(Caption, text, kind, platform::Buttons::Ok);
}

bool UserSession::CheckPrivilege(int right, bool showRefusal)
{
    if (!m_useSecure)
        return true;
    const bool granted = validRight(right) && TestPrivilegeBit(right);
    if (!showRefusal || granted)
        return granted;
    show("Insufficient Priviliges for this Function", platform::MessageKind::Warning);
    m_log.write(refusedRightLogLine(right));
    return false;
}

bool UserSession::LoginUser(LoginAsker& asker)
{
    // Users that cannot be read are not "no users": nobody logs in.
    if (m_database.unreadable()) {
        show("Cannot read " + m_database.path() + ": login refused", platform::MessageKind::Error);
        m_log.write("Login Failed, Cannot Read the User List");
        return false;
    }
    // Nor is a damaged one: taking it for an empty database would grant every right.
    if (m_database.holdsNoUserList()) {
        show(m_database.path() + " holds no user list: login refused", platform::MessageKind::Error);
        m_log.write("Login Failed, No User List in the User File");
        return false;
    }
    if (m_database.empty()) {
        m_rights = AllRights;
        return true;
    }
    for (;;) {
        const auto answer = asker.askLogin();
        if (!answer)
            return false;
        m_userName = answer->userName;
        const auto rec = m_database.find(m_userName);
        if (!rec) {
            show("Invalid User Name", platform::MessageKind::Error);
            m_log.write("Login Failed, Invalid User Name [" + m_userName + "]");
            continue;
        }
        if (!rec->Pword.empty()
            && upperLetters(UnscramblePassword(rec->Pword)) != upperLetters(answer->password)) {
            show("Invalid Password", platform::MessageKind::Error);
            // The typed password never goes into the log: it may be another user's.
            m_log.write("Login Failed, Invalid Password [" + m_userName + "]");
            continue;
        }
        m_log.write(">>> Login: User Name [" + m_userName + "] <<<");
        m_rights = rec->Level;
        return true;
    }
}

void UserSession::LogOff()
{
    m_log.write("Log Off: User Name [" + m_userName + "]");
    m_rights = 0;
    m_userName.clear();
}

UserSession& userSession()
{
    static UserSession session(UserDatabase("TKZPWL.INI"), activityLog());
    return session;
}

// ---------------------------------------------------------------------------------

PasswordManagerModel::PasswordManagerModel(const UserDatabase& database) : m_database(database) {}

void PasswordManagerModel::reload()
{
    m_names = m_database.names();
    m_selected = m_names.empty() ? -1 : 0;
}

void PasswordManagerModel::select(int index)
{
    m_selected = index >= 0 && index < static_cast<int>(m_names.size()) ? index : -1;
}

PasswordManagerModel::Shown PasswordManagerModel::shownUser() const
{
    if (m_selected < 0)
        return {{}, {}, 0xFF}; // a new user starts with every right
    const auto rec = m_database.find(m_names[static_cast<std::size_t>(m_selected)]);
    if (!rec)
        return {{}, {}, 0xFF};
    return {rec->Name, UnscramblePassword(rec->Pword), rec->Level};
}

namespace {

// The database's reader takes a value wrapped in one pair of quotes for quoted text
// and drops them, so such a value never reads back as it was written.
bool quotedInDatabase(std::string_view value)
{
    return value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front();
}

} // namespace

std::optional<UserRec> PasswordManagerModel::buildUserRecord(const Shown& typed, std::string& error)
{
    std::string name = trimTrailingBlanks(typed.name, UserFieldLimit);
    name.erase(0, std::min(name.find_first_not_of(" \t"), name.size()));
    const std::string password = trimTrailingBlanks(typed.password, UserFieldLimit);
    if (name.empty()) {
        error = "You must enter a name";
        return std::nullopt;
    }
    if (name.find_first_of("[]=;") != std::string::npos) {
        error = "A user name cannot hold \"[\", \"]\", \"=\" or \";\"";
        return std::nullopt;
    }
    if (std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 32 || c == 127; })) {
        error = "A user name cannot hold control characters";
        return std::nullopt;
    }
    if (isReservedUserName(name)) {
        error = reservedUserNameMessage(name);
        return std::nullopt;
    }
    if (quotedInDatabase(name)) {
        error = "A user name cannot begin and end with a quote";
        return std::nullopt;
    }
    // The scrambled password is one line of the database; a character that would
    // scramble into a line end, a blank or a quote could not be read back.
    for (char c : password) {
        const auto scrambled = static_cast<unsigned char>(c ^ PasswordKey);
        if (scrambled < 33 || scrambled == '"') {
            error = std::string("The password cannot hold the character \"") + c + "\"";
            return std::nullopt;
        }
    }
    if (quotedInDatabase(ScramblePassword(password))) {
        error = std::string("The password cannot begin and end with the character \"") + password.front() + "\"";
        return std::nullopt;
    }
    return UserRec{name, ScramblePassword(password), typed.level & 0xFF};
}

std::string PasswordManagerModel::insert(const Shown& typed)
{
    std::string error;
    const auto rec = buildUserRecord(typed, error);
    if (!rec)
        return error;
    try {
        m_database.insert(*rec);
    } catch (const std::exception& e) {
        return e.what();
    }
    m_names.push_back(rec->Name);
    m_selected = static_cast<int>(m_names.size()) - 1;
    return {};
}

std::string PasswordManagerModel::modify(const Shown& typed)
{
    if (m_selected < 0)
        return {};
    std::string error;
    const auto rec = buildUserRecord(typed, error);
    if (!rec)
        return error;
    try {
        m_database.modify(m_names[static_cast<std::size_t>(m_selected)], *rec);
    } catch (const std::exception& e) {
        return e.what();
    }
    m_names[static_cast<std::size_t>(m_selected)] = rec->Name;
    return {};
}

std::string PasswordManagerModel::deleteQuestion() const
{
    if (m_selected < 0)
        return {};
    const auto rec = m_database.find(m_names[static_cast<std::size_t>(m_selected)]);
    const std::string name = rec ? rec->Name : m_names[static_cast<std::size_t>(m_selected)];
    return "Are you sure you want to delete \"" + name + "\"?";
}

std::string PasswordManagerModel::deleteSelected()
{
    if (m_selected < 0)
        return {};
    try {
        m_database.remove(m_names[static_cast<std::size_t>(m_selected)]);
    } catch (const std::exception& e) {
        return e.what();
    }
    m_names.erase(m_names.begin() + m_selected);
    if (m_names.empty())
        m_selected = -1;
    else
        m_selected = std::min(m_selected, static_cast<int>(m_names.size()) - 1);
    return {};
}

} // namespace mrw
