#pragma once
// A job's machining operations: 50 slots of operation records (tool, shape and sizes,
// feed, speed, coolant, home position, path colour, description), stored as an
// operations file (".OPF"), a plain sequence of 451-byte records. The run looks up the
// operation of each tool it changes to; the operations manager edits the table.
#include "analyzer/engine/recent_file_list.h"
#include "analyzer/engine/run_services.h"

#include <array>
#include <cstdint>
#include <string>

namespace platform {
class IniFile;
class Prompter;
} // namespace platform

namespace vork {

struct AnalyzerSettings;
class TToolImage;

inline constexpr int OperationSlots = 50;
inline constexpr std::size_t OperationRecordSize = 451;
inline constexpr std::size_t OperationTextLength = 80;
// The file dialog's filter and the messages of the file commands.
inline constexpr const char* OperationFileFilter = "Operation Files (*.OPF *.opf)";
inline constexpr const char* OperationFileOpenError = "Error Opening Operation File";

// Tool shapes (tshape).
enum ToolShape { ShapeEndMill, ShapeDrill, ShapeDiamond, ShapeSquare, ShapeTriangle, ShapeRound,
                 ShapeThreading, ShapeGrooving, ShapeLatheDrill };

struct TOperationRecord {
    std::int16_t opnum = -1;    // -1 marks an empty slot
    std::int16_t reserved = -1; // never read
    std::uint8_t flags = 1;     // bit 0: posted (in the solid-verification export)
    std::uint8_t color = 1;     // path colour, palette index
    std::uint8_t optype = 1;    // 0 turning, 1 milling, 2 a kind kept as read
    // The 30 singles of the record, in file order.
    float toolnum = 0, offsetnum = 0, tooldia = 0, feed = 0;
    float feedmode = 1;      // 1 per minute, 2 per revolution
    float speed = 0;
    float spindle = 1;       // 1 RPM, 2 CSS; negative: not forward
    float range = 1;         // 1..5
    float coolant = 1;       // 1 Flood, 2 Off, 3 Mist
    float stock = 0;
    float xhome = 0, yhome = 0, zhome = 0; // where the run places the tool
    float lcomp = 0;         // turning orientation 1..6
    float glx = 0, glz = 0, fixoff = 0;
    float tshape = 0;        // ToolShape
    float cornerrad = 0;
    std::array<float, 7> p{}; // shape parameters p1..p7
    std::array<float, 4> spare{};
    std::array<std::string, 4> desc; // at most 80 characters each; the fourth stays empty

    bool empty() const { return opnum == -1; }
    friend bool operator==(const TOperationRecord&, const TOperationRecord&) = default;
};

// The record every slot starts with and holds again after Delete All.
inline TOperationRecord OperationTemplate() { return {}; }

std::array<std::uint8_t, OperationRecordSize> EncodeOperationRecord(const TOperationRecord& r);
TOperationRecord DecodeOperationRecord(const std::uint8_t* bytes);

// Sets each single of the record that is no sound value to 0: one that is not a number
// (NaN or infinite) or lies outside any size, feed or speed an operation holds (beyond a
// million, or nearer 0 than a billionth: a damaged file). True when there was one.
bool ZeroUnsoundReals(TOperationRecord& r);

void SetFlagBit(std::uint8_t& flags, int bit, bool on);
bool TestFlagBit(std::uint8_t flags, int bit);

// The folder the save and open dialogs start in: DRAWDIR, or the program folder when
// that does not exist.
std::string OperationFileFolder(const AnalyzerSettings& settings);

class TOperationTable : public OperationTable {
public:
    // SetCurrentTIM builds into the given picture (none: it builds nothing).
    explicit TOperationTable(TToolImage* toolImage = nullptr);

    // Slot n, 1..50.
    TOperationRecord& slot(int n) { return m_slots.at(static_cast<std::size_t>(n - 1)); }
    const TOperationRecord& slot(int n) const { return m_slots.at(static_cast<std::size_t>(n - 1)); }
    // The operations: the slots before the first empty one.
    int OperationCount() const;
    static bool IsSlot(int n) { return n >= 1 && n <= OperationSlots; }

    // The operations manager's scratch record.
    TOperationRecord SpareOperation;
    // The operation number the user marked as current (the "Current" marker), -1 none.
    int MarkedOpnum = -1;
    // The operations recent-files list; read and written with ZV.INI by the main window.
    RecentFileList RecentFiles{RecentOperationFilesSection};

    void clearops();
    // Loads an operations file into the table and puts its name first in the recent
    // list. A file that cannot be opened leaves the table as it was; a read error midway
    // keeps the slots read and leaves the recent list; records past 50 are not loaded
    // and the user is told, as of each operation whose values that are not numbers were
    // taken as 0. False on any failure.
    bool Loadfile(const std::string& fileName, platform::Prompter* prompter);
    // Writes the operations to the file through a temporary file beside it, so the old
    // file stays whole when writing fails (reported, false). A value that is not a
    // number is written as 0, and the user is told.
    bool Save(const std::string& fileName, platform::Prompter* prompter) const;
    // Loads the most recent operations file when it exists.
    bool LoadLastFile(platform::Prompter* prompter);
    // The operations of a program just opened, from its operations file: a program
    // without one starts with none, never with another program's. False (the table
    // empty) when there is no such file.
    bool LoadForProgram(const std::string& operationsFile, platform::Prompter* prompter);

    // The slot of the first operation that uses the tool (a lathe T word holds tool and
    // offset: 1203 is tool 12, offset 3), -1 for none.
    int Tooltoopnum(double tool, bool lathe) const override;
    // The current operation's tool shape, -1 without one.
    int CurrentToolShape(int opSlot) const;
    int CurrentOpcolor(int opSlot) const override;
    // One line describing the slot's tool, for the printed list.
    std::string ToolDesc(int n) const;
    void SetCurrentTIM(int n) override;
    int OperationNumber(int n) const override { return IsSlot(n) ? slot(n).opnum : -1; }
    OperationHome Home(int n) const override;

    // Orders the slots by operation number, empty slots last.
    void SortByOpNumber();
    // The table commands; each asks through the prompter and returns whether the table
    // changed. Delete Current clears the marker and the run's current slot.
    bool Renumber(platform::Prompter& prompter);
    bool DeleteCurrent(platform::Prompter& prompter, std::int16_t& runOpSlot);
    bool DeleteAll(platform::Prompter& prompter);

private:
    std::array<TOperationRecord, OperationSlots> m_slots;
    TToolImage* m_toolImage;
};

} // namespace vork
