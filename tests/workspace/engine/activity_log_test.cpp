// The activity log writes one line per event, whatever bytes the message holds.
#include "workspace/engine/activity_log.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

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
    };
    std::string expected;
    for (const auto& c : cases) {
        EXPECT_TRUE(log.write(c.message));
        expected += "03/07/2026,09:05:02," + c.written + "\r\n";
    }
    EXPECT_EQ(folder.read("MRWDNC.LOG"), expected);
}

} // namespace
} // namespace mrw
