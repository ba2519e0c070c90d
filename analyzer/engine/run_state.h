#pragma once
// The state of an analyzer run: one instance lives for the whole program. It holds the
// input side (block texts, the NC file, sub-program files, the work copy), the simulated
// machine (modal state, positions, feeds and speeds, cycle fields), the times of the run
// and the flags through which the main window and the block loop act on each other.
#include "platform/linestream.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vork {

// Motion modes of a block.
enum MotionMode : int {
    ModeRapid = 0,
    ModeLinear = 1,
    ModeCW = 2,
    ModeCCW = 3,
    ModeCycle = 4,
    ModeThread = 5,
    ModeLatheCycle = 8,
    ModeDwell = 9,
    ModeRevDwell = 10,
    ModePreset = 11,
    ModeThreadCycle = 13,
    ModeRotaryA = 15,
    ModeRotaryB = 16,
    ModeRotaryC = 17,
};

enum PlaneSelect : int { PlaneXY = 0, PlaneZX = 1, PlaneYZ = 2 };
enum FeedModeSelect : int { FeedPerMinute = 0, FeedPerRevolution = 1, FeedInverseTime = 2 };

// A position that is not set.
constexpr double NotSetPosition = -9999.9999;
constexpr int MaxSubLevel = 3;
constexpr int ToolTimeRows = 100;
constexpr int CodeListLines = 25;

// The per-tool table: one row per booked run segment, rows 1..100.
struct TToolTimeTable {
    struct Row {
        int tool = -1;
        float rpm = 0;
        float time = 0;
        float total = 0;
        float ipm = 0;
    };
    int count = 0;
    std::array<Row, ToolTimeRows + 1> rows{}; // element 0 unused

    void clearRows() { rows.fill(Row{}); }
};

struct TRunState {
    // ---- Input and files ----
    std::string Block;       // the block being interpreted; words are deleted as used
    std::string RawBlock;    // the line as read; what reaches the work copy
    std::string PrevBlock;   // raw text of the previous block, written at the next fetch
    bool WordFound = false;
    double WordValue = 0;
    char BadFormatLetter = ' ';
    std::string NCFileName;
    std::string DifFileName;
    std::string DataFileName; // NCCODE.DAT in the program folder
    bool DataFileOn = true;
    bool DataFileOpen = false;
    bool WorkCopyOpen = false;
    bool TypedEntry = false;
    bool AutoSequence = false;
    std::int64_t SeqNumber = 0;
    int SubLevel = 0;
    std::array<platform::LineReader, MaxSubLevel + 1> SubFile; // 1..3
    std::array<int, MaxSubLevel + 1> SubRepeat{};              // 1..3
    bool SubSplit = false;
    bool KeepFileName = false;
    bool FirstBlock = true;
    bool EndOfProgram = false;
    bool SegmentEnd = false;
    bool NoDisplay = false;
    // A program is open for the run: the last open read it (or began a typed one).
    bool ProgramLoaded = false;
    // NC errors reported so far: a report may replace Block, so a reader that keeps
    // positions in Block across a call that can report knows to start again.
    int NCErrorCount = 0;

    platform::LineReader NCFile;
    platform::LineWriter WorkCopy;   // DV.TMP beside the NC file, else in WorkCopyFolders
    std::string WorkCopyName;
    bool WorkCopyFailed = false;     // a line could not be written: the copy is incomplete
    std::string WorkCopyError;       // why it is incomplete, naming the file
    // Where the work copy goes, in this order, when the NC file's folder cannot be
    // written: folders of this program that outlive the run, so that an edit kept there
    // for the user stays.
    std::vector<std::string> WorkCopyFolders;
    bool ProgramEdited = false;      // a block of the main program was edited: the copy replaces it
    platform::LineWriter DataFile;   // the data listing
    int TypedSinceReopen = 0;        // typed blocks since the work copy last reached the disk

    // ---- The simulated machine ----
    int Mode = ModeRapid;
    int ModeSave = ModeRapid;
    int LastMode = ModeRapid;
    bool Metric = false;
    bool Absolute = true;
    int Plane = PlaneXY;
    int FeedMode = FeedPerMinute;
    int SpindleMode = 0; // 0 RPM, 1 constant surface speed
    bool CssInhibit = false;
    double CurX = 0, CurY = 0, CurZ = 0;
    double PrevX = 0, PrevY = 0, PrevZ = 0;
    double OffX = 0, OffY = 0, OffZ = 0;
    double HomeX = 0, HomeY = 0, HomeZ = 0;
    double RotA = 0, RotB = 0, RotC = 0;
    double PrevRotA = 0, PrevRotB = 0, PrevRotC = 0;
    double Feed = 0;
    double FeedPerRev = 0;
    double Rpm = 0;
    double SurfaceSpeed = 0;
    double CssRadius = 0;
    int SpeedRange = 1;
    double RangeMaxRpm = 0;
    double MaxRpm = 0;
    bool MaxRpmSet = false;
    double Lead = 0;
    double PeckIncrement = 0;
    bool Peck = false;
    bool FeedOut = false;
    bool RetractToInitial = false;
    double InitialPlane = 0;
    double RPlane = 0.1;
    bool CycleFirstBlock = false;
    double CycleDepth = 0;
    double CycleBottom = 0; // Z of the current drilling cycle's hole bottom
    // The holes of a repeated drilling cycle that a Stop left undrilled, and the step
    // between them: the next Start drills them before it reads the next block.
    std::int64_t RepeatsLeft = 0;
    double RepeatStepX = 0, RepeatStepY = 0;
    int Tool = 0;
    int SegmentTool = 0;
    int MCode = -9999;
    bool HomeReturn = false;
    bool HomeReturnTool = false;
    bool RapidWord = false;
    bool Moved = false;
    bool AxisMoved = false;
    bool MaxRpmBlock = false;
    bool LatheMachine = false;
    std::int16_t OpSlot = -1;
    int ColorIndex = 0;
    int BlockCount = 0;
    bool Retry = false;
    bool RestartPending = true;
    bool SingleBlock = false;

    // ---- Arcs ----
    double CentreWordX = NotSetPosition, CentreWordY = NotSetPosition, CentreWordZ = NotSetPosition;
    double RadiusWord = 0;
    double ArcError = 0;

    // ---- Times (minutes) ----
    double SegTime = 0;
    double LastSegTime = 0;
    double TotalTime = 0;
    double TotalCost = 0;
    double MoveLength = 0;
    double ArcTime = 0;
    double AvgRapid = 1;
    double PunchTime = 1;
    TToolTimeTable ToolTimes;

    // ---- Run control, shared with the main window ----
    bool StartPressed = false; // releases the single-block wait
    bool StopRequest = false;  // the Stop toggle is down
    bool CloseRequest = false; // the window is closing: leave before the next block
    bool PacingTick = false;   // the run-speed timer ticked
    bool Running = false;      // the block loop is active (it is not re-entrant)
};

} // namespace vork
