#pragma once
// INI files as the programs and their users have always kept them, key by key:
//  - section and key names compare without regard to letter case;
//  - a read gives the text after "=" with blanks around it and one pair of surrounding
//    quotes removed; backslashes, commas and "%" are ordinary characters;
//  - a write changes that one line and keeps every other line byte for byte, creating
//    the file, the section or the key when missing; new lines end with CR LF;
//  - the file is read again for every call, so two programs sharing it see each other's
//    writes, and a write that cannot be made throws IniWriteError("Unable to write to <file>").
// A bare file name lies in the Windows directory (platform::resolveIniPath).
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace platform {

class IniWriteError : public std::runtime_error {
public:
    explicit IniWriteError(const std::string& fileName);
    const std::string& fileName() const { return m_fileName; }

private:
    std::string m_fileName;
};

class IniFile {
public:
    // name: a path, or a bare name for the Windows directory.
    explicit IniFile(const std::string& name);

    // The resolved path of the file (which may not exist yet).
    const std::string& path() const { return m_path; }

    std::string readString(const std::string& section, const std::string& key,
                           const std::string& defaultValue = {}) const;
    // A value that is not a whole number (decimal, or hex with "$" or "0x") gives the default.
    int readInt(const std::string& section, const std::string& key, int defaultValue) const;
    // Read as a whole number: 0 is false, any other number true.
    bool readBool(const std::string& section, const std::string& key, bool defaultValue) const;
    bool hasKey(const std::string& section, const std::string& key) const;
    bool hasSection(const std::string& section) const;

    void writeString(const std::string& section, const std::string& key, const std::string& value);
    void writeInt(const std::string& section, const std::string& key, int value);
    // Booleans are written "1" and "0".
    void writeBool(const std::string& section, const std::string& key, bool value);
    void eraseKey(const std::string& section, const std::string& key);
    void eraseSection(const std::string& section);

    // Key names of a section in file order (as spelled in the file).
    std::vector<std::string> keys(const std::string& section) const;
    // Key/value pairs of a section in file order, values as readString gives them.
    std::vector<std::pair<std::string, std::string>> entries(const std::string& section) const;
    // Section names in file order (as spelled in the file).
    std::vector<std::string> sections() const;

private:
    std::string m_path;
};

// Strict whole-number reading used for INI integers: blanks around, optional sign,
// decimal digits or "$"/"0x" hex; anything else, or a value outside int, is rejected.
bool parseIniInt(const std::string& text, int& value);

} // namespace platform
