#include "workspace/engine/nc_syntax.h"

namespace mrw {

NcCommentMarks ncCommentMarks(std::string_view commentStart, std::string_view commentEnd,
                              std::string_view lineSkipMarker)
{
    NcCommentMarks marks;
    marks.start = commentStart.empty() ? '{' : commentStart.front();
    marks.end = commentEnd.empty() ? std::string("|") : std::string(commentEnd);
    marks.lineSkip = std::string(lineSkipMarker);
    return marks;
}

void colourNcLine(std::string_view line, const NcCommentMarks& marks, std::vector<NcColour>& out)
{
    out.assign(line.size(), NcColour::Address);
    // The comment end closes a comment only on a line that holds all of it.
    const bool endOnLine = line.find(marks.end) != std::string_view::npos;
    const bool skipIsOneChar = marks.lineSkip.size() == 1;
    bool inComment = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == marks.start || (skipIsOneChar && c == marks.lineSkip.front()))
            inComment = true;
        if (inComment)
            out[i] = NcColour::Comment;
        else if ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.')
            out[i] = NcColour::Number;
        if (endOnLine && c == marks.end.front())
            inComment = false;
    }
}

} // namespace mrw
