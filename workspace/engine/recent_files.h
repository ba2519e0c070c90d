#pragma once
// The twelve most recent files of the File menu, index 0 the newest, kept in
// section [MRU] of MRW2013.INI under the keys "0" to "11".
#include "platform/ini.h"

#include <array>
#include <string>

namespace mrw {

class RecentFiles {
public:
    static constexpr int Count = 12;

    const std::string& entry(int index) const { return m_entries.at(static_cast<std::size_t>(index)); }
    const std::array<std::string, Count>& entries() const { return m_entries; }

    // Moves (or puts) the name to the front; every other copy of it leaves the list.
    void add(const std::string& name);

    void load(const platform::IniFile& ini);
    // Throws platform::IniWriteError.
    void save(platform::IniFile& ini) const;

    // The File menu caption of entry index: "&1 " .. "&9 ", "1&0 ", "&11 ", "&12 ".
    static std::string menuCaption(int index, const std::string& name);

private:
    std::array<std::string, Count> m_entries;
};

// The numbers of the untitled windows "NONAME1" .. "NONAME255" now in use.
class UntitledNumbers {
public:
    static constexpr int Highest = 255;

    // The smallest free number, now taken; 0 when all are in use.
    int take();
    void release(int number);
    bool inUse(int number) const;

    // The caption of an untitled window.
    static std::string caption(int number);

private:
    std::array<bool, Highest + 1> m_used{};
};

} // namespace mrw
