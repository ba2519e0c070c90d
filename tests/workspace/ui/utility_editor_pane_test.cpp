// The utilities' view of an editor pane: tab-expanded copies, whole-line replacement,
// deletions at the end, appends and the batch's single undo step.
#include "workspace/ui/utility_editor_pane.h"

#include "workspace/ui/mdi_child.h"

#include <gtest/gtest.h>

namespace {

struct PaneTest : ::testing::Test {
    EditorPane pane;
    PaneUtilityEditor editor{pane};
    void SetUp() override { pane.setTabWidth(4); }
};

} // namespace

TEST_F(PaneTest, LinesAreCopiedWithTabsExpandedAndReplacedWhole)
{
    pane.setBytes("N1\tX1\r\nG01\r\n\r\nLAST");
    EXPECT_EQ(editor.lineCount(), 4);
    EXPECT_EQ(editor.lineCopy(1), "N1  X1");
    EXPECT_EQ(editor.lineCopy(3), "");
    EXPECT_EQ(editor.lineCopy(4), "LAST");
    editor.replaceLine(2, "G02 X\xB0");
    EXPECT_EQ(pane.bytes(), "N1\tX1\r\nG02 X\xB0\r\n\r\nLAST");
}

TEST_F(PaneTest, DeletingAndAppendingKeepTheLineEnds)
{
    pane.setBytes("A\r\nB\r\nC");
    editor.deleteLine(2);
    EXPECT_EQ(pane.bytes(), "A\r\nC");
    editor.deleteLine(2);
    EXPECT_EQ(pane.bytes(), "A");
    editor.appendLine("%");
    EXPECT_EQ(pane.bytes(), "A\r\n%");
    pane.setBytes("M30\r\n");
    editor.appendLine("%");
    EXPECT_EQ(pane.bytes(), "M30\r\n%\r\n");
    pane.setBytes("");
    editor.appendLine("%");
    EXPECT_EQ(pane.bytes(), "%");
    editor.deleteLine(1);
    EXPECT_EQ(pane.bytes(), "");
}

TEST_F(PaneTest, ABatchIsOneUndoStepAndTheSelectionGivesItsLines)
{
    pane.setBytes("A\r\nB\r\nC");
    pane.setSelection(1, 0, 2, 1);
    EXPECT_TRUE(editor.hasSelection());
    EXPECT_EQ(editor.selectedLines(), std::make_pair(2, 3));
    editor.setRepaint(false);
    editor.replaceLine(1, "X");
    editor.replaceLine(3, "Y");
    editor.setRepaint(true);
    editor.setRepaint(true); // an end without a start does nothing
    EXPECT_EQ(pane.bytes(), "X\r\nB\r\nY");
    pane.undo();
    EXPECT_EQ(pane.bytes(), "A\r\nB\r\nC");
}

// A batch inside a larger command (File Cleanup's steps) stays in the command's one undo
// step; the pane tells of the change once, at the end, and as before afterwards.
TEST_F(PaneTest, NestedBatchesAreOneUndoStepAndTellOfTheChangeOnceAtTheEnd)
{
    pane.setBytes("A\r\nB\r\nC");
    int told = 0;
    QObject::connect(&pane, &QsciScintilla::textChanged, [&] { ++told; });
    editor.setRepaint(false);
    editor.replaceLine(1, "X");
    editor.setRepaint(false);
    editor.replaceLine(2, "Y");
    editor.deleteLine(3);
    editor.setRepaint(true);
    EXPECT_EQ(told, 0);
    EXPECT_FALSE(pane.viewport()->updatesEnabled());
    editor.setRepaint(true);
    EXPECT_EQ(told, 1);
    EXPECT_TRUE(pane.viewport()->updatesEnabled());
    EXPECT_EQ(pane.bytes(), "X\r\nY");

    pane.undo();
    EXPECT_EQ(pane.bytes(), "A\r\nB\r\nC");
    EXPECT_EQ(told, 2);
    EXPECT_FALSE(pane.SendScintilla(QsciScintilla::SCI_CANUNDO));
    pane.redo();
    EXPECT_EQ(pane.bytes(), "X\r\nY");
    told = 0;
    pane.append("Z"); // an ordinary edit is told at once again
    EXPECT_EQ(told, 1);
}
