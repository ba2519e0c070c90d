#pragma once
// An editor held in memory for the NC utilities, and a progress box that records what
// it was shown and presses Cancel when told to.
#include "workspace/engine/nc_batch.h"

#include "platform/textfile.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace testsupport {

class MemoryEditor : public mrw::UtilityEditor {
public:
    explicit MemoryEditor(std::vector<std::string> text = {""}) : lines(std::move(text))
    {
        if (lines.empty())
            lines.emplace_back();
    }

    std::vector<std::string> lines;
    int tabSize = 8;
    std::optional<std::pair<int, int>> selection;
    bool repaintOn = true;
    int repaints = 0;
    std::pair<int, int> caret{0, 0};
    std::string clipboard;
    int linesReplaced = 0;
    int batchDepth = 0;
    int undoSteps = 0;

    int lineCount() const override { return static_cast<int>(lines.size()); }
    std::string lineCopy(int line) const override { return mrw::expandTabs(at(line), tabSize); }
    bool hasSelection() const override { return selection.has_value(); }
    std::pair<int, int> selectedLines() const override { return *selection; }
    void replaceLine(int line, std::string_view text) override
    {
        at(line) = std::string(text);
        ++linesReplaced;
    }
    void deleteLine(int line) override
    {
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(index(line)));
        if (lines.empty())
            lines.emplace_back();
    }
    void appendLine(std::string_view text) override
    {
        if (lines.size() == 1 && lines.front().empty())
            lines.front() = std::string(text);
        else
            lines.emplace_back(text);
    }
    void cutAndPasteAll() override
    {
        clipboard = platform::joinLinesCrLf(lines);
        clipboard.resize(clipboard.size() - 2);
        lines = platform::splitLines(clipboard);
        if (lines.empty())
            lines.emplace_back();
    }
    void setCaret(int line, int column) override { caret = {line, column}; }
    // Nests as the editor pane does; each outermost batch is one Undo step.
    void setRepaint(bool on) override
    {
        if (!on) {
            if (batchDepth++ == 0)
                repaintOn = false;
            return;
        }
        if (batchDepth == 0 || --batchDepth > 0)
            return;
        repaintOn = true;
        ++repaints;
        ++undoSteps;
    }

private:
    std::size_t index(int line) const
    {
        if (line < 1 || line > lineCount())
            throw std::out_of_range("no line " + std::to_string(line));
        return static_cast<std::size_t>(line - 1);
    }
    std::string& at(int line) { return lines[index(line)]; }
    const std::string& at(int line) const { return lines[index(line)]; }
};

class RecordingProgress : public mrw::BatchProgress {
public:
    std::vector<std::string> captions;
    std::vector<int> percents;
    // Cancel is pressed when cancelled() has been asked this many times (0: never).
    int cancelAtCheck = 0;
    int checks = 0;
    bool visible = false;
    bool waitCursor = false;
    int pumped = 0;

    void show(const std::string& caption) override
    {
        captions.push_back(caption);
        visible = true;
    }
    void setPercent(int percent) override { percents.push_back(percent); }
    bool cancelled() override { return cancelAtCheck > 0 && ++checks >= cancelAtCheck; }
    void processEvents() override { ++pumped; }
    void hide() override { visible = false; }
    void setWaitCursor(bool on) override { waitCursor = on; }
};

} // namespace testsupport
