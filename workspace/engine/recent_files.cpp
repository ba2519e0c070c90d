#include "workspace/engine/recent_files.h"

#include <algorithm>
#include <vector>

namespace mrw {

namespace {
constexpr const char* MruSection = "MRU";
}

void RecentFiles::add(const std::string& name)
{
    std::vector<std::string> kept;
    for (const auto& e : m_entries)
        if (e != name)
            kept.push_back(e);
    kept.resize(Count - 1);
    m_entries[0] = name;
    std::copy(kept.begin(), kept.end(), m_entries.begin() + 1);
}

void RecentFiles::load(const platform::IniFile& ini)
{
    for (int i = 0; i < Count; ++i)
        m_entries[static_cast<std::size_t>(i)] = ini.readString(MruSection, std::to_string(i));
}

void RecentFiles::save(platform::IniFile& ini) const
{
    // One save of the whole list: of two programs closing at once, the last one's list stays.
    ini.edit([&](platform::IniEdit& edit) {
        for (int i = 0; i < Count; ++i)
            edit.writeString(MruSection, std::to_string(i), m_entries[static_cast<std::size_t>(i)]);
    });
}

std::string RecentFiles::menuCaption(int index, const std::string& name)
{
    const int number = index + 1;
    std::string caption;
    if (number == 10)
        caption = "1&0";
    else
        caption = "&" + std::to_string(number);
    return caption + " " + name;
}

int UntitledNumbers::take()
{
    for (int n = 1; n <= Highest; ++n) {
        if (!m_used[static_cast<std::size_t>(n)]) {
            m_used[static_cast<std::size_t>(n)] = true;
            return n;
        }
    }
    return 0;
}

void UntitledNumbers::release(int number)
{
    if (number >= 1 && number <= Highest)
        m_used[static_cast<std::size_t>(number)] = false;
}

bool UntitledNumbers::inUse(int number) const
{
    return number >= 1 && number <= Highest && m_used[static_cast<std::size_t>(number)];
}

std::string UntitledNumbers::caption(int number)
{
    return "NONAME" + std::to_string(number);
}

} // namespace mrw
