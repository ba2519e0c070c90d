#include "analyzer/engine/recent_file_list.h"

#include "platform/paths.h"

#include <algorithm>

namespace vork {

void RecentFileList::add(const std::string& name)
{
    if (name.empty())
        return;
    remove(name);
    m_entries.insert(m_entries.begin(), name);
    if (m_entries.size() > static_cast<std::size_t>(MaxEntries))
        m_entries.resize(MaxEntries);
}

void RecentFileList::remove(const std::string& name)
{
    std::erase_if(m_entries, [&](const std::string& entry) { return platform::equalsNoCase(entry, name); });
}

void RecentFileList::read(const platform::IniFile& ini)
{
    m_entries.clear();
    const int count = std::clamp(ini.readInt(m_section, "Count", 0), 0, MaxEntries);
    for (int i = 0; i < count; ++i) {
        const std::string entry = ini.readString(m_section, std::to_string(i), "");
        if (!entry.empty())
            m_entries.push_back(entry);
    }
}

void RecentFileList::write(platform::IniFile& ini) const
{
    const int held = static_cast<int>(m_entries.size());
    ini.writeInt(m_section, "Count", held);
    for (int i = 0; i < held; ++i)
        ini.writeString(m_section, std::to_string(i), m_entries[static_cast<std::size_t>(i)]);
    for (int i = held; i < MaxEntries; ++i)
        if (ini.hasKey(m_section, std::to_string(i)))
            ini.eraseKey(m_section, std::to_string(i));
}

} // namespace vork
