#include "workspace/engine/send_text.h"

#include "workspace/engine/editor_host.h"
#include "workspace/engine/scratch_files.h"

#include <algorithm>

namespace mrw {

namespace {

// Tabs expanded to the next multiple of tabSize and NUL as a blank, up to `limit` characters.
std::string expandedLine(std::string_view line, int tabSize, std::size_t limit)
{
    const std::size_t step = tabSize > 0 ? static_cast<std::size_t>(tabSize) : 1;
    std::string out;
    out.reserve(std::min(line.size(), limit));
    for (char c : line) {
        if (out.size() >= limit)
            break;
        if (c == '\t')
            out.append(step - out.size() % step, ' ');
        else
            out += c == '\0' ? ' ' : c;
    }
    if (out.size() > limit)
        out.resize(limit);
    return out;
}

} // namespace

std::string printableLine(std::string_view line, int tabSize) { return expandedLine(line, tabSize, PrintLineLimit); }

std::string sendableLine(std::string_view line, int tabSize)
{
    return expandedLine(line, tabSize, std::string::npos);
}

bool linesForSend(const EditorTextView& view, int mode, std::vector<std::string>& out)
{
    out.clear();
    const int count = static_cast<int>(view.lines.size());
    int first = 0;
    int last = count - 1;
    if (mode == sendtext::SelectedLines) {
        if (!view.hasSelection)
            return false;
        first = view.selectionFirstLine;
        last = view.selectionLastLine;
    } else if (mode == sendtext::FromCaretLine) {
        first = view.caretLine;
    }
    first = std::max(first, 0);
    last = std::min(last, count - 1);
    for (int i = first; i <= last; ++i)
        out.push_back(sendableLine(view.lines[static_cast<std::size_t>(i)], view.tabSize));
    return true;
}

bool writeSendText(const EditorTextView& view, int mode, const std::string& path)
{
    std::vector<std::string> lines;
    if (!linesForSend(view, mode, lines))
        return false;
    return writeScratchLines(path, lines);
}

} // namespace mrw
