#pragma once
// The frame every NC utility runs in: the editor operations the utilities need, the
// progress box with its Cancel, the line-by-line walk over the selection or the whole
// file, comment runs, and the end of every batch. Lines count from 1.
//
// A utility works on copies of the editor's lines (tabs expanded to blanks at the
// editor's tab width, lines of any length) and writes a line back only when its text
// changed, whole; a line it leaves alone keeps its bytes, tabs included.
#include "workspace/engine/machine_settings.h"

#include "platform/host.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace mrw {

// What the utilities need of an editor pane.
class UtilityEditor {
public:
    virtual ~UtilityEditor() = default;

    virtual int lineCount() const = 0;
    // Line n as the editor shows it: tabs expanded to blanks, without its line end.
    virtual std::string lineCopy(int line) const = 0;
    virtual bool hasSelection() const = 0;
    // The first and last line the selection touches.
    virtual std::pair<int, int> selectedLines() const = 0;

    // Replaces the text of line n (its line end stays).
    virtual void replaceLine(int line, std::string_view text) = 0;
    // Deletes line n with its line end (the last line takes the end before it).
    virtual void deleteLine(int line) = 0;
    // Adds a line after the last one.
    virtual void appendLine(std::string_view text) = 0;
    // Cuts the whole text to the clipboard and pastes it back, so the editor splits it
    // into lines again at every line end it knows.
    virtual void cutAndPasteAll() = 0;

    // Caret to (line, column), columns from 1.
    virtual void setCaret(int line, int column) = 0;
    // Off: no painting until switched on again, which repaints; what changes in between
    // is one Undo step. Calls nest: a batch run as a step of a larger command ends with
    // the command.
    virtual void setRepaint(bool on) = 0;
};

// The progress box of a batch and the main window's cursor.
class BatchProgress {
public:
    virtual ~BatchProgress() = default;
    // Shows the box with a caption, the meter at 0 % and Cancel not pressed.
    virtual void show(const std::string& caption) = 0;
    virtual void setPercent(int percent) = 0;
    // True once Cancel was pressed; lets pending window events through now and then
    // (often enough for Cancel to work, seldom enough not to slow a long file).
    virtual bool cancelled() = 0;
    // Lets pending window events through now.
    virtual void processEvents() = 0;
    virtual void hide() = 0;
    virtual void setWaitCursor(bool on) = 0;
};

struct BatchContext {
    UtilityEditor& editor;
    BatchProgress& progress;
    platform::Prompter& prompter;
};

// The caption of the utilities' message boxes.
inline constexpr const char* UtilityCaption = "Marrowin";

// The machine's comment delimiters as the utilities read them. A comment run begins at
// the first character of `start` and ends with the full `end` text (a one-character end
// at that character), or at the end of the line when no end follows or `end` is empty.
// An empty start makes no comment runs.
struct CommentMarks {
    std::string start = "(";
    std::string end = ")";

    bool opensComment(char c) const { return !start.empty() && c == start.front(); }
    // One past the last character of the run that opens at `from`.
    std::size_t runEnd(std::string_view line, std::size_t from) const;
    // The line's code and its comment runs (in order, delimiters included).
    std::pair<std::string, std::string> splitCodeAndComments(std::string_view line) const;
};

// The current machine's comment delimiters.
CommentMarks commentMarksOf(const MachineSettings& settings);

// A line with tabs expanded to the next multiple of tabSize.
std::string expandTabs(std::string_view line, int tabSize);

// The one way the per-line steps change a line: finds `oldText` (without regard to
// case) at or after `column` (from 0, at most the line's length) in this line only and
// puts `newText` in its place; an empty `oldText` inserts `newText` at `column`. False,
// with nothing changed, when `oldText` is not in the rest of the line.
bool ReplaceInLine(std::string& line, std::string_view oldText, std::string_view newText, std::size_t column);

// The line walk of a batch: with a selection over its lines (meter at 0, no Cancel),
// else over the whole file with the meter and Cancel after each line. `step` gets the
// copy of each line that is not empty and changes it in place; a changed line is
// written back. An exception from a step is shown and ends the walk. Always ends with
// EndEditorBatch.
using LineStep = std::function<void(std::string& line)>;
void runLineBatch(BatchContext& context, const std::string& caption, const LineStep& step);

// Shows the progress box, switches repainting off; the start of every batch.
void BeginEditorBatch(BatchContext& context, const std::string& caption);
// The end of every batch: hides the progress box, repaints, caret to line 1 column 1,
// the normal cursor.
void EndEditorBatch(BatchContext& context);

// A whole-number field of an option dialog: the value, or nothing after the standard
// conversion message (naming the field) or a range message has been shown.
std::optional<long long> readWholeNumber(const std::string& text, const std::string& field, long long lowest,
                                         long long highest, platform::Prompter& prompter);

} // namespace mrw
