#include "dnc/engine/received_file.h"
#include "dnc/engine/send_image.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

using namespace dnc;

namespace {

struct ReceivedCase {
    const char* name;
    TapeCode code;
    std::string tape;
    std::string text;
};

} // namespace

TEST(ReceivedTapeTest, Cases)
{
    const std::vector<ReceivedCase> cases = {
        {"EIA blocks", TapeCode::Eia, "\x45\x01\x80\x80\x67\x01", "N1\r\nG1"},
        {"EIA ( comes back as :", TapeCode::Eia, "\x1A\x4A", ":~"},
        {"EIA leader, delete and unknown codes", TapeCode::Eia, std::string("\0\0\x7F\x45\x03\x80\0\0", 8), "N?\r\n"},
        {"EIA CR and LF codes", TapeCode::Eia, "\x45\x0D\x0A\x8D\x80\x46", "N\r\nO"},
        {"EIA 1Ah does not end the tape", TapeCode::Eia, "\x1A\x01", ":1"},
        {"ASCII parity cleared", TapeCode::Ascii, "\x4E\xB1\x8D\x0A\x47\xB1\x8D\x0A", "N1\r\nG1\r\n"},
        {"ASCII empty lines fold", TapeCode::Ascii, "A\x8D\x0A\x8D\x0A" "B\r\n", "A\r\nB\r\n"},
        {"ASCII Ctrl-Z ends the tape", TapeCode::Ascii, "N1\x8D\x0A\x1AN2", "N1\r\n"},
        {"ASCII keeps NUL", TapeCode::Ascii, std::string("\0N", 2), std::string("\0N", 2)},
        {"line end first", TapeCode::Eia, "\x80\x45", "\r\nN"},
        {"ISO unchanged", TapeCode::Iso, "N1\n\x1A\x80", "N1\n\x1A\x80"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(convertReceivedText(c.tape, c.code), c.text);
    }
}

TEST(ReceivedTapeTest, RoundTripThroughEachTapeCode)
{
    const std::string text = "%\r\nO1001\r\nN10 G90 G00 X1.25 Y-0.5 M08\r\nN20 G01 Z-.1 F12.\r\nN30 M30\r\n%\r\n";
    for (const TapeCode code : {TapeCode::Eia, TapeCode::Ascii}) {
        SendOptions o;
        o.tapeCode = code;
        o.leaderLength = code == TapeCode::Eia ? 3 : 0;
        const std::string image = buildSendImage(convertSendTextBytes(text, o), o);
        EXPECT_EQ(convertReceivedText(image, code), text);
    }
}

TEST(ReceivedTapeTest, FileIsReplacedByItsText)
{
    testsupport::TempFolder dir;
    dir.write("IN.TAP", "\x45\x01\x80\x67\x01\x80");
    ConvertReceivedFile(dir.file("IN.TAP"), TapeCode::Eia);
    EXPECT_EQ(dir.read("IN.TAP"), "N1\r\nG1\r\n");

    dir.write("ISO.TAP", "N1\n");
    ConvertReceivedFile(dir.file("ISO.TAP"), TapeCode::Iso);
    EXPECT_EQ(dir.read("ISO.TAP"), "N1\n");

    EXPECT_THROW(ConvertReceivedFile(dir.file("MISSING.TAP"), TapeCode::Ascii), ReceivedFileError);
}
