#pragma once
// The file compare: how a newer version of an NC program (file 1, the current file)
// differs from an older one (file 2, the previous file), line by line.
//
// Both files are read whole; a source list keeps the bytes and where each line starts,
// so lines are compared as views without copying. The compare first aligns the two files
// on the most lines they have in common, in order (a program that repeats its pockets and
// tool changes offers many places that look alike, and only the whole file tells the right
// one), then walks both lists once: between two lines they agree on, the lines left over
// in both files face each other as pairs, each called a shift, an edit or a replacement
// by how similar the two lines are, and what one file has more is added or deleted. The
// result is a list of rows that refer to the lines by number, grouped into numbered
// difference blocks.
#include <cstdint>
#include <ctime>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mrw {

// The compare's own error: a refused file or a cancelled run.
class EOpAction : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A position outside a source list (a fault of the compare, reported as an error).
class SourceListError : public std::runtime_error {
public:
    explicit SourceListError(long index);
};

// A file that cannot be read into a source list.
class SourceLoadError : public std::runtime_error {
public:
    explicit SourceLoadError(const std::string& fileName);
};

// ---- File information ----------------------------------------------------------------

// Formats a date-time (seconds since the epoch, local time) as "dd-MMM-yyyy hh:mm:ss"
// with English month abbreviations, whatever the locale.
std::string FormatCompareDate(std::time_t when);

class TFileInfo {
public:
    explicit TFileInfo(std::string fullName);

    const std::string& FullName() const { return m_fullName; }
    const std::string& Name() const { return m_name; }     // without folder
    const std::string& Folder() const { return m_folder; } // with trailing "/"

    // True when the file exists (the size, date and attributes are then known).
    bool FindFile() const { return m_found; }
    // The file's modification time, 0 when unknown.
    std::time_t DateTime() const { return m_found ? m_modified : 0; }
    std::string DateText() const;
    // "<name>  Size: <size>  Date: <date>  RASH", empty when the date is unknown.
    std::string InfoLine() const;

private:
    std::string m_fullName, m_name, m_folder;
    bool m_found = false;
    std::uintmax_t m_size = 0;
    std::time_t m_modified = 0;
    bool m_readOnly = false;
};

// ---- Source list ---------------------------------------------------------------------

class TSourceList {
public:
    explicit TSourceList(int columnId) : m_columnId(columnId) {}

    int ColumnId() const { return m_columnId; }

    // Takes a new file name (the lines are cleared in every case).
    void SetFileName(const std::string& name);
    const std::string& FileName() const { return m_fileName; }
    const std::string& Folder() const { return m_folder; }
    // Reads the file named by the list; SourceLoadError when it cannot.
    void Load();
    // The lines from bytes already read (CR LF, LF or a lone CR end a line).
    void SetText(std::string bytes);

    void Reset();
    void Next();
    void Prev();
    // The current line becomes the latest difference (and the first, when none was yet).
    void MarkDifference();

    // The line at base + offset: empty beyond the last line; a list error before the
    // first line or when the list is at its end.
    std::string_view GetLine(long base, long offset) const;
    std::string_view CurrentLine() const { return GetLine(m_index, 0); }
    std::string_view LineAtCursor(long offset) const { return GetLine(m_index, offset); }
    // Line i (0-based) without the run's checks.
    std::string_view Line(long i) const;

    long Count() const { return static_cast<long>(m_lines.size()); }
    long Last() const { return Count() - 1; }
    long Index() const { return m_index; }
    bool AtEnd() const { return m_atEnd; }

    // 1-based line numbers of the first and the latest line where a difference was met
    // (0 = none).
    long FirstDifference() const { return m_firstDifference; }
    long LastDifference() const { return m_lastDifference; }
    std::string FirstDiffText() const { return std::to_string(m_firstDifference); }
    std::string LastDiffText() const { return std::to_string(m_lastDifference); }

private:
    struct Span {
        std::size_t begin;
        std::size_t end;
    };

    int m_columnId;
    std::string m_fileName;
    std::string m_folder;
    std::string m_bytes;
    std::vector<Span> m_lines;
    long m_index = 0;
    bool m_atEnd = false;
    long m_firstDifference = 0;
    long m_lastDifference = 0;
};

// ---- Line tests ----------------------------------------------------------------------

class TCompareTextLines {
public:
    TCompareTextLines(bool excludeLeadingWhitespace, bool caseSensitive)
        : m_excludeLeading(excludeLeadingWhitespace), m_caseSensitive(caseSensitive)
    {
    }

    // Stores both lines (a of file 1, b of file 2); true when they are exactly equal.
    bool SetLines(std::string_view a, std::string_view b);
    // Equal apart from trailing blanks and control characters (and leading ones when
    // they are excluded), with or without regard to letter case.
    bool LinesEqual(std::string_view a, std::string_view b) const;
    bool Equal() const { return LinesEqual(m_a, m_b); }
    // Cuts the longer line into pieces of up to five characters and looks for each in
    // the other: similar when all or at least 60 % are found. `tick` is called now and
    // then on very long lines (it may throw to end the test).
    bool LinesSimilar(const std::function<void()>& tick = {});
    bool AllPiecesFound() const { return m_allPiecesFound; }

private:
    bool m_excludeLeading;
    bool m_caseSensitive;
    std::string_view m_a, m_b;
    bool m_allPiecesFound = false;
};

// How many of the consecutive pieces of `longer` (of `piece` characters, the last one
// maybe shorter) occur in `other`, each found piece taken out of `other` at its first
// occurrence before the next is looked for. Grows with n log n in the lengths; `tick` is
// called every few thousand pieces.
std::size_t CountFoundPieces(std::string_view longer, std::string_view other, std::size_t piece,
                             const std::function<void()>& tick = {});
// The same by the index that long lines use, whatever the length.
std::size_t CountFoundPiecesIndexed(std::string_view longer, std::string_view other, std::size_t piece,
                                    const std::function<void()>& tick = {});

// True when every character is a blank or a control character.
bool IsBlankLine(std::string_view line);

// ---- The compare run -----------------------------------------------------------------

enum class MatchDisplay { None = 0, All = 1, Adjacent = 2 };
enum class DiffDisplay { Both = 0, FirstFile = 1, SecondFile = 2 };

struct CompareRunOptions {
    bool caseSensitive = false;
    bool excludeLeadingWhitespace = false;
    MatchDisplay matches = MatchDisplay::None;
    DiffDisplay differences = DiffDisplay::Both;
};

// One row of the difference list. Codes: I added (file 1), D deleted (file 2),
// E/e edit pair, R/r replace pair, S with - or + shift pair, A appended (file 1),
// = matching line.
struct CompareRow {
    int block = 0;  // 0 for "=" rows
    char code = '=';
    long line1 = 0; // 1-based, 0 when the row has no file-1 line
    long line2 = 0;
    // The file whose line is the row's text.
    int textFile() const;
};

// The label of a change code; with only one file's lines displayed, the partner labels
// read like their first rows.
std::string ChangeLabel(char code, bool singleFileDisplay);

// True when the file's extension marks a file the compare cannot read (binary and
// form files). A name without an extension is accepted (programs from a control).
bool IsRefusedExtension(const std::string& fileName);
extern const char* const NonAsciiMessage;

// How a run reports its progress and learns the time. The clock gives milliseconds.
struct CompareHooks {
    std::function<std::int64_t()> clock;
    // Called at most every 250 ms: pass 1 or 3, percent done, and whether the Cancel
    // time has passed.
    std::function<void(int pass, double percent, bool cancelOffered)> progress;
};

class FileCompare {
public:
    enum class Outcome { Compared, EmptyFiles };

    FileCompare();

    TSourceList& List1() { return m_list1; }
    TSourceList& List2() { return m_list2; }
    const TSourceList& List1() const { return m_list1; }
    const TSourceList& List2() const { return m_list2; }

    // Checks and orders a chosen pair: EOpAction for a refused file; returns true when
    // the names were exchanged so that file 1 is the newer. The lists take the names.
    bool PrepareFiles(std::string& file1, std::string& file2);

    // Loads both files afresh and compares them. EOpAction when cancelled,
    // SourceLoadError or SourceListError on failure; the rows are then cleared.
    Outcome CompareFiles(const CompareRunOptions& options, const CompareHooks& hooks = {});
    // Asked from the progress report; the next progress step ends the run.
    void RequestCancel() { m_cancelRequested = true; }

    const std::vector<CompareRow>& Rows() const { return m_rows; }
    std::vector<CompareRow>& EditableRows() { return m_rows; }
    long Matches() const { return m_matches; }
    int Blocks() const { return m_blocks; }
    bool DifferencesFound() const { return m_differencesFound; }
    const CompareRunOptions& Options() const { return m_options; }
    std::string ResultText() const;
    // The line a row's text is, from the list it belongs to.
    std::string_view RowText(const CompareRow& row) const;

private:
    void MainPass();
    void FilterPass();
    void Progress(long value, long total, int pass);
    // Finds the lines of each file that a shortest list of added and deleted lines leaves
    // out (the rest of both files agree in order).
    void AlignLines();
    void AppendRow(int block, char code, TSourceList& list);
    void AppendMatch();
    bool LastRowContinues(char code, long line, bool file1) const;

    TSourceList m_list1{1};
    TSourceList m_list2{2};
    CompareRunOptions m_options;
    CompareHooks m_hooks;
    std::vector<CompareRow> m_rows;
    long m_matches = 0;
    int m_blocks = 0;
    bool m_differencesFound = false;
    bool m_cancelRequested = false;
    std::int64_t m_lastReport = 0;
    std::int64_t m_cancelTime = 0;
    // By line: 1 where the line is not one of the lines the two files agree on.
    std::vector<char> m_changed1, m_changed2;
};

} // namespace mrw
