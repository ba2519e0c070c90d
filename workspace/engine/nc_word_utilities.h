#pragma once
// The NC utilities that rewrite address words with the NC number format: feed and
// speed override, arithmetic on register words, and reformatting a program for another
// machine. They run in the batch frame of nc_batch.h.
#include "workspace/engine/machine_settings.h"
#include "workspace/engine/nc_batch.h"
#include "workspace/engine/workspace_globals.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace mrw {

// A register word: its letter and the longest run of "+", "-", "." and digits after it.
// Rewrites every word of the line, outside comment runs, whose letter `isRegister`
// takes; `rewrite` gives the new word, or nothing to leave the word as it stands. Words
// without a number are always left as they stand.
void rewriteRegisterWords(std::string& line, const CommentMarks& marks, const std::function<bool(char)>& isRegister,
                          const std::function<std::optional<std::string>(std::string_view word)>& rewrite);

// A machine's NC-format conventions as the number utilities read them.
struct NcConventions {
    CommentMarks comments;
    std::string rapid, linear, clockwise, counterClockwise;
    int mode = 1;
    int digitsLeft = 3;
    int digitsRight = 4;
    int feedDigits = 2;
};
// The conventions of settings; nothing, after the conversion message, when a digit
// count is not a whole number from 0 to 15.
std::optional<NcConventions> readConventions(const MachineSettings& settings, platform::Prompter& prompter);

// Every F word times feedPercent / 100 in the machine's format with its feed digits,
// every S word times speedPercent / 100 as a whole number. A result that is not finite
// leaves its word.
void DoFeedSpeedOverride(BatchContext& context, const MachineSettings& machine, int feedPercent, int speedPercent);

// Adds, subtracts, multiplies or divides every word of the registers (Arith options)
// by the amount.
void DoArithmetic(BatchContext& context, const MachineSettings& machine);

// The one line step of reformat from one machine's conventions to another's.
struct ReformatStep {
    ReformatOptions options;
    bool mixedOk = true; // a decimal-format word without "." has trailing-zero digits
    NcConventions from, to;
    void operator()(std::string& line) const;
};

// Converts the text from the current machine's conventions to those of `newMachine`
// and makes it the current machine; selectMachine puts a name into the main window's
// selector and returns the item it then shows ("" when the name is not listed). When
// either machine's digit counts are wrong nothing changes. The options and the name are
// copies: loading the new machine replaces the settings they may come from.
using SelectMachine = std::function<std::string(const std::string& name)>;
void DoReformat(BatchContext& context, WorkspaceGlobals& globals, ReformatOptions options, bool mixedOk,
                std::string newMachine, const SelectMachine& selectMachine);

} // namespace mrw
