#pragma once
// INI files as the programs and their users have always kept them:
//  - section and key names compare without regard to letter case;
//  - a read gives the text after "=" with blanks around it and one pair of surrounding
//    quotes removed; backslashes, commas and "%" are ordinary characters;
//  - a write changes the lines of its keys and keeps every other line byte for byte,
//    creating the file, the section or the key when missing; new lines end with CR LF;
//  - the file is read again for every read, so two programs sharing it see each other's
//    writes.
// A save is one edit: under a lock file beside the file ("<file>.lck", left in place so
// that every program always locks the same file) the file is read as it stands, the
// save's changes are applied to it and the result replaces the file in one rename, only
// when something changed. Two programs saving at once thus lose nothing of each other's,
// and the file is whole after any interruption.
// The lock file is another user's as often as ours in a shared folder: it is never reached
// through a link (a link planted under its name is removed, the lock file being nothing
// but a name to lock), never anything but a regular file, and only a lock file a save has
// just made gets its mode set. A lock another program holds is waited for a few seconds.
// A file that exists but cannot be read reads as empty and is never written: a write
// throws IniUnreadableError. Any other write that cannot be made throws IniWriteError
// ("Unable to write to <file>: <why>", the why left out where none is known); a file the
// user may not write is refused the same way, never replaced through the folder's rights.
// A symbolic link is followed.
// A bare file name lies in the Windows directory (platform::resolveIniPath).
#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace platform {

class IniWriteError : public std::runtime_error {
public:
    explicit IniWriteError(const std::string& fileName);
    const std::string& fileName() const { return m_fileName; }

protected:
    IniWriteError(const std::string& fileName, const std::string& message);

private:
    std::string m_fileName;
};

// "Cannot read <file>: settings kept in memory only"
std::string unreadableIniMessage(const std::string& path);

// A write refused because the file exists but cannot be read (see unreadableIniMessage).
class IniUnreadableError : public IniWriteError {
public:
    explicit IniUnreadableError(const std::string& fileName);
};

namespace detail {
class IniDocument;
}

// The reads every view of an INI file offers.
class IniReader {
public:
    virtual ~IniReader() = default;

    std::string readString(const std::string& section, const std::string& key,
                           const std::string& defaultValue = {}) const;
    // A value that is not a whole number (decimal, or hex with "$" or "0x") gives the default.
    int readInt(const std::string& section, const std::string& key, int defaultValue) const;
    // Read as a whole number: 0 is false, any other number true.
    bool readBool(const std::string& section, const std::string& key, bool defaultValue) const;
    bool hasKey(const std::string& section, const std::string& key) const;
    bool hasSection(const std::string& section) const;

    // Key names of a section in file order (as spelled in the file).
    std::vector<std::string> keys(const std::string& section) const;
    // Key/value pairs of a section in file order, values as readString gives them.
    std::vector<std::pair<std::string, std::string>> entries(const std::string& section) const;
    // Section names in file order (as spelled in the file).
    std::vector<std::string> sections() const;

    // Every value that readInt or readBool found present but could not read, with what was
    // used instead, one line each in the order read: `[GENERAL] DNCALERT="<00> 1": 0 used`
    // (control bytes shown as <hex>). A program says these at start rather than reset them
    // without a word.
    const std::vector<std::string>& unreadValues() const { return m_unreadValues; }

protected:
    // The text to read: a fresh reading kept alive by `holder`, or a document in hand.
    virtual const detail::IniDocument& document(std::unique_ptr<detail::IniDocument>& holder) const = 0;

private:
    mutable std::vector<std::string> m_unreadValues; // noted by the reads, which stay const
};

// The file as it stands during one save, with the save's changes applied as they are made.
class IniEdit : public IniReader {
public:
    void writeString(const std::string& section, const std::string& key, const std::string& value);
    void writeInt(const std::string& section, const std::string& key, int value);
    // Booleans are written "1" and "0".
    void writeBool(const std::string& section, const std::string& key, bool value);
    void eraseKey(const std::string& section, const std::string& key);
    void eraseSection(const std::string& section);
    // An empty section at the end, when none has that name.
    void addSection(const std::string& section);

private:
    friend class IniFile;
    explicit IniEdit(detail::IniDocument& doc) : m_doc(doc) {}
    const detail::IniDocument& document(std::unique_ptr<detail::IniDocument>&) const override;
    detail::IniDocument& m_doc;
};

class IniFile : public IniReader {
public:
    // name: a path, or a bare name for the Windows directory.
    explicit IniFile(const std::string& name);

    // The resolved path of the file (which may not exist yet).
    const std::string& path() const { return m_path; }

    // True when the file exists but cannot be read (it then reads as empty).
    bool unreadable() const;

    // One save: `change` runs once on the file as it stands, under the lock, and what it
    // changed is written in one piece. Throws IniUnreadableError or IniWriteError, and
    // whatever `change` throws (nothing is written then).
    void edit(const std::function<void(IniEdit&)>& change);

    // Single-key saves.
    void writeString(const std::string& section, const std::string& key, const std::string& value);
    void writeInt(const std::string& section, const std::string& key, int value);
    void writeBool(const std::string& section, const std::string& key, bool value);
    void eraseKey(const std::string& section, const std::string& key);
    void eraseSection(const std::string& section);

private:
    const detail::IniDocument& document(std::unique_ptr<detail::IniDocument>& holder) const override;
    std::string m_path;
};

// What a program says at start about the values of `path` that did not read
// (IniReader::unreadValues): the file, then one value a line. Empty when there are none.
std::string unreadValuesMessage(const std::string& path, const std::vector<std::string>& values);

// How long a save waits for a lock another program holds on the file before it gives up,
// saying which file is locked (the program keeps its settings in memory).
constexpr std::chrono::milliseconds DefaultIniLockWait{5000};
void setIniLockWait(std::chrono::milliseconds wait);

// Strict whole-number reading used for INI integers: blanks around, optional sign,
// decimal digits or "$"/"0x" hex; anything else, or a value outside int, is rejected.
bool parseIniInt(const std::string& text, int& value);

} // namespace platform
