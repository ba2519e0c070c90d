#include "workspace/engine/insert_texts.h"

#include "workspace/engine/nc_batch.h"
#include "workspace/engine/nc_numbers.h"

namespace mrw {

std::optional<std::string> commentInsertText(const std::string& start, const std::string& comment,
                                             const std::string& end, platform::Prompter& prompter)
{
    std::string text = start + comment + end;
    if (text.size() > CommentLimit) {
        prompter.message("Insert a Comment",
                         "A comment with its start and end may have at most 255 characters; this one has " +
                             std::to_string(text.size()) + ".",
                         platform::MessageKind::Error, platform::Buttons::Ok);
        return std::nullopt;
    }
    return text;
}

std::optional<std::string> expressionInsertText(double value, const MachineSettings& machine,
                                                platform::Prompter& prompter)
{
    const auto left = readWholeNumber(machine.Digl, "Digits Left", 0, 15, prompter);
    const auto right = left ? readWholeNumber(machine.Digr, "Digits Right", 0, 15, prompter) : std::nullopt;
    if (!right)
        return std::nullopt;
    return FormatNCNumber(NumberFormatMode(machine), static_cast<int>(*left), static_cast<int>(*right), value);
}

} // namespace mrw
