#pragma once
// The input side of a run: opening an NC program, delivering its blocks (from the file,
// a sub-program file or typed in), cleaning them, keeping the work copy DV.TMP through
// which edits made during the run reach the NC file, and reading address words by the
// number formats of the simulated control.
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vork {

struct TRunState;
struct TMachineSetup;
struct RunServices;

// Number formats of address words.
enum WordFormat : int {
    FormatDecimal = 0,   // as written, with its decimal point
    FormatLeading = 1,   // the first `left` digits are the integer part
    FormatTrailing = 2,  // the last `right` digits are the fraction
    FormatLeadingTrailing = 3, // read as FormatTrailing
};

class NCInput {
public:
    NCInput(TRunState& state, const TMachineSetup& setup, RunServices& services);

    // Prepares a run on the NC program `name` (a missing file starts typed entry). A
    // program that cannot be read (or a folder) is reported and left alone: false, and
    // no work copy exists.
    bool OpenNCFile(const std::string& name);
    // Fills Block and RawBlock with the next block, or sets EndOfProgram.
    void ReadNextBlock();
    // Ends the use of the NC file. When a block of the program was edited during the run
    // (or the program was typed in) the work copy takes its place, complete or not at
    // all; false when it could not. A program nobody edited is left untouched.
    bool CloseNCFile();
    // Starts reading the sub-program file one level down, `times` times over. At the
    // first level the calling block goes to the work copy now, as the user wrote it.
    // False (and no call) when the file cannot be opened or three levels are open.
    bool EnterSubProgram(const std::string& fileName, int times);
    // Writes every sub-program after the main program into its own O####.SUB file.
    void SplitSubPrograms();

    // Looks for `address` in Block: sets WordFound and, when found, WordValue.
    void ReadWordValue(std::string_view address, int format, int left, int right);
    // A coordinate word in the machine's coordinate format (inch or metric digits).
    void ReadCoordinateWord(std::string_view address);
    // Deletes the first G word from Block.
    void StripGWord();
    // Reads the G words of Block from the first on, each as ReadWordValue("G", 0, 2, 2)
    // reads it, hands its value to `apply` and deletes it (StripGWord), until no word
    // is left, a value is not below 2147483647 in magnitude, or after the first word
    // with `firstOnly`. False, with Block as `apply` left it, when `apply` returns false.
    // Time in proportion to the block's length, however many words it holds.
    bool ReadGWords(const std::function<bool(double)>& apply, bool firstOnly);

    // Text rewrites for particular controls.
    static void SlashToIncremental(std::string& block);
    static void ConvertDelimitedLine(std::string& block, std::string_view s41);

    // The name of the DIF export for an NC file: its extension replaced by ".DIF".
    static std::string DifFileNameFor(const std::string& ncFileName);

private:
    // Reads the word whose address starts at `at` in Block (npos: no such word).
    void readWordAt(std::size_t at, char letter, int format, int left, int right);
    void readWordText(std::string text, char letter, int format, int left, int right);
    // The format a word is read in: mixed formats (I105) and unknown formats resolved.
    int effectiveFormat(char letter, int format, bool point) const;
    bool readNextLine();
    void fetchBlockLine();
    void cleanBlock();
    void runDirective();
    void drawLabel();
    void writeWorkCopyLine(const std::string& line);
    bool replaceNCFileByWorkCopy();
    void discardWorkCopy();
    void numberTypedBlock();
    void showError(const std::string& text);
    bool createWorkCopy();

    TRunState& m_state;
    const TMachineSetup& m_setup;
    RunServices& m_services;
    std::vector<std::pair<std::size_t, std::size_t>> m_blankedGWords; // ReadGWords' words, kept to spare allocations
};

// True when `part` occurs in `text`; an empty part never occurs.
inline bool occurs(std::string_view text, std::string_view part)
{
    return !part.empty() && text.find(part) != std::string_view::npos;
}

} // namespace vork
