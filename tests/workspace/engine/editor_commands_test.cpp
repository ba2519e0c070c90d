#include "workspace/engine/editor_commands.h"

#include <gtest/gtest.h>

using namespace mrw;

namespace {
EditorCommandState child(long long bytes = 10)
{
    EditorCommandState s;
    s.anyChild = s.activeChild = true;
    s.byteCount = bytes;
    return s;
}
} // namespace

TEST(EditorCommandEnabling, FollowsChildSelectionClipboardBytesUndoAndReadOnly)
{
    struct Case {
        const char* what;
        EditorCommandState state;
        EditMenuEnabling edit;
        ButtonEnabling buttons;
    };
    EditorCommandState none;
    EditorCommandState inactive; // children exist, none active
    inactive.anyChild = true;
    inactive.hasSelection = inactive.clipboardHasText = true;
    EditorCommandState selected = child();
    selected.hasSelection = true;
    EditorCommandState clip = child();
    clip.clipboardHasText = true;
    EditorCommandState undo = child();
    undo.canUndo = undo.canRedo = true;
    EditorCommandState readOnly = undo;
    readOnly.readOnly = true;
    const Case cases[] = {
        {"no child", none, {}, {}},
        {"no active child", inactive, {}, {true, false, false, false}},
        {"empty text", child(0), {}, {true, false, false, false}},
        {"text", child(), {false, false, false, false, false, false, true}, {true, false, false, false}},
        {"selection", selected, {false, false, true, true, false, true, true}, {true, true, true, false}},
        {"clipboard text", clip, {false, false, false, false, true, false, true}, {true, false, false, true}},
        {"undo and redo", undo, {true, true, false, false, false, false, true}, {true, false, false, false}},
        {"read-only", readOnly, {false, false, false, false, false, false, true}, {true, false, false, false}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(editMenuEnabling(c.state), c.edit) << c.what;
        EXPECT_EQ(buttonEnabling(c.state), c.buttons) << c.what;
    }
}

TEST(EditorCommandEnabling, SearchFileAndWindowMenus)
{
    EditorCommandState found = child();
    found.findTextEmpty = false;
    EditorCommandState emptyWithFind = child(0);
    emptyWithFind.findTextEmpty = false;
    EXPECT_EQ(searchMenuEnabling(child()), (SearchMenuEnabling{true, false}));
    EXPECT_EQ(searchMenuEnabling(found), (SearchMenuEnabling{true, true}));
    EXPECT_EQ(searchMenuEnabling(emptyWithFind), (SearchMenuEnabling{false, false}));
    EXPECT_EQ(searchMenuEnabling({}), (SearchMenuEnabling{false, false}));

    EXPECT_TRUE(fileMenuTextCommandsEnabled(child(1)));
    EXPECT_FALSE(fileMenuTextCommandsEnabled(child(0)));

    EditorCommandState split = child();
    split.split = true;
    EditorCommandState inactive;
    inactive.anyChild = true;
    inactive.split = true;
    EXPECT_EQ(windowMenuEnabling(split), (WindowMenuEnabling{true, true, true}));
    EXPECT_EQ(windowMenuEnabling(inactive), (WindowMenuEnabling{true, false, false}));
    EXPECT_EQ(windowMenuEnabling({}), (WindowMenuEnabling{}));
}

TEST(EditorStatusPanels, TextsOfThePaneAndEmptyWithoutChild)
{
    PaneStatus p{12, 5, true, 300, 7, 2400, false};
    EXPECT_EQ(statusPanelTexts(&p),
              (std::array<std::string, 6>{"12:5", "Modified", "Total: 300", "Top: 7", "Bytes: 2400", "Insert"}));
    p.modified = false;
    p.overwrite = true;
    const auto texts = statusPanelTexts(&p);
    EXPECT_EQ(texts[1], "");
    EXPECT_EQ(texts[5], "Overwrite");
    p.readOnly = true;
    EXPECT_EQ(statusPanelTexts(&p)[5], "Read Only");
    EXPECT_EQ(statusPanelTexts(nullptr), (std::array<std::string, 6>{}));
}

TEST(JumpLines, ToolsBeforeCommentsSkippingMarkedLines)
{
    const std::vector<std::string> program = {
        "%",
        "(T5 IS THE FINISHER)", // a comment-only line with a T
        "T1 M06 (ROUGH)",
        "<T9 SKIPPED",
        "G00 X1. (USE T7)",
        "N10 t2 M06", // lower-case: not the key
        "T3\tM06",
        "O1001 (TOP)",
    };
    JumpRules tools{"T", "(", "<", true, 4};
    EXPECT_EQ(jumpLines(program, tools),
              (std::vector<JumpLine>{{"T1 M06 (ROUGH)", 3}, {"T3  M06", 7}}));

    // Without comment marks every line with a T counts; without the skip marker too.
    JumpRules bare{"T", "", "<", false, 4};
    EXPECT_EQ(jumpLines(program, bare).size(), 6u);
}

TEST(JumpLines, SubProgramsListEveryLineWithTheLetterOutsideComments)
{
    const std::vector<std::string> program = {
        "O1001",
        "G00 X0 (GOTO O2000)",
        "M98 P2000 (CALL)",
        "<O3000",
        "GOTO 10",  // "O" inside a word counts
        "(O4000)",
    };
    JumpRules subs{"O", "(", "<", false, 8};
    EXPECT_EQ(jumpLines(program, subs),
              (std::vector<JumpLine>{{"O1001", 1}, {"<O3000", 4}, {"GOTO 10", 5}}));
}

TEST(GoToLine, TakesANumberInRangeOnly)
{
    struct Case {
        const char* text;
        int count;
        std::optional<int> line;
    };
    const Case cases[] = {{"1", 10, 1}, {" 10 ", 10, 10}, {"11", 10, std::nullopt}, {"0", 10, std::nullopt},
                          {"-3", 10, std::nullopt}, {"abc", 10, std::nullopt}, {"", 10, std::nullopt},
                          {"2.5", 10, std::nullopt}, {"1", 0, std::nullopt}};
    for (const Case& c : cases)
        EXPECT_EQ(goToLineNumber(c.text, c.count), c.line) << c.text;
}
