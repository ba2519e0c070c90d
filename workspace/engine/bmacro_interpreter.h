#pragma once
// The B-macro interpreter: expands an NC program written with macro statements
// (assignments, IF, WHILE/DO/END, GOTO, G65/G66/M98 calls and M99 returns) into a plain
// NC program. Statements run and are not written; every other line is written with its
// variables and bracketed expressions replaced by numbers, without blanks, sequence
// numbers or comments (the last comment may be kept at the end).
#include "platform/host.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mrw {

// How a run ended.
enum class BMacroEnd {
    EndOfProgram, // the main program's last line ran
    StopCode,     // a written line held the stop code
    MainReturn,   // M99 in the main program
    OutOfLines,   // a called program ran past its last line
    Cancelled,
    Error,        // an error box ended the run
    NotRun        // nothing ran (overwrite refused, bad settings, no output file)
};

struct BMacroResult {
    BMacroEnd end = BMacroEnd::NotRun;
    bool errorShown = false; // at least one error box was shown on the way
    // The run came to the end of its program (its output is whole).
    bool finished() const;
    // The output is complete and may go on to the analyzer.
    bool normal() const { return !errorShown && finished(); }
};

// The settings of one run.
struct BMacroOptions {
    std::string CmtStart = "(";
    std::string CmtEnd = ")";
    int Digr = 4;                 // decimals of substituted values
    std::string StopCode = "M30"; // empty: only the end of the main program stops
    bool KeepComments = true;
    int SubFormat = 0;            // index into SubProgramFormats
    std::string SubFolder;        // where sub-program files lie
};

// "O1234.TAP", "O1234", "1234.TAP", "1234", "1234.SUB", "O1234.SUB".
inline constexpr int SubProgramFormatCount = 6;
std::string SubProgramFileName(int format, std::int64_t number);

// What a run shows and asks beside the error boxes.
class BMacroConsole {
public:
    virtual ~BMacroConsole() = default;
    // The value of a "??" assignment: false when cancelled; value holds the default.
    virtual bool askValue(const std::string& prompt, double& value) = 0;
    // The line about to run (1-based index in its level) and the progress, 0..100.
    virtual void showLine(int line, const std::string& text, int percent) = 0;
    // Lets the windows breathe; true when the operator asked to stop.
    virtual bool stopRequested() = 0;
};

// Where written lines go; false when the line could not be written.
class BMacroSink {
public:
    virtual ~BMacroSink() = default;
    virtual bool writeLine(std::string_view line) = 0;
};

class BMacroInterpreter {
public:
    static constexpr int VariableCount = 1000;
    static constexpr int MaxLevel = 15;
    static constexpr int ArgumentCount = 21;

    BMacroInterpreter(BMacroOptions options, BMacroSink& sink, BMacroConsole& console,
                      platform::Prompter& prompter);
    ~BMacroInterpreter();
    BMacroInterpreter(const BMacroInterpreter&) = delete;
    BMacroInterpreter& operator=(const BMacroInterpreter&) = delete;

    // Runs the memo's statements, then the program; the variable table starts empty.
    BMacroResult run(const std::vector<std::string>& memo, const std::vector<std::string>& program);

    // A variable's value (after a run, for callers that look at the end state).
    std::optional<double> variable(int number) const;

private:
    enum class States { sNormal, sAssign, sIF, sWhile, sDone };

    struct Slot {
        std::int16_t number = -1;
        double value = 0.0;
    };

    // One program level: the main program (0) or a called program.
    struct tcodebuff {
        std::string fname;
        std::vector<std::string> owned;                 // a called program's lines
        const std::vector<std::string>* buff = nullptr; // the level's lines
        int itype = 0;
        std::int64_t ntimes = 0;
        int nlines = 0;
        int lnum = 1;
        std::array<double, ArgumentCount> lvars{};
        // The lines in front of the first block (the tape's "%" lines, blank lines and the
        // program-number line): a run of the level starts after them.
        int head = 1;
    };
    class Boxes;

    void reset();
    void finish(BMacroEnd how);
    // An error box; fail() also ends the run.
    void showError(const std::string& text);
    void fail(const std::string& text);
    // Number text, with the conversion-error box when it is not a number.
    double toReal(std::string_view text);

    std::string fetchLine(int n);
    const std::string& levelLine(int n) const;
    void prepareLine(std::string& line, bool keepComment);
    void executeLine(std::string line);

    bool substituteVariables(std::string& text);
    bool substituteBrackets(std::string& text);
    bool substitute(std::string& text) { return substituteVariables(text) && substituteBrackets(text); }
    std::optional<double> lookUp(int number) const;
    bool store(int number, double value);
    std::string valueText(double value) const;

    // The condition of an IF or WHILE; the line becomes the text after it when it holds.
    bool condition(std::string& line);
    // The same for the condition at or after `from`: the position after it when it
    // holds, nothing when it does not (or cannot be evaluated). The line stays as it is.
    std::optional<std::size_t> conditionAt(const std::string& line, std::size_t from);
    std::optional<int> loopNumber(const std::string& line, std::string_view word);
    bool checkLoopNumber(const std::optional<int>& number, const std::string& line);
    void skipPastEnd(const std::string& line);
    void jumpBackToDo(const std::string& line);
    void gotoLine(std::string line);
    void assign(std::string line);
    void writeLine(std::string line);

    void call(const std::string& line, int kind);
    void passArguments(const std::string& line);
    void returnFromCall();

    BMacroOptions m_options;
    BMacroSink& m_sink;
    BMacroConsole& m_console;
    std::unique_ptr<Boxes> m_boxes;

    std::array<Slot, VariableCount> varlist{};
    std::array<std::int16_t, 32768> m_slotOf{}; // variable number -> slot, -1 when none
    int m_used = 0;                              // slots taken, from the first one up
    std::array<tcodebuff, MaxLevel + 1> ncfiles{};
    std::vector<std::string> m_noLines;
    int inputlevel = 0;
    int Line = 0;
    std::string Linest;
    std::string oldcmt;
    int Gmode = -1;
    bool G66Mode = false;
    States thestate = States::sNormal;
    BMacroResult m_result;
};

// The settings text of "Digits Right" as decimals; nothing when it is not a whole
// number from 0 to 15 once rounded.
std::optional<int> DigitsRightFromText(std::string_view text);

// One run as the dialog starts it: checks the settings, asks before overwriting the
// output file, keeps the memo in the variables file, writes the output file. A run that
// does not finish leaves the output file as it was and says so.
struct BMacroJob {
    std::string OutputFile;
    std::string VariablesFile; // BMACROVARS.TXT
    std::vector<std::string> Memo;
    std::string Digr = "4";
    BMacroOptions Options;     // Digr and SubFolder are filled in from the two above
};

BMacroResult RunBMacroJob(BMacroJob job, const std::vector<std::string>& program, BMacroConsole& console,
                          platform::Prompter& prompter);

} // namespace mrw
