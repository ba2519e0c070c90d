#include "dnc/engine/send_image.h"

#include "platform/paths.h"
#include "platform/scratch_file.h"
#include "workspace/engine/scratch_files.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace dnc;

namespace {

SendOptions iso()
{
    SendOptions o;
    o.tapeCode = TapeCode::Iso;
    return o;
}

struct TextCase {
    const char* name;
    std::string source;
    bool stripLineFeeds;
    bool stripBlankLines;
    std::string expected; // ISO: the lines that are sent, each ended by CR LF
};

} // namespace

TEST(SendImageTest, LinesOfTheSource)
{
    const std::vector<TextCase> cases = {
        {"CR LF", "N1\r\nN2\r\n", false, false, "N1\r\nN2\r\n"},
        {"bare LF ends a block", "N1\nN2\n", false, false, "N1\r\nN2\r\n"},
        {"bare LF, filtered", "N1\nN2\n", true, false, "N1\r\nN2\r\n"},
        {"lone CR", "N1\rN2", false, false, "N1\r\nN2\r\n"},
        {"last line without end", "N1\r\nN2", false, false, "N1\r\nN2\r\n"},
        {"blank lines kept", "N1\r\n\r\n\nN2\r\n", false, false, "N1\r\n\r\n\r\nN2\r\n"},
        {"blank lines stripped", "N1\r\n\r\n\nN2\r\n", false, true, "N1\r\nN2\r\n"},
        {"redundant LF after a line end", "N1\r\n\nN2\r\n\n", true, false, "N1\r\nN2\r\n"},
        {"redundant LF before CR", "N1\n\r\nN2\r\n", true, false, "N1\r\nN2\r\n"},
        {"leading LF", "\nN1\r\n", true, false, "N1\r\n"},
        {"CR CR LF keeps the empty block", "N1\r\r\nN2", true, false, "N1\r\n\r\nN2\r\n"},
        {"Ctrl-Z ends the text", "N1\r\nN2\x1AN3\r\n", false, false, "N1\r\nN2\r\n"},
        {"Ctrl-Z at the start", "\x1AN1\r\n", false, false, ""},
        {"skip marker", "<N1\r\n <N2\r\nN3<\r\n", false, false, " <N2\r\nN3<\r\n"},
        {"empty", "", false, false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SendOptions o = iso();
        o.stripLineFeeds = c.stripLineFeeds;
        o.stripBlankLines = c.stripBlankLines;
        EXPECT_EQ(convertSendTextBytes(c.source, o), c.expected);
    }
}

TEST(SendImageTest, SkipMarkerIsOneCharacter)
{
    SendOptions o = iso();
    o.skipMarker = "<<";
    EXPECT_EQ(convertSendTextBytes("<<N1\r\n", o), "<<N1\r\n");
    o.skipMarker = "";
    EXPECT_EQ(convertSendTextBytes("<N1\r\n", o), "<N1\r\n");
    o.skipMarker = "/";
    EXPECT_EQ(convertSendTextBytes("/N1\r\nN2\r\n", o), "N2\r\n");
}

TEST(SendImageTest, LineEndOfEachTapeCode)
{
    SendOptions o;
    o.tapeCode = TapeCode::Eia;
    EXPECT_EQ(convertSendTextBytes("N10G01X1.0\r\n", o), std::string("\x45\x01\x20\x67\x20\x01\x37\x01\x6B\x20\x80", 11));
    o.tapeCode = TapeCode::Ascii;
    EXPECT_EQ(convertSendTextBytes("N1\r\n", o), "\x4E\xB1\x8D\x0A");
}

TEST(SendImageTest, LeaderIsTenNulsAnInchAndOne)
{
    EXPECT_EQ(leaderBytes(0), "");
    EXPECT_EQ(leaderBytes(-3), "");
    EXPECT_EQ(leaderBytes(1), std::string(11, '\0'));
    EXPECT_EQ(leaderBytes(12), std::string(121, '\0'));
    // However long the leader asked for, the image stays a few kilobytes.
    EXPECT_EQ(leaderBytes(mrw::MaxLeaderLength).size(), 10001u);
    EXPECT_EQ(leaderBytes(2147483647).size(), 10001u);

    SendOptions o = iso();
    o.leaderLength = 1;
    EXPECT_EQ(buildSendImage("N1\r\n", o), std::string(11, '\0') + "N1\r\n" + std::string(11, '\0'));
    o.leaderLength = 0;
    EXPECT_EQ(buildSendImage("N1\r\n", o), "N1\r\n");
}

TEST(SendImageTest, GoldenImagePerTapeCode)
{
    const std::string source = testsupport::readFixture(MRW_TEST_FIXTURES "/send", "program.txt");
    for (const auto& [code, file] : {std::pair{TapeCode::Eia, "eia.img"}, std::pair{TapeCode::Ascii, "ascii.img"},
                                     std::pair{TapeCode::Iso, "iso.img"}}) {
        SCOPED_TRACE(file);
        SendOptions o;
        o.tapeCode = code;
        o.leaderLength = 1;
        o.startSendCodes = "%/-50/018";
        o.endSendCodes = "M02/013/010";
        EXPECT_EQ(buildSendImage(convertSendTextBytes(source, o), o), testsupport::readFixture(MRW_TEST_FIXTURES "/send", file));
    }
}

TEST(SendImageTest, CharacterWithoutEiaCodeNamesLineAndCharacter)
{
    SendOptions o;
    o.tapeCode = TapeCode::Eia;
    try {
        convertSendTextBytes("N1\r\n<{skipped}\r\n\r\nN4 X{1}\r\n", o);
        FAIL() << "no error";
    } catch (const NoEiaCode& e) {
        EXPECT_EQ(e.line(), 4u);
        EXPECT_EQ(e.column(), 5u);
        EXPECT_EQ(e.character(), '{');
        EXPECT_STREQ(e.what(), "Line 4, character 5: \"{\" (7Bh) has no EIA code.\nNothing was sent.");
    }
    o.endSendCodes = "M30_";
    try {
        buildSendImage("", o);
        FAIL() << "no error";
    } catch (const NoEiaCode& e) {
        EXPECT_STREQ(e.what(), "End Send Codes, character 4: \"_\" (5Fh) has no EIA code.\nNothing was sent.");
    }
    // ASCII and ISO take every character.
    o.tapeCode = TapeCode::Ascii;
    EXPECT_NO_THROW(buildSendImage(convertSendTextBytes("X{1}\r\n", o), o));
}

// Inside the machine's comment delimiters a character without an EIA code goes as the
// code of "0": the control does not read comments. In the NC words it is still refused.
TEST(SendImageTest, CharacterWithoutEiaCodeInACommentIsSent)
{
    SendOptions o;
    o.tapeCode = TapeCode::Eia;
    EXPECT_EQ(convertSendTextBytes("X1(a_b)\r\n", o), ConvertLineToTapeCode("X1(A0B)", TapeCode::Eia) + "\x80");
    EXPECT_THROW(convertSendTextBytes("(A)X_\r\n", o), NoEiaCode);
    o.commentStart = "[";
    o.commentEnd = "]";
    EXPECT_EQ(convertSendTextBytes("X1[_]\r\n", o), ConvertLineToTapeCode("X1[0]", TapeCode::Eia) + "\x80");
    EXPECT_THROW(convertSendTextBytes("X1(_)\r\n", o), NoEiaCode);
}

TEST(SendImageTest, FilesOfTheSend)
{
    testsupport::TempFolder dir;
    const ScratchFiles files{dir.file("MRW1.TMP"), dir.file("MRW2.TMP")};
    dir.write("MRW1.TMP", "old image");
    dir.write("MRW2.TMP", "old text");
    dir.write("PART.TAP", "N1\nN2 X{1}\n");

    SendOptions o;
    o.tapeCode = TapeCode::Eia;
    EXPECT_THROW(prepareSendImage(dir.file("PART.TAP"), files, o), NoEiaCode);
    EXPECT_EQ(dir.read("MRW1.TMP"), "old image");
    EXPECT_EQ(dir.read("MRW2.TMP"), "old text");

    EXPECT_THROW(prepareSendImage(dir.file("MISSING.TAP"), files, o), SendError);
    EXPECT_EQ(dir.read("MRW2.TMP"), "old text");

    o.tapeCode = TapeCode::Iso;
    o.startSendCodes = "%";
    prepareSendImage(dir.file("PART.TAP"), files, o);
    EXPECT_EQ(dir.read("MRW2.TMP"), "N1\r\nN2 X{1}\r\n");
    EXPECT_EQ(dir.read("MRW1.TMP"), "%N1\r\nN2 X{1}\r\n");
    EXPECT_FALSE(platform::fileExists(sendWorkFileName(files.sendSourceFile)));

    // The text to be sent may be its own source (the editor's text is written there first).
    o.tapeCode = TapeCode::Eia;
    o.startSendCodes.clear();
    dir.write("MRW2.TMP", "N1\r\n");
    prepareSendImage(files.sendSourceFile, files, o);
    EXPECT_EQ(dir.read("MRW2.TMP"), "\x45\x01\x80");
    EXPECT_EQ(dir.read("MRW1.TMP"), "\x45\x01\x80");
}

// A FIFO named as the file to send is refused with its own message, never opened.
TEST(SendImageTest, SourceThatIsNotAFileIsRefusedByName)
{
    testsupport::TempFolder dir;
    const ScratchFiles files{dir.file("MRW1.TMP"), dir.file("MRW2.TMP")};
    const std::string fifo = dir.file("PIPE.TAP");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    try {
        prepareSendImage(fifo, files, iso());
        ADD_FAILURE() << "sent a FIFO";
    } catch (const SendError& e) {
        EXPECT_EQ(std::string(e.what()), platform::notRegularFileText(fifo));
    }
}

TEST(SendImageTest, ImageThatCannotBeWrittenIsAnError)
{
    testsupport::TempFolder dir;
    const ScratchFiles files{dir.file("gone/MRW1.TMP"), dir.file("MRW2.TMP")};
    dir.write("PART.TAP", "N1\r\n");
    EXPECT_THROW(prepareSendImage(dir.file("PART.TAP"), files, iso()), SendError);
}

TEST(SendImageTest, WorkFileIsTheOneTheScratchCleanupRemoves)
{
    testsupport::TempFolder dir;
    const mrw::ScratchFiles scratch{dir.file("MRW1.TMP"), dir.file("MRW2.TMP")};
    const std::string work = sendWorkFileName(scratch.SendSourceFile);
    dir.write("MRW2.TMP.XXX", "left by a failed send");
    ASSERT_TRUE(platform::fileExists(work));
    mrw::deleteScratchFiles(scratch);
    EXPECT_FALSE(platform::fileExists(work));
}
