// The block protocols on the terminal's port, driven from the event loop, against
// the standard programs.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "dnc/engine/block_protocol.h"
#include "dnc/engine/comport.h"
#include "dnc/engine/posix_line.h"
#include "proto_peer.h"
#include "support/temp_folder.h"

using namespace dnc;

namespace {

// The files the peer sends must be in place before the rig starts it.
struct PortRig {
    PortRig(const testsupport::TempFolder& dir, const std::string& workFolder, const std::string& command,
            ProtocolType type)
        : folder(dir), link(folder.path(), workFolder.empty() ? folder.path() : workFolder, command), protocol(type, port)
    {
        PortSettings settings;
        settings.device = folder.file("ttyA");
        settings.line.baud = 4000000;
        settings.softwareFlow = SoftwareFlow::None;
        std::string error;
        EXPECT_TRUE(port.open(std::make_unique<PosixLine>(settings.device), settings, error)) << error;
        QObject::connect(&protocol, &Protocol::protocolStarted, [this] { log.push_back("start"); });
        QObject::connect(&protocol, &Protocol::protocolError, [this](int code) { log.push_back("error " + std::to_string(code)); });
        QObject::connect(&protocol, &Protocol::protocolFinished, [this](int code) {
            log.push_back("finish " + std::to_string(code));
            finished = true;
        });
        QObject::connect(&protocol, &Protocol::protocolProgress, [this](const ProtocolStatus& s) { last = s; });
    }
    bool run() { return port.clock().waitFor([this] { return finished; }, 60000, true); }

    const testsupport::TempFolder& folder;
    prototest::PeerLink link;
    ComPort port;
    BlockProtocol protocol;
    std::vector<std::string> log;
    ProtocolStatus last;
    bool finished = false;
};

TEST(BlockProtocolOnPort, ReceivesIntoTheChosenFile)
{
    struct Case { ProtocolType type; const char* sender; };
    for (const Case& c : {Case{ProtocolType::Zmodem, "sz -b in.bin"}, Case{ProtocolType::Ymodem, "sb -b in.bin"},
                          Case{ProtocolType::XmodemCrc, "sx -b in.bin"}, Case{ProtocolType::Kermit, "gkermit -q -i -P -s in.bin"}}) {
        SCOPED_TRACE(c.sender);
        testsupport::TempFolder dir;
        const std::string data = prototest::allByteValues(300000);
        dir.write("in.bin", data);
        PortRig rig(dir, "", c.sender, c.type);
        ASSERT_TRUE(rig.protocol.startReceive(rig.folder.file("PART.TAP")));
        ASSERT_TRUE(rig.run());
        EXPECT_EQ(rig.log, (std::vector<std::string>{"start", "finish 0"}));
        EXPECT_TRUE(rig.folder.read("PART.TAP") == data);
        EXPECT_EQ(rig.last.bytesTransferred, static_cast<std::int64_t>(data.size()));
        EXPECT_GT(rig.last.blocks, 0);
        EXPECT_EQ(rig.link.waitExit(10000), 0);
        // The sender's last words were taken with the transfer: nothing of it is left
        // to head what the line carries next.
        rig.port.clock().wait(100, true);
        EXPECT_EQ(rig.port.getBlock(rig.port.inCount()), "");
    }
}

TEST(BlockProtocolOnPort, SendsAFile)
{
    struct Case { ProtocolType type; const char* receiver; const char* arrives; };
    for (const Case& c : {Case{ProtocolType::Zmodem, "rz -b -y", "rx/PART.TAP"}, Case{ProtocolType::Ymodem, "rb -b -y", "rx/PART.TAP"},
                          Case{ProtocolType::Kermit, "gkermit -q -i -P -w -r", "rx/PART.TAP"}}) {
        SCOPED_TRACE(c.receiver);
        testsupport::TempFolder work;
        ::mkdir(work.file("rx").c_str(), 0755);
        const std::string data = prototest::allByteValues(200000);
        work.write("PART.TAP", data);
        PortRig rig(work, work.file("rx"), c.receiver, c.type);
        ASSERT_TRUE(rig.protocol.startTransmit(rig.folder.file("PART.TAP")));
        ASSERT_TRUE(rig.run());
        EXPECT_EQ(rig.log, (std::vector<std::string>{"start", "finish 0"}));
        EXPECT_EQ(rig.link.waitExit(10000), 0);
        EXPECT_TRUE(prototest::waitForFile(work.file(c.arrives), data)) << work.read(c.arrives).size() << " bytes arrived";
    }
}

TEST(BlockProtocolOnPort, CancelByTheOperatorEndsWithItsCode)
{
    testsupport::TempFolder dir;
    PortRig rig(dir, "", "sleep 3", ProtocolType::Zmodem);
    ASSERT_TRUE(rig.protocol.startReceive(rig.folder.file("PART.TAP")));
    rig.port.clock().wait(200, true);
    rig.protocol.cancel();
    ASSERT_TRUE(rig.run());
    EXPECT_EQ(rig.log, (std::vector<std::string>{"start", "finish -6005"}));
    EXPECT_EQ(rig.folder.read("PART.TAP"), "");
}

TEST(BlockProtocolOnPort, MissingFileToSendIsAFileError)
{
    testsupport::TempFolder dir;
    PortRig rig(dir, "", "sleep 1", ProtocolType::XmodemCrc);
    ASSERT_TRUE(rig.protocol.startTransmit(rig.folder.file("NONE.TAP")));
    ASSERT_TRUE(rig.run());
    EXPECT_EQ(rig.log, (std::vector<std::string>{"start", "error -6006", "finish -6006"}));
}

}  // namespace
