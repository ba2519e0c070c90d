#pragma once
// What the file compare keeps and writes besides its rows: the options file, the cells
// of the difference list, the saved or printed difference list, the summary report and
// the numbered listing of a compared file.
#include "workspace/engine/file_compare.h"

#include <array>
#include <ctime>
#include <string>
#include <vector>

namespace platform {
class IniFile;
}

namespace mrw {

// The compare window's options, kept in a small INI file of their own (a bare name: it
// lies in the Windows directory).
inline constexpr const char* CompareOptionsFileName = "MRW2013.INI";

struct CompareOptions {
    std::string Source1Path; // where the open dialogs start
    std::string Source2Path;
    bool CaseSensitive = false;
    bool ExcludeLeadingWhitespace = false;
    int DisplayMatches = 0;     // 0 none, 1 all, 2 adjacent
    int DisplayDifferences = 0; // 0 both, 1 first file, 2 second file
    bool LabelBlankLines = false;
    bool DeleteFiles = false;

    CompareRunOptions RunOptions() const;
};

CompareOptions LoadCompareOptions(const platform::IniFile& ini);
// Throws platform::IniWriteError when the file cannot be written.
void SaveCompareOptions(platform::IniFile& ini, const CompareOptions& options);

// ---- Difference list -----------------------------------------------------------------

enum CompareColumn { BlockColumn = 0, ChangeColumn, Line1Column, Line2Column, TextColumn, CompareColumnCount };

// One cell of a data row as the grid shows it; blank lines read "{BLANK LINE}" when
// labelBlankLines is set.
std::string RowCell(const FileCompare& compare, const CompareRow& row, int column, bool labelBlankLines);

// The cells of the two fixed rows; textCells are their text cells (the file names).
std::array<std::array<std::string, CompareColumnCount>, 2> HeaderCells(const std::array<std::string, 2>& textCells);

struct DifferenceListSource {
    std::time_t now = 0;
    std::string file1; // full names
    std::string file2;
    std::array<std::string, 2> headerTexts;
    bool labelBlankLines = false;
};

std::vector<std::string> WriteDifferenceList(const FileCompare& compare, const DifferenceListSource& source);

// ---- Summary report ------------------------------------------------------------------

// A time difference as the report words it: days, hours or minutes with one decimal.
std::string AgeText(double seconds);

class SummaryText {
public:
    // Starts the text for a pair, in the order in which the files were chosen.
    void WriteHeader(const TFileInfo& first, const TFileInfo& second);
    void AddLine(const std::string& line) { m_lines.push_back(line); }
    // The statistics of the last compare (added again at every Summary command).
    void AddStatistics(const FileCompare& compare);
    const std::vector<std::string>& Lines() const { return m_lines; }

private:
    std::vector<std::string> m_lines;
};

// The saved or printed summary window text: a dated first line, two empty lines, the text.
std::vector<std::string> SummaryOutput(std::time_t now, const std::vector<std::string>& lines);

// ---- Listing -------------------------------------------------------------------------

// The numbered listing of a compared file (the source list holds its lines).
std::vector<std::string> ListingLines(const TSourceList& list, const std::string& chosenFullName);
// Where listing line `number` (1-based) lies among the listing's lines.
inline long ListingLineIndex(long number) { return number + 3; }

} // namespace mrw
