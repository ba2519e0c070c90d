// The debugging tools' line tests: test pattern, hex view, raw block send, binary capture.
#include "dnc/engine/line_tests.h"

#include "tests/dnc/engine/dnc_session_rig.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace dnc {
namespace {

using testrig::SessionRig;

const std::string Machine = "[M]\r\nPORT=1\r\nBAUD=9600\r\nDATABITS=8\r\nPARITY=N\r\nSTOPBITS=1\r\nFLOW=1\r\n";

TEST(LineTests, TestPatternOfWholeKilobytes)
{
    const std::string frame = "%\r\nO7777\r\nM30\r\n%\r\n";
    EXPECT_EQ(testPatternText(0), frame);
    const std::string one = testPatternText(1);
    std::string lines;
    for (int i = 0; i < 68; ++i) // 1024 div 15
        lines += "G01X1.5Y2.5Z3.5\r\n";
    EXPECT_EQ(one, "%\r\nO7777\r\n" + lines + "M30\r\n%\r\n");

    const struct {
        const char* typed;
        std::optional<int> size;
    } sizes[] = {{"1", 1}, {" 0 ", 0}, {"9999", 9999}, {"10000", std::nullopt}, {"abc", std::nullopt},
                 {"", std::nullopt}, {"-1", std::nullopt}, {"1.5", std::nullopt}};
    for (const auto& s : sizes)
        EXPECT_EQ(testPatternSize(s.typed), s.size) << s.typed;
}

TEST(LineTests, HexView)
{
    std::string shown;
    for (char c : std::string("N1\r\n"))
        shown += hexShown(c);
    EXPECT_EQ(shown, "N[4E],1[31],<cr><lf>");
    EXPECT_EQ(hexShown('\x11'), "\x11[11],");
    EXPECT_EQ(hexShown('\xff'), "\xff[FF],");
}

TEST(LineTests, FileGoesInBlocksOfAtMost256Bytes)
{
    SessionRig rig(Machine);
    rig.session->begin();
    rig.session->SetBufferSizes(4096, 300);
    std::string file;
    for (int i = 0; i < 700; ++i)
        file += static_cast<char>(i % 256); // XON, XOFF and NUL among them
    rig.folder.write("RAW.BIN", file);
    rig.device->clearEvents();
    int dots = 0;
    std::vector<int> outCounts;
    EXPECT_TRUE(sendFileInBlocks(*rig.session, rig.folder.file("RAW.BIN"), [&] {
        ++dots;
        outCounts.push_back(rig.session->port().outCount());
    }));
    rig.device->clock.waitFor([&] { return rig.session->port().outCount() == 0; }, 10000, true);
    EXPECT_EQ(rig.device->sent(), file);
    EXPECT_EQ(dots, 3); // 256 + 256 + 188
    for (int count : outCounts)
        EXPECT_LE(count, 300);
    EXPECT_FALSE(sendFileInBlocks(*rig.session, rig.folder.file("NONE.BIN"), nullptr));
    // A FIFO with no writer is refused, not waited on.
    ASSERT_EQ(::mkfifo(rig.folder.file("PIPE.BIN").c_str(), 0644), 0);
    EXPECT_FALSE(sendFileInBlocks(*rig.session, rig.folder.file("PIPE.BIN"), nullptr));
}

TEST(LineTests, BinaryCaptureKeepsEveryByte)
{
    SessionRig rig(Machine);
    rig.session->begin();
    const std::string bytes = std::string("A\x11" "B\x13" "C\0D\xff", 8);
    rig.session->view().setTerminalActive(false); // as "Receive Bin" does: the capture reads the port
    int passes = 0;
    EXPECT_TRUE(captureBinary(rig.session->port(), rig.folder.file("CAP.BIN"), [&] {
        if (++passes == 2)
            rig.device->feed(bytes);
        return passes > 6;
    }));
    EXPECT_EQ(rig.folder.read("CAP.BIN"), bytes);
    EXPECT_EQ(rig.session->port().softwareFlow(), SoftwareFlow::None);
}

// A link planted under the capture's name is replaced, never followed.
// The capture file is one the user chose: a link there is followed and its target
// replaced whole, as every saved file is.
TEST(LineTests, BinaryCaptureReplacesTheChosenFileThroughItsLink)
{
    SessionRig rig(Machine);
    rig.session->begin();
    rig.folder.write("notes", "secret");
    std::filesystem::create_symlink(rig.folder.file("notes"), rig.folder.file("CAP.BIN"));
    rig.session->view().setTerminalActive(false);
    int passes = 0;
    EXPECT_TRUE(captureBinary(rig.session->port(), rig.folder.file("CAP.BIN"), [&] {
        if (++passes == 2)
            rig.device->feed("N1");
        return passes > 4;
    }));
    EXPECT_EQ(rig.folder.read("notes"), "N1");
    EXPECT_TRUE(std::filesystem::is_symlink(rig.folder.file("CAP.BIN")));
}

} // namespace
} // namespace dnc
