#pragma once
// The simulated control as data: 150 integer, 75 real and 75 string parameters
// (I1..I150, R1..R75, S1..S75) read from a machine-setup file (.MCH).
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vork {

constexpr int IntCount = 150;
constexpr int RealCount = 75;
constexpr int StrCount = 75;
constexpr int MaxSetupString = 8;

// The value a machine gives a parameter it does not have.
constexpr int NotSetInt = -9999;
constexpr double NotSetReal = -9999.0;
inline const std::string NotSetString = "NONE";

// The analyzer's tables. Arrays are indexed 1..N as the parameters are named;
// element 0 is never used. They start as zeros and empty strings.
struct TMachineSetup {
    std::array<std::int32_t, IntCount + 1> Ints{};
    std::array<double, RealCount + 1> Reals{};
    std::array<std::string, StrCount + 1> Strs{};
    std::string FileName;          // the file last loaded (full path as passed)
    // The parameters some load has given (in file order: I1..I150, R1..R75, S1..S75).
    std::array<bool, IntCount + RealCount + StrCount> Given{};
    std::uint8_t PostOption = 0;   // I126, 0..9

    // Shorthands for the engine: I(12), R(37), S(24).
    std::int32_t I(int n) const { return Ints[static_cast<std::size_t>(n)]; }
    double R(int n) const { return Reals[static_cast<std::size_t>(n)]; }
    const std::string& S(int n) const { return Strs[static_cast<std::size_t>(n)]; }
    // R n, or `whenNotSet` when the machine does not set it (a time or rate not set is none).
    double RealOr(int n, double whenNotSet) const { return R(n) <= NotSetReal ? whenNotSet : R(n); }
    bool isLathe() const { return Ints[1] == 2; }
};

// The machine-setup editor's working copy: 16-bit integers and single-precision reals.
struct MachineSetupWorkingCopy {
    std::array<std::int16_t, IntCount + 1> mach_int{};
    std::array<float, RealCount + 1> Mach_real{};
    std::array<std::string, StrCount + 1> Mach_Str{};

    // A new machine: every parameter not set, then the defaults of the table.
    void SetDefaults();
};

// Told when a machine has been loaded, so that the view follows the machine type
// (a lathe gets the lathe view and the drawing layer's lathe mode).
class MachineTypeListener {
public:
    virtual ~MachineTypeListener() = default;
    virtual void machineLoaded(bool lathe) = 0;
};

// Reads a machine-setup file over the analyzer's tables (parameters the file does not
// name keep their values), then applies the post option rules. Returns false, and
// changes nothing at all, when the file cannot be read.
// `notes` receives one line for each line that names a parameter but does not read
// (which line, and the value the parameter keeps), and the parameters that neither
// this file nor an earlier one gave.
bool LoadMachineFile(TMachineSetup& setup, const std::string& fileName,
                     MachineTypeListener* listener = nullptr, std::vector<std::string>* notes = nullptr);
// The same rules on lines already in memory (the file name is recorded as given).
void LoadMachineLines(TMachineSetup& setup, const std::string& fileName,
                      const std::vector<std::string>& lines, MachineTypeListener* listener = nullptr,
                      std::vector<std::string>* notes = nullptr);

// Reads a machine-setup file over the editor's working copy. False when unreadable.
// `notes` as for LoadMachineFile, with the parameters the file does not name.
bool ReadMachineFile(MachineSetupWorkingCopy& copy, const std::string& fileName,
                     std::vector<std::string>* notes = nullptr);
void ReadMachineLines(MachineSetupWorkingCopy& copy, const std::vector<std::string>& lines,
                      std::vector<std::string>* notes = nullptr);

// The editor's single-precision value of a number, or nothing when it cannot hold it.
std::optional<float> SetupReal(double value);

// What the user is told about the notes of a machine file that did not read in full.
std::string MachineFileNotesText(const std::string& fileName, const std::vector<std::string>& notes);

// The 300 lines of a machine-setup file for the working copy (without line ends).
std::vector<std::string> FormatMachineFile(const MachineSetupWorkingCopy& copy);
// Writes the file (CR LF), replacing an old one only once the new one is complete.
bool WriteMachineFile(const MachineSetupWorkingCopy& copy, const std::string& fileName,
                      std::string* errorText = nullptr);

// ---- The parameter dictionary, for the machine-setup editor ----

enum class SetupGroup {
    MachineType, AxisNames, GCodes, MCodes, NumberFormats, CostFactorsAndLimits,
    SpindleParameters, SequenceNumbers, ToolCompensation, NotAsked
};

// Machine types (I1) as bits of SetupParameterInfo::machineTypes.
enum MachineTypeBit : unsigned {
    MillBit = 1, LatheBit = 2, PunchBit = 4, EdmBit = 8, FlameBit = 16, AllMachineTypes = 31
};
unsigned machineTypeBit(int machineType);

struct SetupParameterInfo {
    char table;                 // 'I', 'R' or 'S'
    int index;
    const char* question;       // the editor's question; "" when not asked. For I72/I73
                                // and R54..R56 the editor completes the text (see below).
    const char* punchQuestion;  // a different question on a punch, else nullptr
    double defaultNumber;       // I and R parameters
    const char* defaultString;  // S parameters
    SetupGroup group;
    SetupGroup punchGroup;
    unsigned machineTypes;      // the machine types the editor asks it for
    const char* condition;      // a further condition for asking ("I12 = 1"), or ""
    const char* notes;          // allowed values and the editor's corrections
};

// All 300 parameters: I1..I150, R1..R75, S1..S75 in this order.
const std::vector<SetupParameterInfo>& SetupParameters();
const SetupParameterInfo& SetupParameter(char table, int index);
const char* SetupGroupName(SetupGroup group);

// Legends the editor shows with some questions.
const std::vector<std::string>& PostOptionLines();      // "Custom Post options are:"
const std::vector<std::string>& ArcCentreMethodLines(); // "Method of describing the center of an arc :"
const std::vector<std::string>& NumberFormatLines();    // "Format selections are :"
const std::vector<std::string>& RegisterFormatLines();  // N, G, M, S, T registers
// The register words completing the I72/I73 question for the thread-lead letter S20.
std::string ThreadLeadRegisterWords(std::string_view s20);
// The R54..R56 question for an axis letter: "Time to Index -A- Axis 360 Degrees".
std::string RotaryIndexQuestion(std::string_view axisLetter);

} // namespace vork
