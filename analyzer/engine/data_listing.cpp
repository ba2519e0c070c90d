#include "analyzer/engine/data_listing.h"

#include "analyzer/engine/analyzer_routines.h"
#include "analyzer/engine/machine_setup.h"
#include "analyzer/engine/run_state.h"
#include "platform/fixed_text.h"
#include "platform/linestream.h"
#include "platform/textfile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string_view>

namespace vork {

namespace {

constexpr int WrapLength = 54;
constexpr int ContinuationIndent = 57;
constexpr int ModeColumnEnd = 63;
constexpr int LatheType = 2;
constexpr int MillType = 1;

const std::string Stars(132, '*');
const std::string SummaryIndent(44, ' ');

// A number as the listing and the exports write it: one that is not a number (an
// overflowing feed, say) is written as 0, never as text no reader takes.
double finite(double value) { return std::isfinite(value) ? value : 0.0; }

// A number in its column of the listing: fixed point when that leaves a blank before it;
// a value too wide for that (an absurd coordinate, feed or time) in the exponent form
// with as many digits as fit, so that the columns stay apart and in their places.
void appendColumn(std::string& out, double value, int width, int decimals)
{
    const std::size_t start = out.size();
    const auto columnWidth = static_cast<std::size_t>(width);
    platform::appendFixed(out, value, width, decimals);
    if (out.size() - start == columnWidth && out[start] == ' ')
        return;
    out.resize(start);
    const std::size_t room = columnWidth - 1;
    char text[40];
    for (int digits = 15; digits >= 0; --digits) {
        const std::to_chars_result r = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific, digits);
        const auto length = static_cast<std::size_t>(r.ptr - text);
        if (r.ec == std::errc() && length <= room) {
            std::transform(text, r.ptr, text, [](char c) { return c == 'e' ? 'E' : c; });
            platform::appendRight(out, std::string_view(text, length), width);
            return;
        }
    }
    out += ' ';
    out.append(room, '*');
}

// A whole number in the first column (blanks stand before it): too wide for the column,
// a field of stars.
void appendWholeColumn(std::string& out, std::int64_t value, int width)
{
    const std::size_t start = out.size();
    const auto columnWidth = static_cast<std::size_t>(width);
    platform::appendInt(out, value, width);
    if (out.size() - start == columnWidth)
        return;
    out.resize(start);
    out.append(columnWidth, '*');
}

} // namespace

const char* ListingModeName(int mode)
{
    switch (mode) {
    case ModeRapid: return "Rapid ";
    case ModeLinear: return "Linear";
    case ModeCW: return "CW    ";
    case ModeCCW: return "CCW   ";
    case ModeCycle: return "Cycle ";
    case ModeThread: return "Thread";
    case ModeLatheCycle: return "LCycle";
    case ModeDwell: return "Dwell ";
    case ModeRevDwell: return "RDwell";
    case ModePreset: return "Preset";
    case 12: return "Maxrpm";
    default: return "      ";
    }
}

void AppendDataLine(std::string& out, const TRunState& s, int machineType)
{
    const std::size_t start = out.size();
    // The block with tabs as blanks and every run of blanks made one.
    bool lastBlank = false;
    for (char c : s.Block) {
        const bool blank = c == ' ' || c == '\t';
        if (blank && lastBlank)
            continue;
        out += blank ? ' ' : c;
        lastBlank = blank;
    }
    const int length = static_cast<int>(out.size() - start);
    if (length > WrapLength) {
        out += " \r\n";
        out.append(ContinuationIndent, ' ');
    }
    platform::appendRight(out, ListingModeName(s.Mode), ModeColumnEnd - length);

    const double f = s.Metric ? 25.4 : 1.0;
    const int d = s.Metric ? 3 : 5;
    appendColumn(out, finite(s.CurX * f), 11, d);
    if (machineType != LatheType)
        appendColumn(out, finite(s.CurY * f), 11, d);
    else
        out.append(11, ' ');
    if (machineType == MillType || machineType == LatheType)
        appendColumn(out, finite(s.CurZ * f), 11, d);
    else
        out.append(11, ' ');
    appendColumn(out, finite(s.Rpm), 9, 0);
    if (s.Mode == ModeRapid)
        out += "    Rapid";
    else
        appendColumn(out, finite(s.Feed * f), 9, 2);
    appendColumn(out, finite(s.SegTime - s.LastSegTime), 8, 3);
    appendColumn(out, finite(s.TotalTime + s.SegTime), 9, 2);
}

std::vector<std::string> TapeSummaryLines(const TRunState& s, double costFactor)
{
    std::vector<std::string> lines;
    const auto right = [](std::string_view text, int width) {
        std::string out;
        platform::appendRight(out, text, width);
        return out;
    };
    lines.push_back(" ");
    lines.push_back(Stars);
    lines.push_back("");
    lines.push_back(right("Tape Summary", 72));
    lines.push_back("");
    lines.push_back(SummaryIndent + "Tool     RPM     IPM   Tool Time    Total Time");
    lines.push_back(SummaryIndent + "----     ---     ---   ---- ----    ----- ----");
    const TToolTimeTable& table = s.ToolTimes;
    for (int i = 1; i <= table.count && i <= ToolTimeRows; ++i) {
        const TToolTimeTable::Row& row = table.rows[static_cast<std::size_t>(i)];
        std::string line(43, ' ');
        appendWholeColumn(line, row.tool, 5);
        appendColumn(line, finite(row.rpm), 8, 0);
        appendColumn(line, finite(row.ipm), 8, 2);
        appendColumn(line, finite(row.time), 12, 2);
        appendColumn(line, finite(row.total), 14, 2);
        lines.push_back(std::move(line));
    }
    lines.push_back(SummaryIndent + std::string(46, '='));
    lines.push_back("");
    lines.push_back(right("Total Machining Time = ", 70) + MinutesToHMS(finite(s.TotalTime)));
    std::string cost = right("Machining Cost =", 69);
    appendColumn(cost, finite(s.TotalCost * costFactor), 9, 2);
    lines.push_back(cost + " Dollars");
    lines.push_back("");
    lines.push_back(Stars);
    return lines;
}

std::vector<std::string> DifLines(const TToolTimeTable& table)
{
    const int rows = std::min(table.count, ToolTimeRows);
    const int tuples = rows + 1; // the label tuple and every booked row
    std::vector<std::string> lines = {
        "TABLE", "0,1", "\"\"", "VECTORS", "0,5", "\"\"", "TUPLES", "0," + std::to_string(tuples), "\"\"",
        "DATA", "0,0", "\"\"", "-1,0", "BOT",
    };
    for (const char* label : {"Tool", "RPM", "IPM", "Time", "Total"}) {
        lines.push_back("1,0");
        lines.push_back(std::string("\"") + label + "\"");
    }
    lines.push_back("-1,0");
    for (int i = 1; i <= rows; ++i) {
        const TToolTimeTable::Row& row = table.rows[static_cast<std::size_t>(i)];
        lines.push_back("BOT");
        std::string value = "0,";
        platform::appendInt(value, row.tool, 6);
        lines.push_back(value);
        lines.push_back("V");
        const std::pair<double, int> numbers[] = {{row.rpm, 0}, {row.ipm, 2}, {row.time, 2}, {row.total, 2}};
        for (const auto& [number, decimals] : numbers) {
            value = "0,";
            platform::appendFixed(value, finite(number), 6, decimals);
            lines.push_back(value);
            lines.push_back("V");
        }
        lines.push_back("-1,0");
    }
    lines.push_back("EOD");
    return lines;
}

bool ExportDIFFile(TRunState& state, const std::string& fileName, std::string* errorText)
{
    state.DifFileName = fileName;
    return platform::saveTextLinesAtomic(fileName, DifLines(state.ToolTimes), errorText);
}

bool BeginDataListing(TRunState& s)
{
    s.DataFile.close();
    // Appends nothing: the old listing stays as it is. What is no listing of ours (a link,
    // a FIFO) gives way to a new one, as the first line written would make it.
    platform::LineWriter probe;
    s.DataFileOpen = (probe.openAppend(s.DataFileName) || probe.create(s.DataFileName)) && probe.close();
    return s.DataFileOpen;
}

bool TDataListing::ready()
{
    TRunState& s = m_state;
    if (s.DataFileOpen && !s.DataFile.isOpen())
        s.DataFileOpen = s.DataFile.create(s.DataFileName);
    return s.DataFileOpen;
}

void TDataListing::WriteDataLine()
{
    TRunState& s = m_state;
    // The end of the file is no block: it has no line, and the listing is complete. A
    // program that listed nothing leaves an empty listing, not the last program's.
    if (s.EndOfProgram && s.Block.empty()) {
        if (ready())
            s.DataFile.flush();
        return;
    }
    if (!ready())
        return;
    m_line.clear();
    AppendDataLine(m_line, s, m_setup.I(1));
    s.DataFile.writeLine(m_line);
    if (s.SingleBlock || s.TypedEntry)
        s.DataFile.flush(); // the run waits for the user now
}

void TDataListing::WriteTapeSummary()
{
    TRunState& s = m_state;
    if (ready())
        for (const std::string& line : TapeSummaryLines(s, m_setup.RealOr(8, 1.0)))
            s.DataFile.writeLine(line);
    s.DataFile.close();
    s.DataFileOpen = false;
}

} // namespace vork
