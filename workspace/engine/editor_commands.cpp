#include "workspace/engine/editor_commands.h"

#include "workspace/engine/send_text.h"

#include "platform/numbers.h"

namespace mrw {

EditMenuEnabling editMenuEnabling(const EditorCommandState& s)
{
    if (!s.activeChild)
        return {};
    EditMenuEnabling e;
    e.undo = s.canUndo && !s.readOnly;
    e.redo = s.canRedo && !s.readOnly;
    e.cut = e.copy = e.del = s.hasSelection;
    e.paste = s.clipboardHasText;
    e.selectAll = s.byteCount > 0;
    return e;
}

bool fileMenuTextCommandsEnabled(const EditorCommandState& s)
{
    return s.activeChild && s.byteCount > 0;
}

SearchMenuEnabling searchMenuEnabling(const EditorCommandState& s)
{
    SearchMenuEnabling e;
    e.commands = s.activeChild && s.byteCount > 0;
    e.findNext = e.commands && !s.findTextEmpty;
    return e;
}

ButtonEnabling buttonEnabling(const EditorCommandState& s)
{
    ButtonEnabling e;
    e.save = s.anyChild;
    if (s.activeChild) {
        e.cut = e.copy = s.hasSelection;
        e.paste = s.clipboardHasText;
    }
    return e;
}

WindowMenuEnabling windowMenuEnabling(const EditorCommandState& s)
{
    WindowMenuEnabling e;
    e.arrange = s.anyChild;
    e.split = s.activeChild;
    e.splitChecked = s.activeChild && s.split;
    return e;
}

std::array<std::string, 6> statusPanelTexts(const PaneStatus* p)
{
    if (!p)
        return {};
    return {std::to_string(p->caretLine) + ":" + std::to_string(p->caretColumn),
            p->modified ? "Modified" : "",
            "Total: " + std::to_string(p->lineCount),
            "Top: " + std::to_string(p->topLine),
            "Bytes: " + std::to_string(p->byteCount),
            p->readOnly ? "Read Only" : p->overwrite ? "Overwrite" : "Insert"};
}

std::vector<JumpLine> jumpLines(const std::vector<std::string>& lines, const JumpRules& rules)
{
    std::vector<JumpLine> found;
    if (rules.key.empty())
        return found;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string line = printableLine(lines[i], rules.tabSize);
        // The marker is compared with the first character alone.
        if (rules.skipMarkedLines && !line.empty() && line.substr(0, 1) == rules.lineSkipMarker)
            continue;
        const std::size_t key = line.find(rules.key);
        if (key == std::string::npos)
            continue;
        if (!rules.commentStart.empty()) {
            const std::size_t comment = line.find(rules.commentStart);
            if (comment != std::string::npos && comment < key)
                continue;
        }
        found.push_back({line, static_cast<int>(i) + 1});
    }
    return found;
}

std::optional<int> goToLineNumber(std::string_view text, int lineCount)
{
    const auto n = platform::parseInteger(text);
    if (!n || *n < 1 || *n > lineCount)
        return std::nullopt;
    return static_cast<int>(*n);
}

} // namespace mrw
