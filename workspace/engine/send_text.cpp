#include "workspace/engine/send_text.h"

#include "workspace/engine/editor_host.h"

#include "platform/textfile.h"

#include <algorithm>

namespace mrw {

std::string printableLine(std::string_view line, int tabSize)
{
    const std::size_t step = tabSize > 0 ? static_cast<std::size_t>(tabSize) : 1;
    std::string out;
    out.reserve(std::min(line.size(), PrintLineLimit));
    for (char c : line) {
        if (out.size() >= PrintLineLimit)
            break;
        if (c == '\t')
            out.append(step - out.size() % step, ' ');
        else
            out += c == '\0' ? ' ' : c;
    }
    if (out.size() > PrintLineLimit)
        out.resize(PrintLineLimit);
    return out;
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
        out.push_back(printableLine(view.lines[static_cast<std::size_t>(i)], view.tabSize));
    return true;
}

bool writeSendText(const EditorTextView& view, int mode, const std::string& path)
{
    std::vector<std::string> lines;
    if (!linesForSend(view, mode, lines))
        return false;
    // A scratch file: no need to wait for the disk.
    return platform::saveFileAtomic(path, platform::joinLinesCrLf(lines), nullptr, false);
}

} // namespace mrw
