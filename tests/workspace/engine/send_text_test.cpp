#include "workspace/engine/editor_host.h"
#include "workspace/engine/send_text.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace {
mrw::EditorTextView sample()
{
    mrw::EditorTextView v;
    v.lines = {"%", "O1001", "N10\tG00 X1.", std::string("N20 X2.\0Y3", 10), "M30"};
    v.tabSize = 8;
    return v;
}
}

TEST(SendText, PrintableLineExpandsTabsAndCutsLongLines)
{
    EXPECT_EQ(mrw::printableLine("N10\tG00", 8), "N10     G00");
    EXPECT_EQ(mrw::printableLine("\tX", 4), "    X");
    EXPECT_EQ(mrw::printableLine(std::string("A\0B", 3), 8), "A B");
    EXPECT_EQ(mrw::printableLine(std::string(2000, 'X'), 8).size(), 1024u);
    EXPECT_EQ(mrw::printableLine(std::string(1020, 'X') + "\tY", 8).size(), 1024u);
}

TEST(SendText, ModesChooseTheLines)
{
    testsupport::TempFolder dir;
    const std::string out = dir.file("MRW1.TMP");
    mrw::EditorTextView v = sample();
    v.caretLine = 3;

    ASSERT_TRUE(mrw::writeSendText(v, mrw::sendtext::WholeFile, out));
    EXPECT_EQ(dir.read("MRW1.TMP"), "%\r\nO1001\r\nN10     G00 X1.\r\nN20 X2. Y3\r\nM30\r\n");

    ASSERT_TRUE(mrw::writeSendText(v, mrw::sendtext::FromCaretLine, out));
    EXPECT_EQ(dir.read("MRW1.TMP"), "N20 X2. Y3\r\nM30\r\n");

    dir.write("MRW1.TMP", "unchanged");
    EXPECT_FALSE(mrw::writeSendText(v, mrw::sendtext::SelectedLines, out));
    EXPECT_EQ(dir.read("MRW1.TMP"), "unchanged");
    v.hasSelection = true;
    v.selectionFirstLine = 1;
    v.selectionLastLine = 2;
    ASSERT_TRUE(mrw::writeSendText(v, mrw::sendtext::SelectedLines, out));
    EXPECT_EQ(dir.read("MRW1.TMP"), "O1001\r\nN10     G00 X1.\r\n");

    // Any other mode sends the whole text.
    ASSERT_TRUE(mrw::writeSendText(v, 3, out));
    EXPECT_EQ(dir.read("MRW1.TMP").substr(0, 3), "%\r\n");
}

// A line longer than a printed one goes whole: a cut comment would lose its closing mark.
TEST(SendText, LongLinesAreSentWhole)
{
    testsupport::TempFolder dir;
    mrw::EditorTextView v;
    const std::string comment = "N10 (" + std::string(1496, 'A') + ")";
    ASSERT_EQ(comment.size(), 1502u);
    v.lines = {comment, std::string(1020, 'X') + "\tY"};
    ASSERT_TRUE(mrw::writeSendText(v, mrw::sendtext::WholeFile, dir.file("MRW1.TMP")));
    EXPECT_EQ(dir.read("MRW1.TMP"), comment + "\r\n" + std::string(1020, 'X') + "    Y\r\n");
}

TEST(SendText, WriteFailureIsReported)
{
    testsupport::TempFolder dir;
    EXPECT_FALSE(mrw::writeSendText(sample(), mrw::sendtext::WholeFile, dir.file("missing/MRW1.TMP")));
}
