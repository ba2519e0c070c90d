#include "workspace/engine/file_compare.h"

#include "platform/format.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
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
    for (std::size_t i = 0; i < size; ++i) {
        const char c = m_bytes[i];
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
    m_lookIndex = 0;
    m_atEnd = m_index > Last();
    m_lookExhausted = false;
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
    m_lookExhausted = false;
}

void TSourceList::MarkDifference()
{
    if (m_firstDifference == 0)
        m_firstDifference = m_index + 1;
    m_lastDifference = m_index + 1;
}

void TSourceList::StartLookAhead()
{
    MarkDifference();
    m_lookExhausted = false;
    m_lookIndex = m_index;
    m_lookEnd = std::min(m_index + Window, Last());
    AdvanceLook();
}

void TSourceList::AdvanceLook()
{
    if (m_lookExhausted)
        throw SourceListError(m_lookIndex);
    ++m_lookIndex;
    m_lookExhausted = m_lookEnd < m_lookIndex;
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
            return std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::steady_clock::now().time_since_epoch())
                .count();
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

bool FileCompare::LookAheadHit(TSourceList& x, const TSourceList& y, const TCompareTextLines& test)
{
    if (x.LookExhausted())
        return false;
    if (test.LinesEqual(x.LookLine(0), y.CurrentLine()) && test.LinesEqual(x.LookLine(1), y.LineAtCursor(1)))
        return true;
    x.AdvanceLook();
    return false;
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
    m_indexed = false;
    TCompareTextLines test(m_options.excludeLeadingWhitespace, m_options.caseSensitive);

    while (!m_list1.AtEnd() && !m_list2.AtEnd()) {
        Progress(m_list1.Index(), total, 1);
        test.SetLines(m_list1.CurrentLine(), m_list2.CurrentLine());
        if (test.Equal()) {
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

        m_list1.StartLookAhead();
        m_list2.StartLookAhead();
        int state = 0;
        while (state == 0 && !(m_list1.LookExhausted() && m_list2.LookExhausted())) {
            const bool inFile1 = LookAheadHit(m_list1, m_list2, test);
            const bool inFile2 = LookAheadHit(m_list2, m_list1, test);
            state = inFile1 ? (inFile2 ? 3 : 1) : (inFile2 ? 2 : 0);
        }
        if (state == 0) {
            // Nothing within the window: unless the files come back in step within it, an
            // added or deleted block longer than the window may still do so further on.
            const auto [inFile1, lines] = FarResync(test);
            if (lines > 0) {
                TSourceList& list = inFile1 ? m_list1 : m_list2;
                const char code = inFile1 ? 'I' : 'D';
                if (!LastRowContinues(code, list.Index(), inFile1))
                    ++m_blocks;
                for (long k = 0; k < lines; ++k) {
                    if (k > 0) {
                        Progress(m_list1.Index(), total, 1);
                        // As in the window, where each line of the block starts a look-ahead.
                        list.MarkDifference();
                    }
                    AppendRow(m_blocks, code, list);
                }
                continue;
            }
        }
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

// ---- Coming back in step beyond the window --------------------------------------------

namespace {

// The lines that count as equal (see LinesEqual) get the same key.
std::uint64_t lineKey(std::string_view line, bool excludeLeading, bool caseSensitive)
{
    line = trimTrailing(line);
    if (excludeLeading)
        line = trimLeading(line);
    std::uint64_t key = 1469598103934665603ull;
    for (char c : line) {
        const unsigned char byte = caseSensitive ? static_cast<unsigned char>(c) : foldCase(static_cast<unsigned char>(c));
        key = (key ^ byte) * 1099511628211ull;
    }
    return key;
}

} // namespace

void FileCompare::LineIndex::build(const TSourceList& list, const CompareRunOptions& options)
{
    keys.resize(static_cast<std::size_t>(list.Count()));
    for (long i = 0; i < list.Count(); ++i)
        keys[static_cast<std::size_t>(i)] = lineKey(list.Line(i), options.excludeLeadingWhitespace, options.caseSensitive);
    places.clear();
}

void FileCompare::LineIndex::sortPlaces()
{
    places.reserve(keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i)
        places.emplace_back(keys[i], static_cast<long>(i));
    std::sort(places.begin(), places.end());
}

long FileCompare::NearResync(const TCompareTextLines& test) const
{
    const long i = m_list1.Index(), j = m_list2.Index();
    const long last1 = std::min(i + TSourceList::Window, m_list1.Last());
    const long last2 = std::min(j + TSourceList::Window, m_list2.Last());
    std::vector<std::pair<std::uint64_t, long>> window2;
    window2.reserve(static_cast<std::size_t>(std::max(0L, last2 - j)));
    for (long b = j + 1; b <= last2; ++b)
        window2.emplace_back(m_index2.keys[static_cast<std::size_t>(b)], b);
    std::sort(window2.begin(), window2.end());
    long best = 0;
    for (long a = i + 1; a <= last1 && (best == 0 || a - i + 1 < best); ++a) {
        const std::uint64_t key = m_index1.keys[static_cast<std::size_t>(a)];
        for (auto it = std::lower_bound(window2.begin(), window2.end(), std::pair<std::uint64_t, long>(key, 0));
             it != window2.end() && it->first == key; ++it) {
            const long b = it->second;
            const long cost = (a - i) + (b - j);
            if (best != 0 && cost >= best)
                break;
            // Two consecutive lines, as the look-ahead asks (a line beyond the end is empty).
            if (test.LinesEqual(m_list1.Line(a), m_list2.Line(b)) &&
                test.LinesEqual(m_list1.Line(a + 1), m_list2.Line(b + 1)))
                best = cost;
        }
    }
    return best;
}

long FileCompare::FarMatch(const TSourceList& x, const LineIndex& xIndex, const TSourceList& y,
                           const LineIndex& yIndex, const TCompareTextLines& test) const
{
    const long from = y.Index();
    const std::uint64_t key = yIndex.keys[static_cast<std::size_t>(from)];
    const long run = std::min<long>(FarConfirmLines, y.Last() - from + 1);
    int tried = 0;
    for (auto it = std::lower_bound(xIndex.places.begin(), xIndex.places.end(),
                                    std::pair<std::uint64_t, long>(key, x.Index() + TSourceList::Window + 1));
         it != xIndex.places.end() && it->first == key && tried < FarCandidates; ++it, ++tried) {
        const long place = it->second;
        if (place + run - 1 > x.Last())
            break;
        long k = 0;
        while (k < run && test.LinesEqual(x.Line(place + k), y.Line(from + k)))
            ++k;
        if (k == run)
            return place - x.Index();
    }
    return 0;
}

std::pair<bool, long> FileCompare::FarResync(const TCompareTextLines& test)
{
    if (!m_indexed) {
        m_index1.build(m_list1, m_options);
        m_index2.build(m_list2, m_options);
        m_indexed = true;
        m_placesSorted = false;
    }
    // The lines come back in step within the window: the current lines are an edited pair,
    // as the look-ahead's own rule has it. A block found beyond the window skips at least
    // Window + 1 lines, so only a dearer place within it is weighed against one.
    const long near = NearResync(test);
    if (near > 0 && near <= TSourceList::Window + 1)
        return {true, 0};
    if (!m_placesSorted) {
        m_index1.sortPlaces();
        m_index2.sortPlaces();
        m_placesSorted = true;
    }
    const long added = FarMatch(m_list1, m_index1, m_list2, m_index2, test);
    const long deleted = FarMatch(m_list2, m_index2, m_list1, m_index1, test);
    const long block = added > 0 && (deleted == 0 || added <= deleted) ? added : deleted;
    if (block == 0 || (near > 0 && near <= block))
        return {true, 0};
    return {block == added, block};
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
