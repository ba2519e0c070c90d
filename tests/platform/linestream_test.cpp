#include "platform/linestream.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> readAll(platform::LineReader& reader)
{
    std::vector<std::string> lines;
    std::string line;
    while (reader.readLine(line))
        lines.push_back(line);
    return lines;
}

TEST(LineStream, ReadsEveryLineEndAndKeepsBytes)
{
    testsupport::TempFolder folder;
    const struct {
        std::string bytes;
        std::vector<std::string> lines;
    } cases[] = {
        {"", {}},
        {"A\r\nB\r\n", {"A", "B"}},
        {"A\nB", {"A", "B"}},
        {"A\rB\r", {"A", "B"}},
        {"A\r\n\r\nB", {"A", "", "B"}},
        {"\xE9t\xE9\r\n", {"\xE9t\xE9"}},
    };
    for (const auto& c : cases) {
        folder.write("in.txt", c.bytes);
        platform::LineReader reader;
        ASSERT_TRUE(reader.open(folder.file("in.txt")));
        EXPECT_EQ(readAll(reader), c.lines) << c.bytes;
        EXPECT_TRUE(reader.atEnd());
    }
}

TEST(LineStream, CrLfSplitAcrossTheBufferIsOneLineEnd)
{
    testsupport::TempFolder folder;
    std::string first(65535, 'X');
    folder.write("in.txt", first + "\r\nY\r\n");
    platform::LineReader reader;
    ASSERT_TRUE(reader.open(folder.file("in.txt")));
    const auto lines = readAll(reader);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], first);
    EXPECT_EQ(lines[1], "Y");
}

TEST(LineStream, RewindStartsAgainAndWriterEndsLinesWithCrLf)
{
    testsupport::TempFolder folder;
    platform::LineWriter writer;
    ASSERT_TRUE(writer.create(folder.file("out.txt")));
    writer.writeLine("G01 X1.");
    writer.writeLine("");
    ASSERT_TRUE(writer.close());
    ASSERT_TRUE(writer.openAppend(folder.file("out.txt")));
    writer.writeLine("M30");
    ASSERT_TRUE(writer.close());
    EXPECT_EQ(folder.read("out.txt"), "G01 X1.\r\n\r\nM30\r\n");
    EXPECT_FALSE(writer.createNew(folder.file("out.txt")));
    ASSERT_TRUE(writer.createNew(folder.file("new.txt")));
    ASSERT_TRUE(writer.close());

    platform::LineReader reader;
    ASSERT_TRUE(reader.open(folder.file("out.txt")));
    std::string line;
    ASSERT_TRUE(reader.readLine(line));
    ASSERT_TRUE(reader.rewind());
    EXPECT_EQ(readAll(reader), (std::vector<std::string>{"G01 X1.", "", "M30"}));
    EXPECT_FALSE(platform::LineReader().open(folder.file("missing.txt")));
}

} // namespace
