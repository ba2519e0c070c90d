#include "workspace/engine/file_compare.h"

#include "platform/format.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <unordered_map>

namespace mrw {

namespace {

bool isBlankChar(char c)
{
    return static_cast<unsigned char>(c) <= 32;
}

std::string_view trimTrailing(std::string_view s)
{
    while (!s.empty() && isBlankChar(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string_view trimLeading(std::string_view s)
{
    while (!s.empty() && isBlankChar(s.front()))
        s.remove_prefix(1);
    return s;
}

// Letter case folded for ASCII and the Latin-1 letters.
unsigned char foldCase(unsigned char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
        return static_cast<unsigned char>(c - 32);
    return c;
}

bool equalIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (foldCase(static_cast<unsigned char>(a[i])) != foldCase(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string lowerAscii(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// The extension with its dot, taken from the name after the last folder separator.
std::string extensionOf(const std::string& fileName)
{
    const std::size_t slash = fileName.find_last_of("/\\");
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string::npos || dot < start)
        return {};
    return fileName.substr(dot);
}

std::string folderOf(const std::string& fileName)
{
    const std::size_t slash = fileName.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : fileName.substr(0, slash + 1);
}

std::string withThousands(std::uintmax_t value)
{
    std::string digits = std::to_string(value);
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i != 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

} // namespace

SourceListError::SourceListError(long index)
    : std::runtime_error(platform::format("Out-of-range SourceList index: %d.", {index}))
{
}

SourceLoadError::SourceLoadError(const std::string& fileName)
    : std::runtime_error("Cannot load file: " + fileName + "\r to source list for processing.")
{
}

// ---- File information ----------------------------------------------------------------

std::string FormatCompareDate(std::time_t when)
{
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm parts{};
    if (!localtime_r(&when, &parts))
        return "BAD FILE DATE";
    return platform::format("%.2d-%s-%.4d %.2d:%.2d:%.2d",
                            {parts.tm_mday, months[parts.tm_mon], parts.tm_year + 1900, parts.tm_hour,
                             parts.tm_min, parts.tm_sec});
}

TFileInfo::TFileInfo(std::string fullName)
    : m_fullName(std::move(fullName))
{
    m_folder = folderOf(m_fullName);
    m_name = m_fullName.substr(m_folder.size());
    struct stat info {};
    if (::stat(m_fullName.c_str(), &info) == 0) {
        m_found = true;
        m_size = static_cast<std::uintmax_t>(info.st_size);
        m_modified = info.st_mtime;
        m_readOnly = (info.st_mode & S_IWUSR) == 0;
    }
}

std::string TFileInfo::DateText() const
{
    if (DateTime() == 0)
        return "DATE UNKNOWN";
    return FormatCompareDate(DateTime());
}

std::string TFileInfo::InfoLine() const
{
    if (DateTime() == 0)
        return {};
    std::string attributes = "----";
    if (m_readOnly)
        attributes[0] = 'R';
    if (!m_name.empty() && m_name[0] == '.')
        attributes[3] = 'H';
    return platform::format("%12s  Size: %6s  Date: %s  %s",
                            {m_name, withThousands(m_size), DateText(), attributes});
}

// ---- Source list ---------------------------------------------------------------------

void TSourceList::SetFileName(const std::string& name)
{
    if (name != m_fileName) {
        m_fileName = name;
        m_folder = folderOf(name);
    }
    m_bytes.clear();
    m_lines.clear();
}

void TSourceList::Load()
{
    // Read whole in one piece of the file's size: no growing copies of a large program.
    std::FILE* file = std::fopen(m_fileName.c_str(), "rb");
    if (!file)
        throw SourceLoadError(m_fileName);
    std::string bytes;
    struct stat info {};
    if (::fstat(fileno(file), &info) == 0 && info.st_size > 0)
        bytes.resize(static_cast<std::size_t>(info.st_size));
    std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
    bytes.resize(got);
    char buffer[65536]; // a file that grew since, or one without a size (a pipe)
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed)
        throw SourceLoadError(m_fileName);
    SetText(std::move(bytes));
}

void TSourceList::SetText(std::string bytes)
{
    m_bytes = std::move(bytes);
    m_lines.clear();
    const std::size_t size = m_bytes.size();
    m_lines.reserve(static_cast<std::size_t>(std::count(m_bytes.begin(), m_bytes.end(), '\n')) + 1);
    std::size_t begin = 0;
    const char* const text = m_bytes.data();
    for (std::size_t i = 0; i < size; ++i) {
        // Eight bytes at a time to the first that may end a line (one below 14; the first
        // byte the test marks is always such a byte).
        constexpr std::uint64_t Ones = 0x0101010101010101ull;
        for (std::uint64_t word; i + 8 <= size; i += 8) {
            std::memcpy(&word, text + i, 8);
            const std::uint64_t low = (word - 14 * Ones) & ~word & (0x80 * Ones);
            if (low != 0) {
                if constexpr (std::endian::native == std::endian::little)
                    i += static_cast<std::size_t>(std::countr_zero(low) / 8);
                break;
            }
        }
        if (i >= size)
            break;
        const char c = text[i];
        if (c != '\n' && c != '\r')
            continue;
        m_lines.push_back({begin, i});
        if (c == '\r' && i + 1 < size && m_bytes[i + 1] == '\n')
            ++i;
        begin = i + 1;
    }
    if (begin < size)
        m_lines.push_back({begin, size});
    Reset();
}

void TSourceList::Reset()
{
    m_firstDifference = 0;
    m_lastDifference = 0;
    m_index = 0;
    m_atEnd = m_index > Last();
}

void TSourceList::Next()
{
    if (m_atEnd)
        throw SourceListError(m_index);
    ++m_index;
    m_atEnd = m_index > Last();
}

void TSourceList::Prev()
{
    if (m_index <= 0)
        throw SourceListError(m_index);
    --m_index;
    m_atEnd = m_index > Last();
}

void TSourceList::MarkDifference()
{
    if (m_firstDifference == 0)
        m_firstDifference = m_index + 1;
    m_lastDifference = m_index + 1;
}

std::string_view TSourceList::GetLine(long base, long offset) const
{
    const long position = base + offset;
    if (position > Last())
        return {};
    if (!m_atEnd && position >= 0)
        return Line(position);
    throw SourceListError(position);
}

std::string_view TSourceList::Line(long i) const
{
    if (i < 0 || i >= Count())
        return {};
    const Span& span = m_lines[static_cast<std::size_t>(i)];
    return std::string_view(m_bytes).substr(span.begin, span.end - span.begin);
}

// ---- Line tests ----------------------------------------------------------------------

bool IsBlankLine(std::string_view line)
{
    return std::all_of(line.begin(), line.end(), isBlankChar);
}

bool TCompareTextLines::SetLines(std::string_view a, std::string_view b)
{
    m_a = a;
    m_b = b;
    return a == b;
}

bool TCompareTextLines::LinesEqual(std::string_view a, std::string_view b) const
{
    a = trimTrailing(a);
    b = trimTrailing(b);
    if (m_excludeLeading) {
        a = trimLeading(a);
        b = trimLeading(b);
    }
    return m_caseSensitive ? a == b : equalIgnoringCase(a, b);
}

namespace {

// Offers each piece of `longer` in order to `take`, which says whether it was found;
// `tick` is called every few thousand pieces. Returns how many were found.
template <class Take>
std::size_t countPieces(std::string_view longer, std::size_t piece, const std::function<void()>& tick, Take take)
{
    std::size_t found = 0;
    std::size_t pieces = 0;
    for (std::size_t at = 0; at < longer.size(); at += piece) {
        if (tick && ++pieces % 4096 == 0)
            tick();
        if (take(longer.substr(at, piece)))
            ++found;
    }
    return found;
}

// The plain search: fast for the lines of an NC program.
std::size_t countFoundPiecesPlain(std::string_view longer, std::string other, std::size_t piece,
                                  const std::function<void()>& tick)
{
    return countPieces(longer, piece, tick, [&other](std::string_view part) {
        const std::size_t where = other.find(part);
        if (where == std::string::npos)
            return false;
        other.erase(where, part.size());
        return true;
    });
}

} // namespace

// The characters of `other` that are still there form a linked list; every run of
// `piece` of them that starts at a character is indexed by its bytes, so the first
// occurrence of a piece is the lowest position under its key. Taking a piece out
// changes only the runs that started up to piece - 1 characters before it.
std::size_t CountFoundPiecesIndexed(std::string_view longer, std::string_view other, std::size_t piece,
                                    const std::function<void()>& tick)
{
    piece = std::clamp<std::size_t>(piece, 1, 5);
    const int n = static_cast<int>(other.size());
    constexpr std::uint64_t None = ~std::uint64_t{0};
    std::vector<int> next(static_cast<std::size_t>(n)), prev(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        next[static_cast<std::size_t>(i)] = i + 1 < n ? i + 1 : -1;
        prev[static_cast<std::size_t>(i)] = i - 1;
    }
    int first = n > 0 ? 0 : -1;
    const auto keyOf = [](std::string_view bytes) {
        std::uint64_t key = bytes.size();
        for (char c : bytes)
            key = (key << 8) | static_cast<unsigned char>(c);
        return key;
    };
    std::vector<std::uint64_t> runAt(static_cast<std::size_t>(n), None);
    std::unordered_map<std::uint64_t, std::set<int>> starts;
    const auto runFrom = [&](int c) {
        std::uint64_t key = piece;
        for (std::size_t k = 0; k < piece; ++k, c = next[static_cast<std::size_t>(c)]) {
            if (c < 0)
                return None;
            key = (key << 8) | static_cast<unsigned char>(other[static_cast<std::size_t>(c)]);
        }
        return key;
    };
    const auto index = [&](int c) {
        const std::uint64_t key = runFrom(c);
        runAt[static_cast<std::size_t>(c)] = key;
        if (key != None)
            starts[key].insert(c);
    };
    const auto unindex = [&](int c) {
        std::uint64_t& key = runAt[static_cast<std::size_t>(c)];
        if (key != None) {
            const auto it = starts.find(key);
            it->second.erase(c);
            if (it->second.empty())
                starts.erase(it);
        }
        key = None;
    };
    for (int i = 0; i < n; ++i)
        index(i);

    return countPieces(longer, piece, tick, [&](std::string_view part) {
        if (part.size() < piece) {
            // The short last piece: one plain search over what is left.
            std::string rest;
            for (int c = first; c >= 0; c = next[static_cast<std::size_t>(c)])
                rest += other[static_cast<std::size_t>(c)];
            return rest.find(part) != std::string::npos;
        }
        const auto it = starts.find(keyOf(part));
        if (it == starts.end())
            return false;
        const int start = *it->second.begin();
        std::vector<int> before;
        for (int b = prev[static_cast<std::size_t>(start)]; b >= 0 && before.size() + 1 < piece;
             b = prev[static_cast<std::size_t>(b)])
            before.push_back(b);
        for (int b : before)
            unindex(b);
        int last = start;
        for (std::size_t k = 0; k < piece; ++k) {
            unindex(last);
            if (k + 1 < piece)
                last = next[static_cast<std::size_t>(last)];
        }
        const int left = prev[static_cast<std::size_t>(start)];
        const int right = next[static_cast<std::size_t>(last)];
        (left >= 0 ? next[static_cast<std::size_t>(left)] : first) = right;
        if (right >= 0)
            prev[static_cast<std::size_t>(right)] = left;
        for (int b : before)
            index(b);
        return true;
    });
}

std::size_t CountFoundPieces(std::string_view longer, std::string_view other, std::size_t piece,
                             const std::function<void()>& tick)
{
    // Past a few hundred characters the plain search grows with the square of the length.
    if (longer.size() <= 512 && other.size() <= 512)
        return countFoundPiecesPlain(longer, std::string(other), piece, tick);
    return CountFoundPiecesIndexed(longer, other, piece, tick);
}

bool TCompareTextLines::LinesSimilar(const std::function<void()>& tick)
{
    const std::string_view a = trimLeading(m_a);
    const std::string_view b = trimLeading(m_b);
    const bool secondLonger = b.size() >= a.size();
    const std::string_view longer = secondLonger ? b : a;
    m_allPiecesFound = false;
    const std::size_t piece = std::clamp<std::size_t>(longer.size() / 5, 1, 5);
    const std::size_t pieces = (longer.size() + piece - 1) / piece;
    if (pieces == 0)
        return false;
    const std::size_t found = CountFoundPieces(longer, secondLonger ? a : b, piece, tick);
    m_allPiecesFound = found == pieces;
    return m_allPiecesFound || found * 100 / pieces >= 60;
}

// ---- The compare run -----------------------------------------------------------------

const char* const NonAsciiMessage = "Non-ASCII Files can't be analyzed.\r(in this version)";

int CompareRow::textFile() const
{
    switch (code) {
    case 'D': case 'E': case 'R': case 'S':
        return 2;
    default:
        return 1;
    }
}

std::string ChangeLabel(char code, bool singleFileDisplay)
{
    switch (code) {
    case 'I': return "Add";
    case 'D': return "Delete";
    case 'E': return "Edit";
    case 'e': return singleFileDisplay ? "Edit" : " to..";
    case 'R': return "Replace";
    case 'r': return singleFileDisplay ? "Replace" : "with..";
    case 'S': return "Shift";
    case '-': return singleFileDisplay ? "Shift" : " left";
    case '+': return singleFileDisplay ? "Shift" : " right";
    case 'A': return "Append";
    default: return {};
    }
}

bool IsRefusedExtension(const std::string& fileName)
{
    static const std::string refused = ".dcu.exe.res.obj.dll.bmp.ico";
    const std::string extension = lowerAscii(extensionOf(fileName));
    // A name ending in a bare dot ("O1234.") has no extension, as one without a dot.
    if (extension.size() < 2)
        return false;
    // Form files would need a text form written beside the user's file; refused too.
    return refused.find(extension) != std::string::npos || extension == ".dfm" || extension == ".~df";
}

FileCompare::FileCompare() = default;

bool FileCompare::PrepareFiles(std::string& file1, std::string& file2)
{
    if (IsRefusedExtension(file1) || IsRefusedExtension(file2))
        throw EOpAction(NonAsciiMessage);
    const bool exchange = TFileInfo(file1).DateTime() < TFileInfo(file2).DateTime();
    if (exchange)
        std::swap(file1, file2);
    m_rows.clear();
    m_list1.SetFileName(file1);
    m_list2.SetFileName(file2);
    return exchange;
}

FileCompare::Outcome FileCompare::CompareFiles(const CompareRunOptions& options, const CompareHooks& hooks)
{
    m_rows.clear();
    m_matches = 0;
    m_blocks = 0;
    m_differencesFound = false;
    m_cancelRequested = false;
    m_options = options;
    m_hooks = hooks;
    if (!m_hooks.clock)
        m_hooks.clock = [] {
            // Asked at every line: the coarse clock is cheap and fine enough for a report
            // every 250 ms.
            timespec now {};
            clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
            return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
        };
    try {
        m_list1.Load();
        m_list2.Load();
        if (m_list1.Count() == 0 || m_list2.Count() == 0)
            return Outcome::EmptyFiles;
        MainPass();
        if (m_options.differences != DiffDisplay::Both)
            FilterPass();
    } catch (...) {
        m_rows.clear();
        throw;
    }
    return Outcome::Compared;
}

void FileCompare::Progress(long value, long total, int pass)
{
    if (m_cancelRequested) {
        m_cancelRequested = false;
        throw EOpAction("Process Canceled.");
    }
    const std::int64_t now = m_hooks.clock();
    if (now - m_lastReport <= 250)
        return;
    m_lastReport = now;
    if (m_hooks.progress)
        m_hooks.progress(pass, total > 0 ? value * 100.0 / total : 100.0, now >= m_cancelTime);
}

void FileCompare::AppendRow(int block, char code, TSourceList& list)
{
    CompareRow row{block, code, 0, 0};
    (list.ColumnId() == 1 ? row.line1 : row.line2) = list.Index() + 1;
    m_rows.push_back(row);
    list.Next();
}

void FileCompare::AppendMatch()
{
    m_rows.push_back(CompareRow{0, '=', m_list1.Index() + 1, m_list2.Index() + 1});
    m_list1.Next();
    m_list2.Next();
}

bool FileCompare::LastRowContinues(char code, long line, bool file1) const
{
    if (m_rows.empty() || m_rows.back().code != code)
        return false;
    return (file1 ? m_rows.back().line1 : m_rows.back().line2) == line;
}

void FileCompare::MainPass()
{
    const bool showAll = m_options.matches == MatchDisplay::All;
    const bool adjacent = m_options.matches == MatchDisplay::Adjacent;
    bool adjacentPending = false;
    m_lastReport = m_hooks.clock();
    m_cancelTime = m_lastReport + 3000;
    const long total = std::max(m_list1.Last(), m_list2.Last());
    m_list1.Reset();
    m_list2.Reset();
    TCompareTextLines test(m_options.excludeLeadingWhitespace, m_options.caseSensitive);
    AlignLines();

    while (!m_list1.AtEnd() && !m_list2.AtEnd()) {
        Progress(m_list1.Index(), total, 1);
        test.SetLines(m_list1.CurrentLine(), m_list2.CurrentLine());
        // Lines the alignment keeps are compared all the same, as two different lines may
        // share a key; two it leaves out match too when equal, where a large pair of
        // unrelated files made it settle for an alignment short of the best.
        const bool kept1 = m_changed1[static_cast<std::size_t>(m_list1.Index())] == 0;
        const bool kept2 = m_changed2[static_cast<std::size_t>(m_list2.Index())] == 0;
        if (kept1 == kept2 && test.Equal()) {
            if (showAll || adjacentPending) {
                adjacentPending = false;
                AppendMatch();
            } else {
                m_list1.Next();
                m_list2.Next();
            }
            ++m_matches;
            continue;
        }
        m_differencesFound = true;
        if (!adjacentPending && adjacent && m_list1.Index() > 0 && m_list2.Index() > 0
            && !(!m_rows.empty() && m_rows.back().line1 == m_list1.Index())) {
            m_list1.Prev();
            m_list2.Prev();
            AppendMatch();
        }
        adjacentPending = adjacent;

        // Where the difference starts in both files, as the summary reports it.
        m_list1.MarkDifference();
        m_list2.MarkDifference();
        // Lines left over in both files face each other as pairs; what one file has more
        // is added or deleted.
        const bool changed1 = m_changed1[static_cast<std::size_t>(m_list1.Index())] != 0;
        const bool changed2 = m_changed2[static_cast<std::size_t>(m_list2.Index())] != 0;
        const int state = changed1 == changed2 ? 3 : changed1 ? 1 : 2;
        if (state == 1) {
            if (!LastRowContinues('I', m_list1.Index(), true))
                ++m_blocks;
            AppendRow(m_blocks, 'I', m_list1);
        } else if (state == 2) {
            if (!LastRowContinues('D', m_list2.Index(), false))
                ++m_blocks;
            AppendRow(m_blocks, 'D', m_list2);
        } else {
            const bool similar = test.LinesSimilar([&] { Progress(m_list1.Index(), total, 1); });
            ++m_blocks;
            if (!similar) {
                AppendRow(m_blocks, 'R', m_list2);
                AppendRow(m_blocks, 'r', m_list1);
            } else if (test.AllPiecesFound()) {
                const bool shorter = m_list1.CurrentLine().size() < m_list2.CurrentLine().size();
                AppendRow(m_blocks, 'S', m_list2);
                AppendRow(m_blocks, shorter ? '-' : '+', m_list1);
            } else {
                AppendRow(m_blocks, 'E', m_list2);
                AppendRow(m_blocks, 'e', m_list1);
            }
        }
    }

    const auto appendRest = [&](TSourceList& list, char code) {
        if (list.AtEnd())
            return;
        m_differencesFound = true;
        ++m_blocks;
        while (!list.AtEnd()) {
            Progress(list.Index(), total, 1);
            AppendRow(m_blocks, code, list);
        }
    };
    appendRest(m_list2, 'D');
    appendRest(m_list1, 'A');
}

// ---- Aligning the two files -----------------------------------------------------------

namespace {

// The lines that count as equal (see LinesEqual) get the same key. The line is taken eight
// bytes at a time, letters folded first unless case counts.
std::uint64_t lineKey(std::string_view line, bool excludeLeading, bool caseSensitive)
{
    static const auto folded = [] {
        std::array<unsigned char, 256> table{};
        for (int c = 0; c < 256; ++c)
            table[static_cast<std::size_t>(c)] = foldCase(static_cast<unsigned char>(c));
        return table;
    }();
    line = trimTrailing(line);
    if (excludeLeading)
        line = trimLeading(line);
    constexpr std::uint64_t Odd = 0x9E3779B97F4A7C15ull;
    std::uint64_t key = Odd ^ line.size();
    const auto mix = [&key](std::uint64_t word) {
        key = (key ^ word) * Odd;
        key ^= key >> 32;
    };
    const auto wordAt = [&](std::size_t at, std::size_t bytes) {
        std::uint64_t word = 0;
        if (caseSensitive && bytes == 8)
            std::memcpy(&word, line.data() + at, 8);
        else
            for (std::size_t k = 0; k < bytes; ++k) {
                const auto byte = static_cast<unsigned char>(line[at + k]);
                word |= std::uint64_t{caseSensitive ? byte : folded[byte]} << (8 * k);
            }
        return word;
    };
    std::size_t at = 0;
    for (; at + 8 <= line.size(); at += 8)
        mix(wordAt(at, 8));
    if (at < line.size())
        mix(wordAt(at, line.size() - at));
    key *= Odd;
    return key ^ (key >> 29);
}

// Gives the lines of both files numbers: lines equal as the options count them share one,
// by a 64-bit key of their text. Two different lines that happen to share a key would
// only make the alignment poorer, never hide a difference: the walk compares every pair
// of lines it is given as equal before it takes them as matching. The table grows with
// the kinds of lines, so a program that repeats itself keeps it small.
class LineNumbering {
public:
    explicit LineNumbering(const CompareRunOptions& options) : m_options(options), m_slots(1024, Slot{0, -1}) {}

    std::vector<int> number(const TSourceList& list)
    {
        const std::size_t count = static_cast<std::size_t>(list.Count());
        std::vector<int> out(count);
        // A large table is asked a few lines ahead, so its slots are read while the lines
        // before are numbered.
        constexpr std::size_t Ahead = 16;
        std::uint64_t keys[Ahead];
        const auto keyOf = [&](std::size_t i) {
            return lineKey(list.Line(static_cast<long>(i)), m_options.excludeLeadingWhitespace, m_options.caseSensitive);
        };
        for (std::size_t i = 0; i < std::min(Ahead, count); ++i)
            keys[i] = keyOf(i);
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint64_t key = keys[i % Ahead];
            if (i + Ahead < count) {
                keys[i % Ahead] = keyOf(i + Ahead);
                __builtin_prefetch(&m_slots[static_cast<std::size_t>(keys[i % Ahead]) & (m_slots.size() - 1)]);
            }
            out[i] = numberOf(key);
        }
        return out;
    }

    std::size_t count() const { return static_cast<std::size_t>(m_count); }

private:
    struct Slot {
        std::uint64_t key;
        int number;
    };

    int numberOf(std::uint64_t key)
    {
        const std::size_t mask = m_slots.size() - 1;
        std::size_t slot = static_cast<std::size_t>(key) & mask;
        while (m_slots[slot].number >= 0) {
            if (m_slots[slot].key == key)
                return m_slots[slot].number;
            slot = (slot + 1) & mask;
        }
        m_slots[slot] = Slot{key, m_count};
        if (static_cast<std::size_t>(++m_count) * 2 > m_slots.size())
            grow();
        return m_count - 1;
    }

    void grow()
    {
        std::vector<Slot> old(m_slots.size() * 2, Slot{0, -1});
        old.swap(m_slots);
        const std::size_t mask = m_slots.size() - 1;
        for (const Slot& entry : old) {
            if (entry.number < 0)
                continue;
            std::size_t slot = static_cast<std::size_t>(entry.key) & mask;
            while (m_slots[slot].number >= 0)
                slot = (slot + 1) & mask;
            m_slots[slot] = entry;
        }
    }

    const CompareRunOptions& m_options;
    std::vector<Slot> m_slots;
    int m_count = 0;
};

// Finds which elements of two sequences a shortest edit script leaves out, by searching
// from both ends at once for the middle of the script and dividing the sequences there
// (linear space; time grows with the length times the number of differences). In a part
// whose search grows dear (a pair of unrelated programs) it divides at the furthest place
// reached instead, which keeps the time near linear at the price of a few more lines.
class ShortestEdit {
public:
    ShortestEdit(const std::vector<int>& a, const std::vector<int>& b, std::vector<char>& leftA,
                 std::vector<char>& leftB, std::function<void(long settled)> tick)
        : m_a(a), m_b(b), m_leftA(leftA), m_leftB(leftB), m_tick(std::move(tick))
    {
        const long n = static_cast<long>(a.size()), m = static_cast<long>(b.size());
        m_offset = m + 1;
        // Only the diagonals a search reaches are ever written: the rest stays untouched.
        m_forward.reset(new long[static_cast<std::size_t>(n + m + 3)]);
        m_backward.reset(new long[static_cast<std::size_t>(n + m + 3)]);
        // Between one and two times the square root of the diagonals, and never so low that
        // a program with a few thousand changed lines is aligned less than best.
        long grow = 1;
        for (long diagonals = n + m + 3; diagonals != 0; diagonals >>= 2)
            grow <<= 1;
        m_dear = std::max(4096L, grow);
    }

    void run()
    {
        struct Part {
            long xoff, xlim, yoff, ylim;
            bool exact;
        };
        std::vector<Part> parts{{0, static_cast<long>(m_a.size()), 0, static_cast<long>(m_b.size()), false}};
        while (!parts.empty()) {
            Part p = parts.back();
            parts.pop_back();
            while (p.xoff < p.xlim && p.yoff < p.ylim && a(p.xoff) == b(p.yoff))
                ++p.xoff, ++p.yoff;
            while (p.xoff < p.xlim && p.yoff < p.ylim && a(p.xlim - 1) == b(p.ylim - 1))
                --p.xlim, --p.ylim;
            if (p.xoff == p.xlim || p.yoff == p.ylim) {
                for (long x = p.xoff; x < p.xlim; ++x)
                    m_leftA[static_cast<std::size_t>(x)] = 1;
                for (long y = p.yoff; y < p.ylim; ++y)
                    m_leftB[static_cast<std::size_t>(y)] = 1;
                m_settled = p.xlim;
                continue;
            }
            const Split split = middle(p.xoff, p.xlim, p.yoff, p.ylim, p.exact);
            // The lower part first, so the settled place only moves on.
            parts.push_back({split.x, p.xlim, split.y, p.ylim, split.upperExact});
            parts.push_back({p.xoff, split.x, p.yoff, split.y, split.lowerExact});
        }
    }

private:
    struct Split {
        long x, y;
        bool lowerExact, upperExact;
    };

    int a(long x) const { return m_a[static_cast<std::size_t>(x)]; }
    int b(long y) const { return m_b[static_cast<std::size_t>(y)]; }
    long& forward(long d) { return m_forward[static_cast<std::size_t>(d + m_offset)]; }
    long& backward(long d) { return m_backward[static_cast<std::size_t>(d + m_offset)]; }

    // How many elements from p and q on (or before them) are equal, at most `most`. Most
    // runs end at once; a program that repeats itself makes some long, so past the first
    // four they are compared four at a time.
    static long runAfter(const int* p, const int* q, long most)
    {
        long k = 0;
        for (; k < most && k < 4; ++k)
            if (p[k] != q[k])
                return k;
        for (; k + 4 <= most && std::memcmp(p + k, q + k, 4 * sizeof(int)) == 0; k += 4) {
        }
        while (k < most && p[k] == q[k])
            ++k;
        return k;
    }

    static long runBefore(const int* p, const int* q, long most)
    {
        long k = 0;
        for (; k < most && k < 4; ++k)
            if (p[-k - 1] != q[-k - 1])
                return k;
        for (; k + 4 <= most && std::memcmp(p - k - 4, q - k - 4, 4 * sizeof(int)) == 0; k += 4) {
        }
        while (k < most && p[-k - 1] == q[-k - 1])
            ++k;
        return k;
    }

    void work(long steps)
    {
        m_work += steps;
        if (m_work >= (1L << 20)) {
            m_work = 0;
            if (m_tick)
                m_tick(m_settled);
        }
    }

    // Diagonal d holds the places with x - y = d. Each round the furthest place of every
    // diagonal within reach of one more step is extended along its equal elements, forward
    // from the start and backward from the end; where the two searches meet lies the
    // middle of a shortest script.
    Split middle(long xoff, long xlim, long yoff, long ylim, bool exact)
    {
        // Kept in locals: the stores to the diagonals would otherwise make the compiler
        // read the members again at every diagonal.
        long* const fd = m_forward.get() + m_offset;
        long* const bd = m_backward.get() + m_offset;
        const int* const av = m_a.data();
        const int* const bv = m_b.data();
        const long dmin = xoff - ylim, dmax = xlim - yoff;
        const long fmid = xoff - yoff, bmid = xlim - ylim;
        const bool odd = ((fmid - bmid) & 1) != 0;
        long fmin = fmid, fmax = fmid, bmin = bmid, bmax = bmid;
        fd[fmid] = xoff;
        bd[bmid] = xlim;
        constexpr long Before = -1, Beyond = std::numeric_limits<long>::max();
        for (long cost = 1;; ++cost) {
            long steps = 0;
            if (fmin > dmin)
                fd[--fmin - 1] = Before;
            else
                ++fmin;
            if (fmax < dmax)
                fd[++fmax + 1] = Before;
            else
                --fmax;
            for (long d = fmax; d >= fmin; d -= 2) {
                const long low = fd[d - 1], high = fd[d + 1];
                long x = low >= high ? low + 1 : high;
                long y = x - d;
                const long run = runAfter(av + x, bv + y, std::min(xlim - x, ylim - y));
                x += run;
                y += run;
                steps += run + 1;
                fd[d] = x;
                if (odd && bmin <= d && d <= bmax && bd[d] <= x)
                    return {x, y, true, true};
            }
            if (bmin > dmin)
                bd[--bmin - 1] = Beyond;
            else
                ++bmin;
            if (bmax < dmax)
                bd[++bmax + 1] = Beyond;
            else
                --bmax;
            for (long d = bmax; d >= bmin; d -= 2) {
                const long low = bd[d - 1], high = bd[d + 1];
                long x = low < high ? low : high - 1;
                long y = x - d;
                const long run = runBefore(av + x, bv + y, std::min(x - xoff, y - yoff));
                x -= run;
                y -= run;
                steps += run + 1;
                bd[d] = x;
                if (!odd && fmin <= d && d <= fmax && x <= fd[d])
                    return {x, y, true, true};
            }
            work(steps);
            if (!exact && cost >= m_dear)
                return furthest(xoff, xlim, yoff, ylim, fmin, fmax, bmin, bmax);
        }
    }

    // The place either search has taken furthest from its own end: the part it closes is
    // a shortest script, the other part is searched again.
    Split furthest(long xoff, long xlim, long yoff, long ylim, long fmin, long fmax, long bmin, long bmax)
    {
        long forwardBest = -1, forwardX = xoff;
        for (long d = fmax; d >= fmin; d -= 2) {
            long x = std::min(forward(d), xlim);
            long y = x - d;
            if (y > ylim)
                x = ylim + d, y = ylim;
            if (x + y > forwardBest)
                forwardBest = x + y, forwardX = x;
        }
        long backwardBest = std::numeric_limits<long>::max(), backwardX = xlim;
        for (long d = bmax; d >= bmin; d -= 2) {
            long x = std::max(xoff, backward(d));
            long y = x - d;
            if (y < yoff)
                x = yoff + d, y = yoff;
            if (x + y < backwardBest)
                backwardBest = x + y, backwardX = x;
        }
        if (forwardBest - (xoff + yoff) > (xlim + ylim) - backwardBest)
            return {forwardX, forwardBest - forwardX, true, false};
        return {backwardX, backwardBest - backwardX, false, true};
    }

    const std::vector<int>& m_a;
    const std::vector<int>& m_b;
    std::vector<char>& m_leftA;
    std::vector<char>& m_leftB;
    std::function<void(long)> m_tick;
    std::unique_ptr<long[]> m_forward, m_backward;
    long m_offset = 0;
    long m_dear = 0;
    long m_work = 0;
    long m_settled = 0;
};

} // namespace

void FileCompare::AlignLines()
{
    LineNumbering numbering(m_options);
    // The older file is searched as the first sequence, as a difference is read from the
    // older version to the newer.
    std::vector<int> older = numbering.number(m_list2);
    std::vector<int> newer = numbering.number(m_list1);

    // A line without an equal in the other file is never kept: the search runs on the
    // others only, which is where a long inserted or rewritten part costs nothing.
    enum : unsigned char { InOlder = 1, InNewer = 2 };
    std::vector<unsigned char> where(numbering.count(), 0);
    for (int n : older)
        where[static_cast<std::size_t>(n)] |= InOlder;
    for (int n : newer)
        where[static_cast<std::size_t>(n)] |= InNewer;
    const auto inBoth = [&where](int n) { return where[static_cast<std::size_t>(n)] == (InOlder | InNewer); };
    // Each file's lines searched, marked 0 until the search tells, and closed up.
    const auto searched = [&](std::vector<int>& lines, std::vector<char>& changed) {
        changed.resize(lines.size());
        for (std::size_t i = 0; i < lines.size(); ++i)
            changed[i] = inBoth(lines[i]) ? 0 : 1;
        lines.erase(std::remove_if(lines.begin(), lines.end(), [&](int n) { return !inBoth(n); }), lines.end());
    };
    searched(older, m_changed2);
    searched(newer, m_changed1);
    std::vector<char> leftA(older.size(), 0), leftB(newer.size(), 0);
    const long total = static_cast<long>(older.size());
    ShortestEdit search(older, newer, leftA, leftB, [&](long settled) { Progress(settled, total, 1); });
    search.run();
    const auto place = [](const std::vector<char>& left, std::vector<char>& changed) {
        std::size_t k = 0;
        for (char& mark : changed)
            if (mark == 0)
                mark = left[k++];
    };
    place(leftA, m_changed2);
    place(leftB, m_changed1);
}

void FileCompare::FilterPass()
{
    const bool firstOnly = m_options.differences == DiffDisplay::FirstFile;
    const long total = static_cast<long>(m_rows.size());
    std::size_t kept = 0;
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        Progress(static_cast<long>(i), total, 3);
        const CompareRow& row = m_rows[i];
        if ((firstOnly ? row.line1 : row.line2) != 0)
            m_rows[kept++] = row;
    }
    m_rows.resize(kept);
}

std::string FileCompare::ResultText() const
{
    if (!m_differencesFound) {
        std::string text = "  *** Files are Identical. ***";
        if (m_options.excludeLeadingWhitespace || !m_options.caseSensitive)
            text += "  --- (for options set)";
        return text;
    }
    std::string text = m_blocks == 1 ? std::string("  There is 1 difference.")
                                     : platform::format("  There are %d differences.", {m_blocks});
    if (m_rows.size() <= 1 && (m_rows.empty() || m_rows.front().block == 0))
        text += m_options.differences == DiffDisplay::FirstFile ? "  Lines were deleted from previous file."
                                                                 : "  Lines were added to current file.";
    return text;
}

std::string_view FileCompare::RowText(const CompareRow& row) const
{
    return row.textFile() == 1 ? m_list1.Line(row.line1 - 1) : m_list2.Line(row.line2 - 1);
}

} // namespace mrw
