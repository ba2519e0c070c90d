#pragma once
// The simulated machine: runs an NC program block by block against the loaded machine
// setup, in segments that end at a tool change, a stop, the Stop toggle, a pause in
// typed entry or the end of the program.
#include <string>
#include <string_view>

namespace vork {

struct TRunState;
struct TMachineSetup;
struct AnalyzerSettings;
struct RunServices;
class NCInput;
class MotionFile;

class BlockInterpreter {
public:
    BlockInterpreter(TRunState& state, TMachineSetup& setup, AnalyzerSettings& settings, RunServices& services,
                     NCInput& input, MotionFile& motion);

    // The modal state of a fresh machine (a file or machine loaded, a restart).
    void ResetMachineState();
    // Positions, offsets and the per-tool table for a new run.
    void ResetRun();
    // Runs one segment (with SKIP on, segments one after another) and returns. While a
    // run is active (also while it waits for Single or the pacing tick) a further call
    // only releases the wait: the loop is not re-entrant.
    void RunBlocks();
    // Runs the whole program unseen to find the drawn extents, fits the view to them
    // and runs it again.
    void AutoFitExtents();

private:
    enum class BlockOutcome { Next, Leave };

    bool runSegment();
    BlockOutcome runBlock();
    // Each step returns false when the block stops there (a retry of an edited block).
    bool interpretBlock();
    bool readGWords();
    bool applyGCode(int code);
    bool readDwell();
    bool readPeckIncrement();
    void readPreset();
    bool callSubProgram();
    void applyMCode(int mcode);
    bool readAxes();
    bool isArcBlock() const;
    void readRotaryWords();
    bool checkTravelLimits();
    void updateCssRadius();
    void readSpindleSpeed();
    void readFeed();
    bool readThreadLead();
    bool move();
    void drawMove();
    void drawRapidTo(double x, double y, double z);
    void writeMotionRecord();
    void writeDxfElement();
    bool homeReturn();
    bool readEndOfBlockWords();
    void resumeRepeats();
    void endBlock(bool blockHadMCode, int blockMCode);
    void endSegment();

    bool reportError(int n); // true when the block is to stop (a retry is pending)
    void waitFor(bool TRunState::*flag);
    void reopenProgram();
    void selectSpeedRange(int range);
    double coordinate(std::string_view letter, double scale);
    bool isMill() const;

    TRunState& m_state;
    TMachineSetup& m_setup;
    AnalyzerSettings& m_settings;
    RunServices& m_services;
    NCInput& m_input;
    MotionFile& m_motion;
    bool m_stoppedByToggle = false;
    bool m_endedAtToolChange = true; // the last segment ended at a tool word or a program stop
    bool m_blockHadMCode = false;
};

} // namespace vork
