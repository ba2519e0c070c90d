#include "workspace/engine/nc_batch.h"

#include "workspace/engine/small_dialogs.h"

#include "platform/numbers.h"

#include <algorithm>
#include <cctype>
#include <exception>

namespace mrw {

std::size_t CommentMarks::runEnd(std::string_view line, std::size_t from) const
{
    if (end.empty() || from + 1 >= line.size())
        return line.size();
    const std::size_t found = line.find(end, from + 1);
    return found == std::string_view::npos ? line.size() : found + end.size();
}

std::pair<std::string, std::string> CommentMarks::splitCodeAndComments(std::string_view line) const
{
    std::pair<std::string, std::string> parts;
    std::size_t i = 0;
    while (i < line.size()) {
        if (opensComment(line[i])) {
            const std::size_t stop = runEnd(line, i);
            parts.second.append(line.substr(i, stop - i));
            i = stop;
        } else {
            parts.first += line[i++];
        }
    }
    return parts;
}

CommentMarks commentMarksOf(const MachineSettings& settings)
{
    return CommentMarks{settings.CmtStart, settings.CmtEnd};
}

std::string expandTabs(std::string_view line, int tabSize)
{
    if (line.find('\t') == std::string_view::npos)
        return std::string(line);
    const std::size_t step = tabSize > 0 ? static_cast<std::size_t>(tabSize) : 1;
    std::string out;
    out.reserve(line.size() + step);
    for (char c : line) {
        if (c == '\t')
            out.append(step - out.size() % step, ' ');
        else
            out += c;
    }
    return out;
}

namespace {

bool sameLetterIgnoringCase(char a, char b)
{
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

} // namespace

bool ReplaceInLine(std::string& line, std::string_view oldText, std::string_view newText, std::size_t column)
{
    std::size_t at = std::min(column, line.size());
    if (!oldText.empty()) {
        const auto found = std::search(line.begin() + static_cast<std::ptrdiff_t>(at), line.end(), oldText.begin(),
                                       oldText.end(), sameLetterIgnoringCase);
        if (found == line.end())
            return false;
        at = static_cast<std::size_t>(found - line.begin());
        line.erase(at, oldText.size());
    }
    line.insert(at, newText);
    return true;
}

void BeginEditorBatch(BatchContext& context, const std::string& caption)
{
    context.progress.show(caption);
    context.progress.setPercent(0);
    context.editor.setRepaint(false);
}

void EndEditorBatch(BatchContext& context)
{
    context.progress.hide();
    context.editor.setRepaint(true);
    context.editor.setCaret(1, 1);
    context.progress.setWaitCursor(false);
}

void runLineBatch(BatchContext& context, const std::string& caption, const LineStep& step)
{
    UtilityEditor& editor = context.editor;
    const auto runStep = [&](int i) {
        const std::string copy = editor.lineCopy(i);
        if (copy.empty())
            return;
        std::string line = copy;
        step(line);
        if (line != copy)
            editor.replaceLine(i, line);
    };
    BeginEditorBatch(context, caption);
    std::string error;
    try {
        if (editor.hasSelection()) {
            const auto [first, last] = editor.selectedLines();
            for (int i = first; i <= last; ++i)
                runStep(i);
        } else {
            const int count = editor.lineCount();
            for (int i = 1; i <= editor.lineCount(); ++i) {
                context.progress.setPercent(meterPercent(i, count));
                runStep(i);
                if (context.progress.cancelled())
                    break;
            }
        }
    } catch (const std::exception& e) {
        error = e.what();
    }
    EndEditorBatch(context);
    if (!error.empty())
        context.prompter.message(UtilityCaption, error, platform::MessageKind::Error, platform::Buttons::Ok);
}

std::optional<long long> readWholeNumber(const std::string& text, const std::string& field, long long lowest,
                                         long long highest, platform::Prompter& prompter)
{
    const auto value = platform::parseInteger(text);
    std::string message;
    if (!value || *value > 2'000'000'000 || *value < -2'000'000'000)
        message = "'" + text + "' is not a valid integer value (\"" + field + "\")";
    else if (*value < lowest || *value > highest)
        message = "\"" + field + "\" must be from " + std::to_string(lowest) + " to " + std::to_string(highest);
    if (message.empty())
        return *value;
    prompter.message(UtilityCaption, message, platform::MessageKind::Error, platform::Buttons::Ok);
    return std::nullopt;
}

} // namespace mrw
