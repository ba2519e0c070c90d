// The activity log writes one line per event, whatever bytes the message holds.
#include "workspace/engine/activity_log.h"

#include "support/file_size_limit.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mrw {
namespace {

TEST(ActivityLog, ControlBytesOfAMessageAreWrittenAsHex)
{
    testsupport::TempFolder folder;
    ActivityLog log;
    log.setPath(folder.file("MRWDNC.LOG"));
    log.setEnabled(true);
    log.setClock([] { return LocalDateTime{2026, 3, 7, 9, 5, 2}; });
    log.setSeparators({'/', ':'});
    const struct {
        std::string message;
        std::string written;
    } cases[] = {
        {"a\rb\x7f", "a<0D>b<7F>"},
        {"O1\r\n03/04/2026,05:06:07,x", "O1<0D><0A>03/04/2026,05:06:07,x"},
        {std::string("\0\x1f \xe9", 4), std::string("<00><1F> \xe9")},
        // C1 controls, 9Bh among them, are controls on some terminals; A0h-FFh are letters.
        {"\x80\x9b[2J\x9f", "<80><9B>[2J<9F>"},
        {"\xa0\xc4\xff", "\xa0\xc4\xff"},
    };
    std::string expected;
    for (const auto& c : cases) {
        EXPECT_TRUE(log.write(c.message));
        expected += "03/07/2026,09:05:02," + c.written + "\r\n";
    }
    EXPECT_EQ(folder.read("MRWDNC.LOG"), expected);
}

TEST(ActivityLog, LineCutShortIsTakenBackAndTheNextLineIsWhole)
{
    // A file-size limit cuts the write part way, as a full disk does, even for root.
    testsupport::TempFolder folder;
    ActivityLog log;
    log.setPath(folder.file("MRWDNC.LOG"));
    log.setEnabled(true);
    log.setClock([] { return LocalDateTime{2026, 11, 12, 14, 3, 42}; });
    log.setSeparators({'/', ':'});
    ASSERT_TRUE(log.write("first"));
    const std::string first = folder.read("MRWDNC.LOG");

    const bool written = [&] {
        testsupport::FileSizeLimit full(first.size() + 4);
        return log.write("torn");
    }();

    EXPECT_FALSE(written);
    EXPECT_EQ(folder.read("MRWDNC.LOG"), first);
    EXPECT_TRUE(log.write("next"));
    EXPECT_EQ(folder.read("MRWDNC.LOG"), first + "11/12/2026,14:03:42,next\r\n");
}

// The log's name lies in a shared folder: a link planted there by another user, or a
// FIFO, is not written through (nor waited for), and the write says it failed.
TEST(ActivityLog, PlantedLinkOrFifoUnderItsNameIsNotWritten)
{
    testsupport::TempFolder folder;
    folder.write("notes", "mine\r\n");
    ActivityLog log;
    log.setEnabled(true);
    ASSERT_EQ(::symlink(folder.file("notes").c_str(), folder.file("MRWDNC.LOG").c_str()), 0);
    log.setPath(folder.file("MRWDNC.LOG"));
    EXPECT_FALSE(log.write("event"));
    EXPECT_EQ(folder.read("notes"), "mine\r\n");

    ASSERT_EQ(::mkfifo(folder.file("PIPE.LOG").c_str(), 0666), 0);
    log.setPath(folder.file("PIPE.LOG"));
    EXPECT_FALSE(log.write("event"));
}

} // namespace
} // namespace mrw
