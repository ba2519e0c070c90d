#pragma once
// The current machine's settings as the setup dialog and the NC-utility option
// dialogs show them. The dialogs edit these values live, so what was typed stays in
// force (also after Cancel) until the next load; the NC utilities, the B-macro
// interpreter, the send dialog and the DNC terminal read them from here.
//
// Field names are those of the controls that show them. Box selections are item
// indexes (-1 = no selection), check boxes are bools, edits keep their text as typed.
#include "workspace/engine/machine_record.h"

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace mrw {

inline constexpr std::array<std::string_view, 5> MachineTypeTexts{"Mill", "Lathe", "DXF File", "Print File",
                                                                  "Bendix Mill"};
namespace machinetype { inline constexpr int Mill = 0, Lathe = 1, DxfFile = 2, PrintFile = 3, BendixMill = 4; }
inline constexpr std::array<std::string_view, 4> LatheFormatTexts{
    "Out 2' Dia as X2.0", "Out 2' Dia as X1.0", "Out 2' Dia as X-1.0", "Out 2' Dia as X-2.0"};
inline constexpr int SubstitutionRows = 21;
inline constexpr std::size_t SubstitutionTextLimit = 80;

// Ranges of the spin fields; loaded values are held within them.
struct SpinRange {
    int low;
    int high;
    int clamp(int v) const { return v < low ? low : (v > high ? high : v); }
};
inline constexpr SpinRange EofTimeRange{0, 9999};
inline constexpr SpinRange DelayRange{0, 999};       // Cdelay, Ldelay
inline constexpr SpinRange XoffTimeRange{1, 9999};
inline constexpr SpinRange MultiFileDelayRange{1, 9999};
inline constexpr SpinRange RtsDelayRange{0, 9999};   // dropRTSDelay, KeepRTSDelay
inline constexpr SpinRange RemoteDelayRange{0, 9999};

struct ResequenceOptions {   // the resequencing dialog
    std::string snum = "10";
    std::string nincr = "10";
    std::string maxdig = "4";
    std::string Seqchrs = "N/";
    std::string skpchrs = "<(%=$#OE\\^@:";
    bool lzeros = false;

    bool operator==(const ResequenceOptions&) const = default;
};

struct LineBeginEndOptions { // the change line begin/end dialog
    std::string Bfrom, Bto, Efrom, Eto;

    bool operator==(const LineBeginEndOptions&) const = default;
};

struct ArithmeticOptions {   // the arithmetic dialog
    std::string Amount = "1.0";
    std::string Regs = "XYZIJKR";
    int Operation = 1;        // 1 add (RBadd), 2 subtract, 3 multiply, 4 divide

    bool operator==(const ArithmeticOptions&) const = default;
};

struct MakeColumnsOptions {  // the make columns dialog
    std::string Regorder = "NGXYZRFSTHM";
    std::string tabw = "10";

    bool operator==(const MakeColumnsOptions&) const = default;
};

struct SubstitutionRow {
    std::string Old;
    std::string New;

    bool operator==(const SubstitutionRow&) const = default;
};

struct ReformatOptions {     // the reformat dialog
    bool Cbrefreg = true;
    bool Cbgcode = true;
    bool Cbcmt = true;
    bool Cbusesub = true;
    std::string Regs = "XYZIJKRF";
    // The machine preselected as the reformat target ("" = none).
    std::string ReformatTargetMachine;
    std::array<SubstitutionRow, SubstitutionRows> Rows;

    bool operator==(const ReformatOptions&) const = default;
};

struct FileCleanupOptions {  // the file cleanup dialog, in the stored order FCOPT1..FCOPT6
    bool DeleteBeforeFirstPercent = false; // CheckBox4
    bool RemoveControlCharacters = false;  // CheckBox3
    bool RemoveComments = false;           // CheckBox2
    bool RemoveBlankLines = false;         // CheckBox1
    bool StripAfterProgramEnd = false;     // CBendprog
    bool AddStopCode = false;              // CBaddstopcode

    bool operator==(const FileCleanupOptions&) const = default;
};

struct MachineSettings {
    // "Machine Format"
    int MachType = machinetype::Mill;
    bool Babs = true;           // false: Binc
    int Format = 1;             // 1 Bdecimal, 2 BLzeros, 3 BTzeros, 4 BLTzeros
    std::string Digl = "3";
    std::string Digr = "4";
    int Lformat = 0;
    std::string FeedDigits = "2";
    std::string Eddesc;
    // "Machine Format #2"
    int ArcType = 5;            // 1..6: arctype1 .. Arctype6
    bool Bred = false;
    bool Bseq = true;
    std::string StartSeq = "10";
    std::string RapCode = "G00";
    std::string Lincode = "G01";
    std::string CWcode = "G02";
    std::string CCwcode = "G03";
    std::string CmtStart = "(";
    std::string CmtEnd = ")";
    std::string ProgID = "O";
    // "Defaults"
    std::string Defext = "TAP";
    std::string DirUPL = "C:\\HALVEN";
    std::string DirDNL = "C:\\HALVEN";
    std::string DirLS = "C:\\HALVEN";
    bool CBForceUpload = true;
    bool CBforceDownload = true;
    bool CBForceloadsave = true;
    // NC-utility option dialogs
    ResequenceOptions Reseq;
    LineBeginEndOptions ChgBeginEnd;
    ArithmeticOptions Arith;
    MakeColumnsOptions MakeCols;
    ReformatOptions Reformat;
    FileCleanupOptions Fclean;
    // "Communications: Properties"
    int Hubnum = 0;
    int Portnum = 0;
    int Baudnum = 5;
    int Bitsnum = 3;
    int Paritynum = 2;
    int Sbitsnum = 2;
    int Xonxoff = xonxoff::None;
    bool Hdwhand = false;
    bool duplex = true;
    bool autolf = true;
    bool Ansiemu = true;
    // "Communications: Machine"
    int Tapecode = tapecode::Iso;
    std::string llen = "0";
    std::string Sendinit, Startsend, Endsend, Startrecv, Endrecv;
    bool CBStripBlanks = false;
    bool CBStripLfs = false;
    bool CBRunFclean = false;
    // "Communications: Advanced"
    int crin = lineend::None, Lfin = lineend::None, Crout = lineend::None, LFout = lineend::None;
    int Mproto = protocol::Ascii;
    int EOFTime = 10;
    int Cdelay = 0;
    int Ldelay = 0;
    int XoffTime = 1;
    int MfileDelay = 1;
    int dropRTSDelay = 0;
    int KeepRTSDelay = 0;
    int Edtype = devicetype::MachineControl;
    bool xonwait = false;
    bool xonwait1 = false;
    bool CBDFTask = false;
    // "Communications: Remote"
    std::string EStartSend = "SND", Eendsend = ")";
    std::string EStartRecv = "RCV", EEndRecv = ")";
    std::string EStartDir = "DIR", EEndDir = ")";
    std::string EStartPath = "PTH", Eendpath = ")";
    std::string EStartMSG = "MSG", Eendmsg = ")";
    int Sdelay = 30, Rdelay = 30, Ddelay = 30;
    bool CBOverwrite = false;

    bool operator==(const MachineSettings&) const = default;
};

// The number format mode of the checked zero-format button (1 to 4).
int NumberFormatMode(const MachineSettings& s);

// Fills the communication fields of `record` from the settings (item indexes, 0/1 for
// check boxes, spin values, texts; LeaderLength is the leader text as a decimal whole
// number, 0 when it is not one). Name, Folder1 and Folder2 stay as they are.
void MachineRecordExchange(const MachineSettings& s, MachComRec& record);

// The holder of the current machine's settings for the whole run, with the setup
// dialog's modified mark. Windows that show the settings register an observer and
// refresh when a load replaces them; edits go straight into settings().
class MachineModel {
public:
    MachineSettings& settings() { return m_settings; }
    const MachineSettings& settings() const { return m_settings; }

    bool modified() const { return m_modified; }
    void setModified(bool on) { m_modified = on; }

    using Observer = std::function<void()>;
    // Returns an id for removeObserver.
    int addObserver(Observer observer);
    void removeObserver(int id);
    // Tells every observer that the settings were replaced (after a load).
    void notifyReloaded() const;

private:
    MachineSettings m_settings;
    bool m_modified = false;
    std::vector<std::pair<int, Observer>> m_observers;
    int m_nextObserverId = 1;
};

} // namespace mrw
