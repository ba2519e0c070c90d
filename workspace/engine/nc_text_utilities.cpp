#include "workspace/engine/nc_text_utilities.h"

#include "workspace/engine/small_dialogs.h"

#include "analyzer/engine/nc_resequence.h"

#include "platform/paths.h"
#include "platform/textfile.h"

#include <algorithm>
#include <stdexcept>
#include <memory>
#include <vector>

namespace mrw {

namespace {

constexpr long long MaxNumber = 1'000'000'000;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool contains(std::string_view text, char c)
{
    return text.find(c) != std::string_view::npos;
}

bool isBlank(std::string_view line)
{
    return line.find_first_not_of(' ') == std::string_view::npos;
}

bool startsWith(std::string_view text, std::string_view start)
{
    return text.substr(0, start.size()) == start;
}

bool endsWith(std::string_view text, std::string_view end)
{
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// Keeps every character outside comment runs for which `keep` holds, and every run.
template <typename Keep>
std::string filterOutsideComments(std::string_view line, const CommentMarks& marks, Keep keep)
{
    std::string out;
    out.reserve(line.size());
    std::size_t i = 0;
    while (i < line.size()) {
        if (marks.opensComment(line[i])) {
            const std::size_t stop = marks.runEnd(line, i);
            out.append(line.substr(i, stop - i));
            i = stop;
        } else {
            if (keep(line[i]))
                out += line[i];
            ++i;
        }
    }
    return out;
}

} // namespace

// ---- Resequence ----------------------------------------------------------------------

namespace {

// The analyzer's line rule with the dialog's sequence characters as block letters; a
// leading "/" is always the block-delete mark, whether or not the characters name it.
vork::BlockNumberRule blockNumberRule(const ResequenceOptions& o, bool removing, long long start,
                                      long long increment, long long digits)
{
    vork::BlockNumberRule rule;
    for (char c : o.Seqchrs)
        if (c != '/')
            rule.letters += c;
    rule.slashLetters = rule.letters;
    rule.newLetter = rule.letters.empty() ? 'N' : rule.letters.front();
    rule.skipCharacters = o.skpchrs;
    rule.remove = removing;
    rule.leadingZeros = o.lzeros;
    rule.start = start;
    rule.increment = increment;
    rule.digits = digits;
    return rule;
}

} // namespace

void DoResequence(BatchContext& context, const ResequenceOptions& options, bool removeAll)
{
    context.progress.setWaitCursor(true);
    context.progress.processEvents();
    long long start = 0, increment = 1, digits = 1;
    if (!removeAll) {
        const auto s = readWholeNumber(options.snum, "Start Number", 0, MaxNumber, context.prompter);
        const auto i = s ? readWholeNumber(options.nincr, "Number Increment", 1, MaxNumber, context.prompter) : std::nullopt;
        const auto d = i ? readWholeNumber(options.maxdig, "Max number of Digits", 1, 18, context.prompter) : std::nullopt;
        if (!d) {
            context.progress.setWaitCursor(false);
            return;
        }
        start = *s;
        increment = *i;
        digits = *d;
    }
    vork::BlockNumbering numbering(blockNumberRule(options, removeAll, start, increment, digits));
    runLineBatch(context, removeAll ? "UN-Sequencing..." : "Resequencing...",
                 [&](std::string& line) { numbering.apply(line); });
}

// ---- Spaces, line begin and end, columns -------------------------------------------

void DoAddRemoveSpaces(BatchContext& context, const CommentMarks& marks, bool addSpaces)
{
    if (!addSpaces) {
        runLineBatch(context, "Removing Spaces ...", [&](std::string& line) {
            line = filterOutsideComments(line, marks, [](char c) { return c != ' '; });
        });
        return;
    }
    runLineBatch(context, "Adding Spaces ...", [&](std::string& line) {
        std::string out;
        out.reserve(line.size() + line.size() / 2);
        std::size_t i = 0;
        while (i < line.size()) {
            if (marks.opensComment(line[i])) {
                const std::size_t stop = marks.runEnd(line, i);
                out.append(line, i, stop - i);
                i = stop;
                continue;
            }
            if (i > 0 && line[i] >= 'A' && line[i] <= 'Z')
                out += ' ';
            out += line[i++];
        }
        line = std::move(out);
    });
}

void DoChangeLineBeginEnd(BatchContext& context, const LineBeginEndOptions& o)
{
    runLineBatch(context, "Chainging Line Begin/End ...", [&](std::string& line) {
        if (!o.Efrom.empty() && endsWith(line, o.Efrom))
            line.erase(line.size() - o.Efrom.size());
        line += o.Eto;
        if (o.Bfrom.empty() && o.Bto.empty())
            return;
        if (startsWith(line, o.Bfrom))
            line.replace(0, o.Bfrom.size(), o.Bto);
        else
            line.insert(0, o.Bto);
    });
}

void DoMakeColumns(BatchContext& context, const MakeColumnsOptions& options, const CommentMarks& marks)
{
    const auto width = readWholeNumber(options.tabw, "Tab Width", -MaxNumber, 1000, context.prompter);
    if (!width)
        return;
    const std::string order = options.Regorder;
    runLineBatch(context, "Columizing ...", [&](std::string& line) {
        auto [code, comments] = marks.splitCodeAndComments(line);
        std::erase_if(code, [](char c) { return c == ' ' || c == '\t'; });
        for (std::size_t k = 0; k < order.size(); ++k) {
            const long long target = *width * static_cast<long long>(k);
            const std::size_t at = code.find(order[k]);
            if (target != 0 && at != std::string::npos && static_cast<long long>(at) < target)
                code.insert(at, static_cast<std::size_t>(target - static_cast<long long>(at)), ' ');
        }
        line = code + comments;
    });
}

// ---- File cleanup --------------------------------------------------------------------

void DoDeleteBeforePercent(BatchContext& context)
{
    UtilityEditor& editor = context.editor;
    BeginEditorBatch(context, "Delete All Before First \"%\" ...");
    // A text without "%" stays as it is: emptying it would leave nothing to send. So
    // does one whose first "%" stands on its last non-blank line: that is the end of
    // the tape, not its start.
    int percentLine = 0;
    for (int i = 1; i <= editor.lineCount() && percentLine == 0; ++i)
        if (contains(editor.lineCopy(i), '%'))
            percentLine = i;
    int lastText = editor.lineCount();
    while (lastText > percentLine && isBlank(editor.lineCopy(lastText)))
        --lastText;
    if (percentLine == lastText)
        percentLine = 0;
    const int count = editor.lineCount();
    for (int i = 1; i <= percentLine; ++i) {
        context.progress.setPercent(meterPercent(i, count));
        const std::string copy = editor.lineCopy(i);
        const std::size_t at = copy.find('%');
        if (at == std::string::npos && !copy.empty())
            editor.replaceLine(i, "");
        else if (at != std::string::npos && at > 0)
            editor.replaceLine(i, copy.substr(at));
        if (context.progress.cancelled())
            break;
    }
    EndEditorBatch(context);
}

void DoRemoveControlChars(BatchContext& context)
{
    runLineBatch(context, "Removing Control Characters ...", [](std::string& line) {
        std::erase_if(line, [](char c) {
            const auto code = static_cast<unsigned char>(c);
            return code < 32 || code >= 128;
        });
    });
}

void DoRemoveComments(BatchContext& context, const CommentMarks& marks)
{
    runLineBatch(context, "Removing Comments ...", [&](std::string& line) {
        line = marks.splitCodeAndComments(line).first;
    });
}

void DoRemoveBlankLines(BatchContext& context)
{
    UtilityEditor& editor = context.editor;
    BeginEditorBatch(context, "Removing Blank Lines ...");
    if (editor.hasSelection()) {
        auto [i, last] = editor.selectedLines();
        while (i < last) {
            if (editor.lineCopy(i).empty()) {
                editor.deleteLine(i);
                --last;
            } else {
                ++i;
            }
        }
    } else {
        const int count = editor.lineCount();
        int i = 1;
        while (i < editor.lineCount()) {
            context.progress.setPercent(meterPercent(i, count));
            const bool blank = editor.lineCopy(i).empty();
            if (context.progress.cancelled())
                break;
            if (blank)
                editor.deleteLine(i);
            else
                ++i;
        }
    }
    EndEditorBatch(context);
}

void DoStripAfterProgramEnd(BatchContext& context)
{
    UtilityEditor& editor = context.editor;
    BeginEditorBatch(context, "Delete All After End ...");
    const int count = editor.lineCount();
    int endLine = 0;
    bool stopped = false;
    for (int i = count; i >= 1; --i) {
        context.progress.setPercent(meterPercent(i, count));
        if (context.progress.cancelled()) {
            stopped = true;
            break;
        }
        const std::string copy = editor.lineCopy(i);
        if (copy.find("M30") != std::string::npos || copy.find("M02") != std::string::npos ||
            copy.find("M99") != std::string::npos) {
            endLine = i;
            break;
        }
    }
    if (!stopped && endLine > 0)
        for (int i = editor.lineCount(); i > endLine; --i)
            editor.deleteLine(i);
    EndEditorBatch(context);
}

void DoAddPercentAtEnd(BatchContext& context)
{
    UtilityEditor& editor = context.editor;
    editor.setRepaint(false);
    // Only once: every send with cleanup would otherwise stack another "%".
    int last = editor.lineCount();
    while (last >= 1 && isBlank(editor.lineCopy(last)))
        --last;
    const std::string lastText = last >= 1 ? editor.lineCopy(last) : std::string();
    const auto first = lastText.find_first_not_of(' ');
    const auto stop = lastText.find_last_not_of(' ');
    if (last < 1 || lastText.substr(first, stop - first + 1) != "%")
        editor.appendLine("%");
    EndEditorBatch(context);
}

void DoFileCleanup(BatchContext& context, const FileCleanupOptions& o, bool fixLineEnds, const CommentMarks& marks)
{
    context.editor.setRepaint(false); // the whole cleanup is one Undo step
    if (fixLineEnds) {
        context.editor.cutAndPasteAll();
        context.editor.setCaret(1, 1);
    }
    if (o.DeleteBeforeFirstPercent)
        DoDeleteBeforePercent(context);
    if (o.RemoveControlCharacters)
        DoRemoveControlChars(context);
    if (o.RemoveComments)
        DoRemoveComments(context, marks);
    if (o.RemoveBlankLines)
        DoRemoveBlankLines(context);
    if (o.StripAfterProgramEnd)
        DoStripAfterProgramEnd(context);
    if (o.AddStopCode)
        DoAddPercentAtEnd(context);
    context.editor.setRepaint(true);
}

// ---- File splitter -------------------------------------------------------------------

namespace {

class SplitFile {
public:
    explicit SplitFile(std::string path) : m_path(std::move(path)) {}
    void add(std::string line) { m_lines.push_back(std::move(line)); }
    // Throws with the file's name when it cannot be written.
    void write() const
    {
        std::string why;
        if (!platform::saveTextLinesAtomic(m_path, m_lines, &why))
            throw std::runtime_error("Cannot write the file " + m_path + (why.empty() ? "" : "\n" + why));
    }

private:
    std::string m_path;
    std::vector<std::string> m_lines;
};

} // namespace

void DoFileSplit(BatchContext& context, const FileSplitOptions& o, const SplitSaveAs& saveAs)
{
    UtilityEditor& editor = context.editor;
    std::unique_ptr<SplitFile> open;
    const auto close = [&] {
        if (!open)
            return;
        if (!o.suffix.empty())
            open->add(o.suffix);
        const std::unique_ptr<SplitFile> done = std::move(open);
        done->write();
    };
    const auto isOneCharacter = [](const std::string& text, char c) { return text.size() == 1 && text.front() == c; };

    context.progress.show("Splitting File ...");
    context.progress.setPercent(0);
    context.progress.processEvents();
    editor.setRepaint(false);
    std::string error;
    try {
        const int count = editor.lineCount();
        for (int i = 1; i <= editor.lineCount(); ++i) {
            std::string line = editor.lineCopy(i);
            if (line.empty() || isOneCharacter(o.prefix, line.front()))
                continue;
            context.progress.setPercent(meterPercent(i, count));
            if (isOneCharacter(o.programLetter, line.front())) {
                close();
                if (line.front() == ':')
                    line.front() = 'O';
                std::size_t digits = 1;
                while (digits < line.size() && isDigit(line[digits]))
                    ++digits;
                std::string path = platform::joinPath(o.folder, line.substr(0, digits) + "." + o.extension);
                if (o.askBeforeOverwrite && platform::fileExists(path)) {
                    const auto chosen = saveAs("Save " + path + " As", o.folder, o.extension, path);
                    if (!chosen)
                        break;
                    path = *chosen;
                }
                open = std::make_unique<SplitFile>(path);
                if (!o.prefix.empty())
                    open->add(o.prefix);
            }
            if (open)
                open->add(std::move(line));
            if (context.progress.cancelled())
                break;
        }
    } catch (const std::exception& e) {
        error = e.what();
    }
    EndEditorBatch(context);
    try {
        close();
    } catch (const std::exception& e) {
        error = e.what();
    }
    if (!error.empty())
        context.prompter.message(UtilityCaption, error, platform::MessageKind::Error, platform::Buttons::Ok);
}

} // namespace mrw
