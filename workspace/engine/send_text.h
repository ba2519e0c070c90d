#pragma once
// The editor text as it goes to a send: whole lines with tabs expanded and NUL as a blank,
// chosen by the send mode, written with CR LF.
#include <string>
#include <string_view>
#include <vector>

namespace mrw {

inline constexpr std::size_t PrintLineLimit = 1024;

// A line as the editor prints it: tabs expanded to the next multiple of tabSize,
// NUL shown as a blank, cut to PrintLineLimit characters.
std::string printableLine(std::string_view line, int tabSize);

// A line as it goes to a send: expanded as printed, but whole, however long (a control
// would take a cut line as the end of its block and lose the rest).
std::string sendableLine(std::string_view line, int tabSize);

// Where the caret and the selection stand; lines count from 0.
struct EditorTextView {
    std::vector<std::string> lines;
    bool hasSelection = false;
    int selectionFirstLine = 0;
    int selectionLastLine = 0;
    int caretLine = 0;
    int tabSize = 8;
};

// The lines a send of `mode` (sendtext::*) takes; false when SelectedLines finds no
// selection.
bool linesForSend(const EditorTextView& view, int mode, std::vector<std::string>& out);

// Writes the lines of a send to path (CR LF after each); false when that fails.
bool writeSendText(const EditorTextView& view, int mode, const std::string& path);

} // namespace mrw
