#include "platform/ini.h"

#include "platform/folders.h"
#include "platform/paths.h"
#include "platform/textfile.h"

#include <charconv>
#include <climits>
#include <optional>

namespace platform {

IniWriteError::IniWriteError(const std::string& fileName)
    : std::runtime_error("Unable to write to " + fileName), m_fileName(fileName)
{
}

namespace {


// One physical line of the file: its bytes without the line end, and the line end
// exactly as found ("\r\n", "\n", "\r" or "" for a last line without one).
struct Line {
    std::string text;
    std::string end;
};

enum class LineKind { Other, Section, Key };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    std::string_view name;  // section or key name, trimmed
    std::string_view value; // key value, trimmed, quotes removed
};

ParsedLine parse(const std::string& text)
{
    ParsedLine p;
    const std::string_view t = trimBlanks(text);
    if (t.empty() || t.front() == ';')
        return p;
    if (t.front() == '[') {
        const auto close = t.find(']');
        p.kind = LineKind::Section;
        p.name = trimBlanks(t.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
        return p;
    }
    const auto eq = t.find('=');
    if (eq == std::string_view::npos)
        return p;
    p.kind = LineKind::Key;
    p.name = trimBlanks(t.substr(0, eq));
    std::string_view v = trimBlanks(t.substr(eq + 1));
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    p.value = v;
    return p;
}

class Document {
public:
    explicit Document(const std::string& path)
    {
        const auto bytes = readFileBytes(path);
        if (!bytes)
            return;
        m_exists = true;
        const std::string& b = *bytes;
        std::size_t start = 0;
        for (std::size_t i = 0; i < b.size(); ++i) {
            if (b[i] == '\r' || b[i] == '\n') {
                const bool crLf = b[i] == '\r' && i + 1 < b.size() && b[i + 1] == '\n';
                const std::size_t endLength = crLf ? 2 : 1;
                m_lines.push_back(Line{b.substr(start, i - start), b.substr(i, endLength)});
                i += endLength - 1;
                start = i + 1;
            }
        }
        if (start < b.size())
            m_lines.push_back(Line{b.substr(start), ""});
    }

    bool exists() const { return m_exists; }
    std::vector<Line>& lines() { return m_lines; }
    const std::vector<Line>& lines() const { return m_lines; }

    // Index of the header of the first section with that name.
    std::optional<std::size_t> findSection(const std::string& section) const
    {
        for (std::size_t i = 0; i < m_lines.size(); ++i) {
            const ParsedLine p = parse(m_lines[i].text);
            if (p.kind == LineKind::Section && equalsNoCase(p.name, section))
                return i;
        }
        return std::nullopt;
    }

    // One past the last line of the section whose header is at index header.
    std::size_t sectionEnd(std::size_t header) const
    {
        std::size_t i = header + 1;
        while (i < m_lines.size() && parse(m_lines[i].text).kind != LineKind::Section)
            ++i;
        return i;
    }

    std::optional<std::size_t> findKey(std::size_t header, const std::string& key) const
    {
        const std::size_t end = sectionEnd(header);
        for (std::size_t i = header + 1; i < end; ++i) {
            const ParsedLine p = parse(m_lines[i].text);
            if (p.kind == LineKind::Key && equalsNoCase(p.name, key))
                return i;
        }
        return std::nullopt;
    }

    std::string bytes() const
    {
        std::string out;
        for (const auto& l : m_lines) {
            out += l.text;
            out += l.end;
        }
        return out;
    }

    // Makes sure the line before an insertion point ends, so a new line starts cleanly.
    void terminateLine(std::size_t index)
    {
        if (index < m_lines.size() && m_lines[index].end.empty())
            m_lines[index].end = "\r\n";
    }

private:
    std::vector<Line> m_lines;
    bool m_exists = false;
};

void save(const std::string& path, const Document& doc)
{
    if (!saveFileAtomic(path, doc.bytes(), nullptr, false))
        throw IniWriteError(path);
}

} // namespace

bool parseIniInt(const std::string& text, int& value)
{
    std::string_view t = trimBlanks(text);
    bool negative = false;
    if (!t.empty() && (t.front() == '+' || t.front() == '-')) {
        negative = t.front() == '-';
        t.remove_prefix(1);
    }
    int base = 10;
    if (!t.empty() && t.front() == '$') {
        base = 16;
        t.remove_prefix(1);
    } else if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
        base = 16;
        t.remove_prefix(2);
    }
    if (t.empty())
        return false;
    long long magnitude = 0;
    const auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), magnitude, base);
    if (ec != std::errc() || ptr != t.data() + t.size() || magnitude < 0)
        return false;
    const long long v = negative ? -magnitude : magnitude;
    if (v < INT_MIN || v > INT_MAX)
        return false;
    value = static_cast<int>(v);
    return true;
}

IniFile::IniFile(const std::string& name)
    : m_path(resolveIniPath(name))
{
}

std::string IniFile::readString(const std::string& section, const std::string& key,
                                const std::string& defaultValue) const
{
    const Document doc(m_path);
    const auto header = doc.findSection(section);
    if (!header)
        return defaultValue;
    const auto line = doc.findKey(*header, key);
    if (!line)
        return defaultValue;
    return std::string(parse(doc.lines()[*line].text).value);
}

int IniFile::readInt(const std::string& section, const std::string& key, int defaultValue) const
{
    int value = defaultValue;
    if (!hasKey(section, key) || !parseIniInt(readString(section, key), value))
        return defaultValue;
    return value;
}

bool IniFile::readBool(const std::string& section, const std::string& key, bool defaultValue) const
{
    return readInt(section, key, defaultValue ? 1 : 0) != 0;
}

bool IniFile::hasKey(const std::string& section, const std::string& key) const
{
    const Document doc(m_path);
    const auto header = doc.findSection(section);
    return header && doc.findKey(*header, key);
}

bool IniFile::hasSection(const std::string& section) const
{
    return Document(m_path).findSection(section).has_value();
}

void IniFile::writeString(const std::string& section, const std::string& key, const std::string& value)
{
    Document doc(m_path);
    auto& lines = doc.lines();
    const auto header = doc.findSection(section);
    if (!header) {
        if (!lines.empty())
            doc.terminateLine(lines.size() - 1);
        lines.push_back(Line{"[" + section + "]", "\r\n"});
        lines.push_back(Line{key + "=" + value, "\r\n"});
    } else if (const auto existing = doc.findKey(*header, key)) {
        // Keep the key as spelled in the file; only the value changes.
        const std::string name(parse(lines[*existing].text).name);
        lines[*existing].text = name + "=" + value;
    } else {
        // A new key goes after the last non-blank line of its section.
        std::size_t at = doc.sectionEnd(*header);
        while (at > *header + 1 && trimBlanks(lines[at - 1].text).empty())
            --at;
        doc.terminateLine(at - 1);
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), Line{key + "=" + value, "\r\n"});
    }
    save(m_path, doc);
}

void IniFile::writeInt(const std::string& section, const std::string& key, int value)
{
    writeString(section, key, std::to_string(value));
}

void IniFile::writeBool(const std::string& section, const std::string& key, bool value)
{
    writeString(section, key, value ? "1" : "0");
}

void IniFile::eraseKey(const std::string& section, const std::string& key)
{
    Document doc(m_path);
    const auto header = doc.findSection(section);
    if (!header)
        return;
    const auto line = doc.findKey(*header, key);
    if (!line)
        return;
    doc.lines().erase(doc.lines().begin() + static_cast<std::ptrdiff_t>(*line));
    save(m_path, doc);
}

void IniFile::eraseSection(const std::string& section)
{
    Document doc(m_path);
    const auto header = doc.findSection(section);
    if (!header)
        return;
    const std::size_t end = doc.sectionEnd(*header);
    auto& lines = doc.lines();
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(*header),
                lines.begin() + static_cast<std::ptrdiff_t>(end));
    save(m_path, doc);
}

std::vector<std::string> IniFile::keys(const std::string& section) const
{
    std::vector<std::string> out;
    for (auto& [k, v] : entries(section))
        out.push_back(k);
    return out;
}

std::vector<std::pair<std::string, std::string>> IniFile::entries(const std::string& section) const
{
    std::vector<std::pair<std::string, std::string>> out;
    const Document doc(m_path);
    const auto header = doc.findSection(section);
    if (!header)
        return out;
    const std::size_t end = doc.sectionEnd(*header);
    for (std::size_t i = *header + 1; i < end; ++i) {
        const ParsedLine p = parse(doc.lines()[i].text);
        if (p.kind == LineKind::Key)
            out.emplace_back(std::string(p.name), std::string(p.value));
    }
    return out;
}

std::vector<std::string> IniFile::sections() const
{
    std::vector<std::string> out;
    const Document doc(m_path);
    for (const auto& line : doc.lines()) {
        const ParsedLine p = parse(line.text);
        if (p.kind == LineKind::Section)
            out.emplace_back(p.name);
    }
    return out;
}

} // namespace platform
