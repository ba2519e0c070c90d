#pragma once
// The editor commands' rules that need no window: which commands are enabled, what the
// status panels say, which lines the jump dialog lists and what Go to line accepts.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mrw {

// What the enabling of the menus and buttons looks at.
struct EditorCommandState {
    bool anyChild = false;    // an editor child exists
    bool activeChild = false; // one of them is active
    bool hasSelection = false;
    bool clipboardHasText = false;
    long long byteCount = 0; // of the active child's text
    bool canUndo = false;
    bool canRedo = false;
    bool readOnly = false;
    bool findTextEmpty = true;
    bool split = false;
};

struct EditMenuEnabling {
    bool undo = false, redo = false, cut = false, copy = false, paste = false, del = false, selectAll = false;
    bool operator==(const EditMenuEnabling&) const = default;
};
EditMenuEnabling editMenuEnabling(const EditorCommandState& s);

// Print, Save and Save As of the File menu.
bool fileMenuTextCommandsEnabled(const EditorCommandState& s);

struct SearchMenuEnabling {
    bool commands = false; // Find, Replace, Go to line, top, bottom, the four Find Next items, both jumps
    bool findNext = false;
    bool operator==(const SearchMenuEnabling&) const = default;
};
SearchMenuEnabling searchMenuEnabling(const EditorCommandState& s);

struct ButtonEnabling {
    bool save = false, cut = false, copy = false, paste = false;
    bool operator==(const ButtonEnabling&) const = default;
};
ButtonEnabling buttonEnabling(const EditorCommandState& s);

struct WindowMenuEnabling {
    bool arrange = false;
    bool split = false;
    bool splitChecked = false;
    bool operator==(const WindowMenuEnabling&) const = default;
};
WindowMenuEnabling windowMenuEnabling(const EditorCommandState& s);

// The active pane as the status panels show it; lines and columns count from 1.
struct PaneStatus {
    int caretLine = 1;
    int caretColumn = 1;
    bool modified = false;
    int lineCount = 0;
    int topLine = 1;
    long long byteCount = 0;
    bool overwrite = false;
    bool readOnly = false;
};
// The texts of the panels caret, modified, total, top, bytes and insert mode ("Read
// Only" while the text cannot be changed); all empty without an active child.
std::array<std::string, 6> statusPanelTexts(const PaneStatus* active);

// One line the jump dialog lists; lines count from 1.
struct JumpLine {
    std::string text;
    int lineNumber = 0;
    bool operator==(const JumpLine&) const = default;
};
struct JumpRules {
    std::string key;             // "T" for tools, the program-number letter for sub-programs
    std::string commentStart;    // "" when comments are not marked
    std::string lineSkipMarker;  // lines starting with it are skipped ("" for none)
    bool skipMarkedLines = false; // Jump to Tool skips them, Jump to Sub-Program does not
    int tabSize = 8;
};
// The lines (as printed) that hold the key text before any comment start.
std::vector<JumpLine> jumpLines(const std::vector<std::string>& lines, const JumpRules& rules);

// The line Go to line goes to (1 to lineCount), or none for a text that is no number
// or a line out of range.
std::optional<int> goToLineNumber(std::string_view text, int lineCount);

} // namespace mrw
