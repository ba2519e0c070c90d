#pragma once
// A recent-file list of the analyzer: at most four names, the most recent first, kept in
// a section of ZV.INI under the keys "Count" and "0", "1", ... ("0" the most recent).
// MRW2013 writes entry "0" of these sections before it starts the analyzer, so a list
// read here picks up the job it hands over.
#include "platform/ini.h"

#include <string>
#include <vector>

namespace vork {

inline constexpr const char* RecentNcFilesSection = "mdvform.OvcMenuMRU1.Items";
inline constexpr const char* RecentMachineFilesSection = "mdvform.OvcMenuMRU2.Items";
inline constexpr const char* RecentOperationFilesSection = "Operationsdlg.OvcMenuMRU1.Items";

class RecentFileList {
public:
    static constexpr int MaxEntries = 4;

    explicit RecentFileList(std::string section) : m_section(std::move(section)) {}

    const std::string& section() const { return m_section; }
    const std::vector<std::string>& entries() const { return m_entries; }
    bool empty() const { return m_entries.empty(); }
    // Entry 0 (the most recent), or "" when the list is empty.
    std::string first() const { return m_entries.empty() ? std::string() : m_entries.front(); }

    // Puts name first; an entry equal to it (letter case ignored) moves rather than repeats,
    // and the fifth is dropped.
    void add(const std::string& name);
    void remove(const std::string& name);
    void clear() { m_entries.clear(); }

    // Reads "Count" entries (at most four; empty entries are passed over).
    void read(const platform::IniFile& ini);
    // Writes "Count" and every entry, and removes keys of entries no longer held.
    void write(platform::IniFile& ini) const;

private:
    std::string m_section;
    std::vector<std::string> m_entries;
};

} // namespace vork
