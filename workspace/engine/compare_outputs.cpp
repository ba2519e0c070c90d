#include "workspace/engine/compare_outputs.h"

#include "platform/format.h"
#include "platform/ini.h"

#include <algorithm>

namespace mrw {

namespace {

const char* const PathsSection = "Source Paths";
const char* const MatchSection = "Match Options";
const char* const OutputSection = "Output Options";
const char* const FileSection = "File Options";

std::string lineNumberCell(long number)
{
    return number == 0 ? std::string() : platform::format("%.3d", {number});
}

} // namespace

CompareRunOptions CompareOptions::RunOptions() const
{
    return {CaseSensitive, ExcludeLeadingWhitespace, static_cast<MatchDisplay>(DisplayMatches),
            static_cast<DiffDisplay>(DisplayDifferences)};
}

CompareOptions LoadCompareOptions(const platform::IniFile& ini)
{
    CompareOptions o;
    o.Source1Path = ini.readString(PathsSection, "Source1 Path");
    o.Source2Path = ini.readString(PathsSection, "Source2 Path");
    o.CaseSensitive = ini.readBool(MatchSection, "Case Sensitive", false);
    o.ExcludeLeadingWhitespace = ini.readBool(MatchSection, "Exclude Leading Whitespace", false);
    o.DisplayMatches = std::clamp(ini.readInt(OutputSection, "Display Matches", 0), 0, 2);
    o.DisplayDifferences = std::clamp(ini.readInt(OutputSection, "Display Differences", 0), 0, 2);
    o.LabelBlankLines = ini.readBool(OutputSection, "Label Blank Lines", false);
    o.DeleteFiles = ini.readBool(FileSection, "Delete Created Files", false);
    return o;
}

void SaveCompareOptions(platform::IniFile& ini, const CompareOptions& o)
{
    ini.writeString(PathsSection, "Source1 Path", o.Source1Path);
    ini.writeString(PathsSection, "Source2 Path", o.Source2Path);
    ini.writeBool(MatchSection, "Case Sensitive", o.CaseSensitive);
    ini.writeBool(MatchSection, "Exclude Leading Whitespace", o.ExcludeLeadingWhitespace);
    ini.writeInt(OutputSection, "Display Matches", o.DisplayMatches);
    ini.writeInt(OutputSection, "Display Differences", o.DisplayDifferences);
    ini.writeBool(OutputSection, "Label Blank Lines", o.LabelBlankLines);
    ini.writeBool(FileSection, "Delete Created Files", o.DeleteFiles);
}

// ---- Difference list -----------------------------------------------------------------

std::string RowCell(const FileCompare& compare, const CompareRow& row, int column, bool labelBlankLines)
{
    switch (column) {
    case BlockColumn:
        return row.block == 0 ? std::string() : platform::format("%2d", {row.block});
    case ChangeColumn:
        return ChangeLabel(row.code, compare.Options().differences != DiffDisplay::Both);
    case Line1Column:
        return lineNumberCell(row.line1);
    case Line2Column:
        return lineNumberCell(row.line2);
    default: {
        const std::string_view text = compare.RowText(row);
        if (labelBlankLines && IsBlankLine(text))
            return "{BLANK LINE}";
        return std::string(text);
    }
    }
}

std::array<std::array<std::string, CompareColumnCount>, 2> HeaderCells(const std::array<std::string, 2>& textCells)
{
    return {{{"Blk", "Change", "File 1", "File 2", textCells[0]}, {"#", "Type", "Line #", "Line #", textCells[1]}}};
}

std::vector<std::string> WriteDifferenceList(const FileCompare& compare, const DifferenceListSource& source)
{
    const auto rowLine = [](const std::array<std::string, CompareColumnCount>& cells) {
        return platform::format("%3s%7s%7s%7s  %s", {cells[0], cells[1], cells[2], cells[3], cells[4]});
    };
    const TFileInfo info1(source.file1), info2(source.file2);
    std::vector<std::string> out{"Source Difference List as of: " + FormatCompareDate(source.now), "",
                                 "Current File:" + info1.Name(), info1.InfoLine(),
                                 "Previous File:" + info2.Name(), info2.InfoLine(), ""};
    for (const auto& cells : HeaderCells(source.headerTexts))
        out.push_back(rowLine(cells));

    const auto& rows = compare.Rows();
    const bool separate = compare.Options().matches != MatchDisplay::Adjacent;
    out.reserve(out.size() + rows.size() * (separate ? 2 : 1));
    int previousBlock = rows.empty() ? 0 : rows.front().block;
    for (const CompareRow& row : rows) {
        if (separate && row.block != previousBlock)
            out.emplace_back("---");
        previousBlock = row.block;
        std::array<std::string, CompareColumnCount> cells;
        for (int c = 0; c < CompareColumnCount; ++c)
            cells[static_cast<std::size_t>(c)] = RowCell(compare, row, c, source.labelBlankLines);
        out.push_back(rowLine(cells));
    }
    return out;
}

// ---- Summary report ------------------------------------------------------------------

std::string AgeText(double seconds)
{
    const double days = seconds / 86400.0;
    if (days >= 1.0)
        return platform::format("%3.1f days", {days});
    const double hours = seconds / 3600.0;
    if (hours >= 1.0)
        return platform::format("%2.1f hours", {hours});
    return platform::format("%2.1f minutes", {seconds / 60.0});
}

void SummaryText::WriteHeader(const TFileInfo& first, const TFileInfo& second)
{
    m_lines = {"File Information:"};
    if (first.Name() != second.Name())
        m_lines.push_back(first.Name() + " compared to " + second.Name());
    else if (first.Folder() != second.Folder())
        m_lines.push_back(first.Name() + " Files are in different directories.");
    else
        m_lines.push_back(first.Name() + " File is compared to itself?");

    const std::time_t date1 = first.DateTime(), date2 = second.DateTime();
    if (date1 > date2)
        m_lines.push_back(first.Name() + " is newer by " + AgeText(static_cast<double>(date1 - date2)));
    else if (date1 == date2)
        m_lines.emplace_back("Files have same date and time.");
    else
        m_lines.push_back(first.Name() + " is older by " + AgeText(static_cast<double>(date2 - date1)));

    m_lines.push_back(first.InfoLine());
    m_lines.push_back("Current File Path: " + first.Folder());
    m_lines.push_back(second.InfoLine());
    m_lines.push_back(first.Folder() != second.Folder() ? "Previous File Path: " + second.Folder()
                                                        : std::string("Previous File Path is same"));
    m_lines.emplace_back("----");
}

void SummaryText::AddStatistics(const FileCompare& compare)
{
    const TSourceList& list1 = compare.List1();
    const TSourceList& list2 = compare.List2();
    const bool differences = compare.DifferencesFound();
    if (differences) {
        m_lines.push_back(" Matching Lines: " + std::to_string(compare.Matches()));
        const double percent =
            list1.Count() > 0 ? static_cast<double>(compare.Matches()) * 100.0 / static_cast<double>(list1.Count()) : 0.0;
        m_lines.push_back(platform::format(" Percent Lines Matching in current file: %2.1f", {percent}));
        if (percent < 20.0)
            m_lines.emplace_back("THESE TWO FILES SEEM TO BE UNRELATED!");
        if (percent > 95.0)
            m_lines.emplace_back("Files are closely matched.");
        if (list1.Count() != list2.Count())
            m_lines.push_back(platform::format("Lines total change (+/-): %2d", {list1.Count() - list2.Count()}));
    }
    const auto addFile = [&](const TSourceList& list, const char* label) {
        m_lines.emplace_back(" ");
        m_lines.push_back(label + TFileInfo(list.FileName()).Name());
        m_lines.push_back("Lines in this file: " + std::to_string(list.Count()));
        if (differences) {
            m_lines.push_back("First Line not matching: " + list.FirstDiffText());
            m_lines.push_back(" Last Line not matching: " + list.LastDiffText());
        }
    };
    addFile(list1, "Current Text File: ");
    addFile(list2, "Previous Text File: ");
    m_lines.emplace_back("Comments:");
}

std::vector<std::string> SummaryOutput(std::time_t now, const std::vector<std::string>& lines)
{
    std::vector<std::string> out{"Summary as of: " + FormatCompareDate(now), "", ""};
    out.insert(out.end(), lines.begin(), lines.end());
    return out;
}

// ---- Listing -------------------------------------------------------------------------

std::vector<std::string> ListingLines(const TSourceList& list, const std::string& chosenFullName)
{
    std::vector<std::string> out{TFileInfo(list.FileName()).InfoLine(), "Path: " + list.Folder(),
                                 "Lines in " + chosenFullName + ": " + std::to_string(list.Count()),
                                 std::string(35, '-')};
    out.reserve(out.size() + static_cast<std::size_t>(list.Count()));
    for (long i = 0; i < list.Count(); ++i)
        out.push_back(platform::format("%3d: %s", {i + 1, list.Line(i)}));
    return out;
}

} // namespace mrw
