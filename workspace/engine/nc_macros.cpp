#include "workspace/engine/nc_macros.h"

#include <map>

namespace mrw {

namespace {

constexpr const char* DialogCaption = "NC-Code Macros";

std::string upper(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

std::string nameKey(int slot) { return "M" + std::to_string(slot) + "N"; }
std::string lineKey(int slot, int line) { return "M" + std::to_string(slot) + "L" + std::to_string(line); }

// True for the key of any line of `slot`: M<slot>L followed by digits, in any case.
bool isLineKeyOf(const std::string& key, int slot)
{
    const std::string prefix = "M" + std::to_string(slot) + "L";
    const std::string k = upper(key);
    if (k.size() <= prefix.size() || k.compare(0, prefix.size(), prefix) != 0)
        return false;
    for (std::size_t i = prefix.size(); i < k.size(); ++i)
        if (k[i] < '0' || k[i] > '9')
            return false;
    return true;
}

// The section read once: values by upper-case key, the first of equal keys winning as
// for a single read.
class SectionValues {
public:
    SectionValues(const platform::IniFile& ini, const std::string& section)
    {
        for (auto& [key, value] : ini.entries(section))
            m_values.emplace(upper(key), value);
    }
    const std::string& operator[](const std::string& key) const
    {
        static const std::string NoMore = NoMoreMark;
        const std::string* value = find(key);
        return value ? *value : NoMore;
    }
    const std::string* find(const std::string& key) const
    {
        const auto it = m_values.find(key);
        return it == m_values.end() ? nullptr : &it->second;
    }

private:
    std::map<std::string, std::string> m_values;
};

int slotIn(const SectionValues& values, const std::string& name)
{
    for (int n = 1; n <= MacroSlots; ++n)
        if (values[nameKey(n)] == name)
            return n;
    return 0;
}

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

// ---- Store ---------------------------------------------------------------------------

NcMacroStore::NcMacroStore(const std::string& databasePath, const std::string& machineName)
    : m_ini(databasePath), m_section(machineName)
{
}

std::vector<std::string> NcMacroStore::names() const
{
    const SectionValues values(m_ini, m_section);
    std::vector<std::string> out;
    for (int n = 1; n <= MacroSlots; ++n)
        if (const std::string& name = values[nameKey(n)]; name != NoMoreMark)
            out.push_back(name);
    return out;
}

int NcMacroStore::slotOf(const std::string& name) const { return slotIn(SectionValues(m_ini, m_section), name); }

std::vector<std::string> NcMacroStore::lines(const std::string& name) const
{
    const SectionValues values(m_ini, m_section);
    std::vector<std::string> out;
    const int slot = slotIn(values, name);
    if (slot == 0)
        return out;
    // The first missing key ends the macro; a line that reads like the end mark is text.
    for (int k = 1;; ++k) {
        const std::string* line = values.find(lineKey(slot, k));
        if (!line)
            return out;
        out.push_back(*line);
    }
}

void NcMacroStore::eraseSlot(int slot)
{
    m_ini.eraseKey(m_section, nameKey(slot));
    for (const std::string& key : m_ini.keys(m_section))
        if (isLineKeyOf(key, slot))
            m_ini.eraseKey(m_section, key);
}

void NcMacroStore::erase(const std::string& name)
{
    if (const int slot = slotOf(name); slot != 0)
        eraseSlot(slot);
}

bool NcMacroStore::save(const std::string& name, const std::vector<std::string>& lines)
{
    const SectionValues values(m_ini, m_section);
    const int own = slotIn(values, name);
    int slot = 0;
    for (int n = 1; n <= MacroSlots && slot == 0; ++n)
        if (n == own || values[nameKey(n)] == NoMoreMark)
            slot = n;
    if (slot == 0)
        return false;
    erase(name);
    // A free slot may still hold the lines of a macro whose name read as free.
    eraseSlot(slot);
    m_ini.writeString(m_section, nameKey(slot), name);
    for (std::size_t k = 0; k < lines.size(); ++k)
        m_ini.writeString(m_section, lineKey(slot, static_cast<int>(k) + 1), lines[k]);
    return true;
}

// ---- Expansion -----------------------------------------------------------------------

std::optional<std::string> expandMacro(const std::vector<std::string>& lines, platform::Prompter& prompter)
{
    const auto tooLong = [&prompter] {
        prompter.message("NC-Code Macro", "The macro's text may have at most 8,191 characters; nothing is inserted.",
                         platform::MessageKind::Error, platform::Buttons::Ok);
        return std::nullopt;
    };
    std::string out;
    std::string previous;
    for (const std::string& line : lines) {
        for (std::size_t i = 0; i < line.size();) {
            std::string piece;
            if (line[i] != '#') {
                piece = line.substr(i++, 1);
            } else if (i + 1 < line.size() && line[i + 1] == '#') {
                piece = "#";
                i += 2;
            } else {
                ++i;
                for (;;) {
                    piece = "0";
                    if (!prompter.inputString("NC-Code Macro", "Enter Setting for Register -" + previous + "-", piece))
                        piece = "0";
                    if (piece.size() <= MacroAnswerLimit)
                        break;
                    prompter.message("NC-Code Macro", "A setting may have at most 79 characters.",
                                     platform::MessageKind::Error, platform::Buttons::Ok);
                }
            }
            out += piece;
            previous = std::move(piece);
            if (out.size() > MacroTextLimit)
                return tooLong();
        }
        out += "\r\n";
        if (out.size() > MacroTextLimit)
            return tooLong();
    }
    return out;
}

std::vector<std::string> macroLinesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

std::string macroTextOf(const std::vector<std::string>& lines)
{
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i)
        text += (i ? "\n" : "") + lines[i];
    return text;
}

// ---- Dialog session ------------------------------------------------------------------

MacroSession::MacroSession(const std::string& databasePath, const std::string& machineName,
                           platform::Prompter& prompter)
    : m_store(databasePath, machineName), m_prompter(prompter), m_hasMachine(!machineName.empty())
{
    if (m_hasMachine)
        m_names = m_store.names();
}

void MacroSession::showError(const std::string& text)
{
    m_prompter.message(DialogCaption, text, platform::MessageKind::Error, platform::Buttons::Ok);
}

bool MacroSession::saveAs(const std::string& name, const std::vector<std::string>& memo)
{
    try {
        if (!m_store.save(name, memo)) {
            showError("All " + std::to_string(MacroSlots) + " macro slots of this machine are in use: \"" + name +
                      "\" is not saved.");
            return false;
        }
    } catch (const platform::IniWriteError& e) {
        showError(e.what());
        return false;
    }
    m_modified = false;
    return true;
}

bool MacroSession::eraseStored(const std::string& name)
{
    try {
        m_store.erase(name);
        return true;
    } catch (const platform::IniWriteError& e) {
        showError(e.what());
        return false;
    }
}

std::optional<std::string> MacroSession::checkedName(std::string name, int ignoreIndex)
{
    name = trimmed(name);
    if (name.empty()) {
        showError("A macro needs a name.");
        return std::nullopt;
    }
    if (name == NoMoreMark) {
        showError(std::string("\"") + NoMoreMark + "\" marks a free macro slot and cannot name a macro.");
        return std::nullopt;
    }
    for (std::size_t i = 0; i < m_names.size(); ++i) {
        if (static_cast<int>(i) != ignoreIndex && m_names[i] == name) {
            showError("A macro named \"" + name + "\" is already listed.");
            return std::nullopt;
        }
    }
    return name;
}

std::optional<std::vector<std::string>> MacroSession::select(int index, const std::vector<std::string>& memo)
{
    if (index < 0 || index >= static_cast<int>(m_names.size()))
        return std::nullopt;
    if (m_modified && m_selected >= 0 && !saveAs(m_current, memo))
        return std::nullopt;
    m_selected = index;
    m_current = m_names[static_cast<std::size_t>(index)];
    m_modified = false;
    return m_store.lines(m_current);
}

bool MacroSession::add(const std::vector<std::string>& memo)
{
    if (!m_hasMachine)
        return false;
    if (m_modified && m_selected >= 0 && !saveAs(m_current, memo))
        return false;
    std::string name = "New Macro";
    if (!m_prompter.inputString("Enter a New Macro Name", "NC-code macros", name))
        name = "New Macro";
    const auto checked = checkedName(name, -1);
    if (!checked)
        return false;
    m_names.push_back(*checked);
    m_selected = static_cast<int>(m_names.size()) - 1;
    m_current = *checked;
    m_modified = true;
    return true;
}

bool MacroSession::editName(const std::vector<std::string>& memo)
{
    if (!m_hasMachine || m_selected < 0)
        return false;
    std::string& listed = m_names[static_cast<std::size_t>(m_selected)];
    std::string name = listed;
    if (!m_prompter.inputString("New Macro Description", "NC-Code Macros", name) || trimmed(name) == listed)
        return false;
    const auto checked = checkedName(name, m_selected);
    if (!checked)
        return false;
    if (!eraseStored(listed))
        return false;
    listed = *checked;
    m_current = *checked;
    m_modified = true; // kept when the save below fails, so the lines are not lost
    saveAs(m_current, memo);
    return true;
}

bool MacroSession::remove()
{
    if (!m_hasMachine || m_selected < 0)
        return false;
    if (m_prompter.message("MARROWIN", "Delete Current Macro ?", platform::MessageKind::Question,
                           platform::Buttons::YesNoDefaultNo) != platform::Button::Yes)
        return false;
    if (!eraseStored(m_current))
        return false;
    m_names.erase(m_names.begin() + m_selected);
    m_selected = -1;
    m_current.clear();
    m_modified = false;
    return true;
}

bool MacroSession::save(const std::vector<std::string>& memo)
{
    if (!m_hasMachine || m_selected < 0)
        return false;
    return saveAs(m_current, memo);
}

MacroSession::Outcome MacroSession::finish(const std::vector<std::string>& memo)
{
    if (m_selected < 0)
        return {};
    if (m_modified && !saveAs(m_current, memo))
        return {Outcome::StayOpen, {}};
    auto text = expandMacro(memo, m_prompter);
    if (!text)
        return {Outcome::StayOpen, {}};
    return {Outcome::Insert, std::move(*text)};
}

} // namespace mrw
