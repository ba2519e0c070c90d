#pragma once
// The colours of an NC line in the editor: letters and other characters, numbers
// (digits, "+", "-", "."), and comments. A comment begins at the comment-start
// character or at the line-skip marker and ends with the comment-end character;
// it never carries over to the next line.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mrw {

enum class NcColour : std::uint8_t { Address = 0, Number = 1, Comment = 2 };

struct NcCommentMarks {
    char start = '(';
    std::string end = ")";
    std::string lineSkip = "<";
};

// The marks from the machine's comment texts: "{" and "|" stand in for empty ones.
NcCommentMarks ncCommentMarks(std::string_view commentStart, std::string_view commentEnd,
                              std::string_view lineSkipMarker);

// One colour per character of line.
void colourNcLine(std::string_view line, const NcCommentMarks& marks, std::vector<NcColour>& out);

} // namespace mrw
