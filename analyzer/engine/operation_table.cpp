#include "analyzer/engine/operation_table.h"

#include "analyzer/engine/analyzer_settings.h"
#include "math/engine/mathlib.h"
#include "analyzer/engine/tool_image.h"
#include "platform/folders.h"
#include "platform/host.h"
#include "platform/numbers.h"
#include "platform/paths.h"
#include "platform/stored_path.h"
#include "platform/textfile.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

namespace vork {

namespace {

// The 30 singles of a record in file order.
template <typename Record, typename Visit>
void forEachReal(Record& r, Visit visit)
{
    for (auto* f : {&r.toolnum, &r.offsetnum, &r.tooldia, &r.feed, &r.feedmode, &r.speed, &r.spindle, &r.range,
                    &r.coolant, &r.stock, &r.xhome, &r.yhome, &r.zhome, &r.lcomp, &r.glx, &r.glz, &r.fixoff,
                    &r.tshape, &r.cornerrad})
        visit(*f);
    for (auto& f : r.p)
        visit(f);
    for (auto& f : r.spare)
        visit(f);
}

// A stored real as a whole number (half to even); one that is not finite counts as 0.
long long wholeNumber(float value) { return std::isfinite(value) ? platform::roundHalfEven(value) : 0; }

std::string shortText(double value) { return RealToShortStr(true, value); }

// Tells which operations held unsound values: "Operation 10" or
// "Operations 10, 20", then what became of them.
void tellUnsound(platform::Prompter* prompter, const std::vector<int>& opnums, const std::string& what)
{
    if (!prompter || opnums.empty())
        return;
    std::string which = opnums.size() == 1 ? "Operation " : "Operations ";
    for (std::size_t i = 0; i < opnums.size(); ++i)
        which += (i == 0 ? "" : ", ") + std::to_string(opnums[i]);
    prompter->message("Operations", which + what, platform::MessageKind::Warning, platform::Buttons::Ok);
}

} // namespace

bool ZeroUnsoundReals(TOperationRecord& r)
{
    constexpr float Largest = 1e6f, Smallest = 1e-9f;
    bool found = false;
    forEachReal(r, [&found](float& f) {
        const float size = std::fabs(f);
        if (!(size <= Largest) || (f != 0 && size < Smallest)) {
            f = 0;
            found = true;
        }
    });
    return found;
}

std::array<std::uint8_t, OperationRecordSize> EncodeOperationRecord(const TOperationRecord& r)
{
    std::array<std::uint8_t, OperationRecordSize> bytes{};
    std::size_t at = 0;
    const auto put = [&](std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes[at++] = static_cast<std::uint8_t>(value >> (8 * i));
    };
    put(static_cast<std::uint16_t>(r.opnum), 2);
    put(static_cast<std::uint16_t>(r.reserved), 2);
    put(r.flags, 1);
    put(r.color, 1);
    put(r.optype, 1);
    forEachReal(r, [&](float f) { put(std::bit_cast<std::uint32_t>(f), 4); });
    for (const std::string& text : r.desc) {
        const std::size_t n = std::min(text.size(), OperationTextLength);
        bytes[at] = static_cast<std::uint8_t>(n);
        std::copy_n(text.begin(), n, bytes.begin() + static_cast<std::ptrdiff_t>(at + 1));
        at += OperationTextLength + 1; // the unused rest stays 0
    }
    return bytes;
}

TOperationRecord DecodeOperationRecord(const std::uint8_t* bytes)
{
    TOperationRecord r;
    std::size_t at = 0;
    const auto get = [&](int size) {
        std::uint32_t value = 0;
        for (int i = 0; i < size; ++i)
            value |= std::uint32_t{bytes[at++]} << (8 * i);
        return value;
    };
    r.opnum = static_cast<std::int16_t>(get(2));
    r.reserved = static_cast<std::int16_t>(get(2));
    r.flags = static_cast<std::uint8_t>(get(1));
    r.color = static_cast<std::uint8_t>(get(1));
    r.optype = static_cast<std::uint8_t>(get(1));
    forEachReal(r, [&](float& f) { f = std::bit_cast<float>(get(4)); });
    for (std::string& text : r.desc) {
        // A length byte past the field's size counts as the whole field.
        const std::size_t n = std::min<std::size_t>(bytes[at], OperationTextLength);
        text.assign(reinterpret_cast<const char*>(bytes + at + 1), n);
        at += OperationTextLength + 1;
    }
    return r;
}

void SetFlagBit(std::uint8_t& flags, int bit, bool on)
{
    const auto mask = static_cast<std::uint8_t>(1u << bit);
    flags = on ? static_cast<std::uint8_t>(flags | mask) : static_cast<std::uint8_t>(flags & ~mask);
}

bool TestFlagBit(std::uint8_t flags, int bit) { return (flags >> bit) & 1u; }

std::string OperationFileFolder(const AnalyzerSettings& settings)
{
    const std::string drawDir = platform::resolveStoredPath(settings.drawDir);
    return platform::folderExists(drawDir) ? drawDir : platform::programFolder();
}

TOperationTable::TOperationTable(TToolImage* toolImage) : m_toolImage(toolImage) {}

int TOperationTable::OperationCount() const
{
    const auto firstEmpty = std::find_if(m_slots.begin(), m_slots.end(), [](const auto& r) { return r.empty(); });
    return static_cast<int>(firstEmpty - m_slots.begin());
}

void TOperationTable::clearops() { m_slots.fill(OperationTemplate()); }

bool TOperationTable::LoadForProgram(const std::string& operationsFile, platform::Prompter* prompter)
{
    clearops(); // also when the file is there but cannot be read
    if (!platform::fileExists(operationsFile))
        return false;
    Loadfile(operationsFile, prompter);
    return true;
}

bool TOperationTable::Loadfile(const std::string& fileName, platform::Prompter* prompter)
{
    const auto tell = [&](const std::string& text, platform::MessageKind kind) {
        if (prompter)
            prompter->message("Operations", text, kind, platform::Buttons::Ok);
    };
    const std::string path = platform::resolveStoredPath(fileName);
    std::error_code ec;
    std::ifstream in;
    if (std::filesystem::is_regular_file(path, ec))
        in.open(path, std::ios::binary);
    if (!in.is_open()) {
        tell(OperationFileOpenError, platform::MessageKind::Error);
        return false;
    }
    clearops();
    std::array<std::uint8_t, OperationRecordSize> bytes{};
    const auto readRecord = [&] {
        in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return in.gcount() == static_cast<std::streamsize>(bytes.size());
    };
    int n = 0;
    std::vector<int> damaged;
    while (n < OperationSlots && readRecord()) {
        TOperationRecord& r = m_slots[static_cast<std::size_t>(n++)];
        r = DecodeOperationRecord(bytes.data());
        r.flags = 1; // a loaded operation is posted
        if (ZeroUnsoundReals(r))
            damaged.push_back(r.opnum);
    }
    tellUnsound(prompter, damaged,
                " in\n" + path + "\nheld values that are not numbers or out of range: they were taken as 0");
    // Trailing bytes that fill no whole record are passed over; a failing disk is not.
    if (in.bad()) {
        tell("Error Reading Operation File\n" + path, platform::MessageKind::Error);
        return false;
    }
    if (n == OperationSlots && readRecord())
        tell("The operation table holds " + std::to_string(OperationSlots) + " operations: only the first " +
                 std::to_string(OperationSlots) + " of\n" + path + "\nwere loaded",
             platform::MessageKind::Warning);
    RecentFiles.add(fileName);
    return true;
}

bool TOperationTable::Save(const std::string& fileName, platform::Prompter* prompter) const
{
    const std::string path = platform::resolveStoredPath(fileName);
    std::string bytes;
    std::vector<int> damaged;
    for (int n = 1; n <= OperationCount(); ++n) {
        TOperationRecord written = slot(n);
        if (ZeroUnsoundReals(written))
            damaged.push_back(written.opnum);
        const auto record = EncodeOperationRecord(written);
        bytes.append(reinterpret_cast<const char*>(record.data()), record.size());
    }
    tellUnsound(prompter, damaged,
                " held values that are not numbers or out of range: they were written as 0 to\n" + path);
    std::string why;
    if (platform::saveFileAtomic(path, bytes, &why))
        return true;
    if (prompter)
        prompter->message("Operations", "Error Writing Operation File\n" + path + "\n" + why,
                          platform::MessageKind::Error, platform::Buttons::Ok);
    return false;
}

bool TOperationTable::LoadLastFile(platform::Prompter* prompter)
{
    const std::string last = RecentFiles.first();
    if (last.empty() || !platform::fileExists(platform::resolveStoredPath(last)))
        return false;
    Loadfile(last, prompter);
    return true;
}

int TOperationTable::Tooltoopnum(double tool, bool lathe) const
{
    const long long t = std::isfinite(tool) ? platform::roundHalfEven(tool) : 0;
    const long long wantedTool = lathe ? t / 100 : t;
    const long long wantedOffset = t % 100;
    for (int n = 1; n <= OperationSlots; ++n) {
        const TOperationRecord& r = slot(n);
        if (r.empty() || wholeNumber(r.toolnum) != wantedTool)
            continue;
        if (!lathe || wholeNumber(r.offsetnum) == wantedOffset)
            return n;
    }
    return -1;
}

int TOperationTable::CurrentToolShape(int opSlot) const
{
    return IsSlot(opSlot) ? static_cast<int>(wholeNumber(slot(opSlot).tshape)) : -1;
}

int TOperationTable::CurrentOpcolor(int opSlot) const { return IsSlot(opSlot) ? slot(opSlot).color : 1; }

OperationHome TOperationTable::Home(int n) const
{
    if (!IsSlot(n))
        return {};
    const TOperationRecord& r = slot(n);
    return {r.xhome, r.yhome, r.zhome};
}

std::string TOperationTable::ToolDesc(int n) const
{
    if (!IsSlot(n))
        return "Tool Shape Not Defined";
    const TOperationRecord& r = slot(n);
    switch (wholeNumber(r.tshape)) {
    case ShapeEndMill: {
        const char* kind = r.cornerrad == 0 ? "Standard" : (r.tooldia / 2 > r.cornerrad ? "Bull Nose" : "Ball Nose");
        return shortText(r.tooldia) + " Diameter " + kind + " End Mill";
    }
    case ShapeDrill:
        return shortText(r.tooldia) + " Diameter Drill " + shortText(r.p[1]) + " Tip Angle";
    case ShapeDiamond:
        return shortText(r.p[0]) + " Degree Diamond, " + shortText(r.p[6]) + " I.C., " + shortText(r.p[1]) +
               " Lead Angle";
    case ShapeSquare:
        return "Square, " + shortText(r.p[6]) + " I.C., " + shortText(r.p[1]) + " Lead Angle";
    case ShapeTriangle:
        return "Triangle, " + shortText(r.p[6]) + " I.C., " + shortText(r.p[1]) + " Lead Angle";
    case ShapeRound:
        return "Round, " + shortText(r.p[6]) + " I.C.";
    case ShapeThreading:
        return "Threading, " + shortText(r.p[0]) + " Wide";
    case ShapeGrooving:
        return "Grooving, " + shortText(r.p[0]) + " Wide";
    case ShapeLatheDrill:
        return shortText(r.p[3]) + " Diameter Drill " + shortText(r.p[4]) + " Long, " + shortText(r.p[0]) +
               " Tip Angle";
    default:
        return "Tool Shape Not Defined";
    }
}

void TOperationTable::SetCurrentTIM(int n)
{
    if (!m_toolImage || !IsSlot(n))
        return;
    const TOperationRecord& r = slot(n);
    const long long shape = wholeNumber(r.tshape);
    if (shape == ShapeEndMill || shape == ShapeDrill) {
        const bool drill = shape == ShapeDrill;
        m_toolImage->BuildMillToolImage(drill, r.tooldia, drill ? 0.0 : r.cornerrad, r.p[0], r.p[1]);
    } else if (shape >= ShapeDiamond && shape <= ShapeLatheDrill) {
        std::array<double, 7> p{};
        std::copy(r.p.begin(), r.p.end(), p.begin());
        // An orientation past 1..6 draws as OD turning; any count keeps it in range.
        const long long orientation = std::clamp<long long>(wholeNumber(r.lcomp), 0, 7) - 1;
        m_toolImage->BuildLatheToolImage(static_cast<int>(shape - ShapeDiamond), static_cast<int>(orientation), p);
    }
}

void TOperationTable::SortByOpNumber()
{
    // The exchange sort of the operations list: numbers compare unsigned, so the empty
    // slots (-1) go last; equal numbers are not exchanged.
    for (std::size_t i = 0; i + 1 < m_slots.size(); ++i)
        for (std::size_t j = i + 1; j < m_slots.size(); ++j)
            if (static_cast<std::uint16_t>(m_slots[i].opnum) > static_cast<std::uint16_t>(m_slots[j].opnum))
                std::swap(m_slots[i], m_slots[j]);
}

bool TOperationTable::Renumber(platform::Prompter& prompter)
{
    std::string answer = "10";
    if (!prompter.inputString("Operations", "Increment to Renumber By", answer))
        return false;
    const auto typed = platform::parseInteger(platform::trimBlanks(answer));
    const long long increment = typed ? *typed : 10;
    int operations = 0;
    for (const TOperationRecord& r : m_slots)
        operations += r.empty() ? 0 : 1;
    // Numbers are 16-bit: an increment that would pass 32767 (or is not positive) would
    // turn operations into empty slots or negative numbers.
    const long long largest = operations > 0 ? 32767 / operations : 32767;
    if (increment < 1 || increment > largest) {
        prompter.message("Operations",
                         "The increment must be a whole number from 1 to " + std::to_string(largest) +
                             "\nThe operations keep their numbers",
                         platform::MessageKind::Warning, platform::Buttons::Ok);
        return false;
    }
    long long next = increment;
    for (TOperationRecord& r : m_slots) {
        if (r.empty())
            continue;
        r.opnum = static_cast<std::int16_t>(next);
        next += increment;
    }
    return true;
}

bool TOperationTable::DeleteCurrent(platform::Prompter& prompter, std::int16_t& runOpSlot)
{
    if (MarkedOpnum == -1)
        return false;
    const auto found =
        std::find_if(m_slots.begin(), m_slots.end(), [&](const auto& r) { return r.opnum == MarkedOpnum; });
    if (found == m_slots.end())
        return false;
    if (!prompter.ask("Confirm", "Sure You Want to Delete OP " + std::to_string(MarkedOpnum)))
        return false;
    found->opnum = -1;
    SortByOpNumber();
    MarkedOpnum = -1;
    runOpSlot = -1;
    return true;
}

bool TOperationTable::DeleteAll(platform::Prompter& prompter)
{
    if (!prompter.ask("Confirm", "Are You Sure you want to delete All Operations?"))
        return false;
    clearops();
    return true;
}

} // namespace vork
