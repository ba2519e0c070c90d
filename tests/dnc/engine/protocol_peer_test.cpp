// Each block protocol sends to and receives from the standard programs over a pty.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "dnc/engine/protocol_driver.h"
#include "dnc/engine/transfer_protocols.h"
#include "proto_peer.h"
#include "proto_simulated_line.h"
#include "support/temp_folder.h"

using namespace dnc;

namespace {

struct PeerCase {
    ProtocolType protocol;
    const char* name;
    std::size_t block;
    const char* sendCommand;     // the standard program sending file "in.bin"
    const char* receiveCommand;  // the standard program receiving into its folder
};

const PeerCase peerCases[] = {
    {ProtocolType::XmodemCrc, "Xmodem", 128, "sx -b in.bin", "rx -c -b -y got.bin"},
    {ProtocolType::Ymodem, "Ymodem", 1024, "sb -b in.bin", "rb -b -y"},
    {ProtocolType::Zmodem, "Zmodem", 1024, "sz -b in.bin", "rz -b -y"},
    {ProtocolType::Kermit, "Kermit", 90, "gkermit -q -i -P -s in.bin", "gkermit -q -i -P -w -r"},
};

std::vector<std::size_t> sizesFor(const PeerCase& c)
{
    return {0, 1, c.block, c.block + 1, 1 << 20};
}

class ProtocolPeerTest : public ::testing::TestWithParam<PeerCase> {
protected:
    TransferOptions timings()
    {
        TransferOptions t;
        t.handshakeWaitMs = 20000;
        t.blockWaitMs = 5000;
        return t;
    }
};

TEST_P(ProtocolPeerTest, SendsToStandardReceiver)
{
    const PeerCase& c = GetParam();
    for (std::size_t size : sizesFor(c)) {
        SCOPED_TRACE("size " + std::to_string(size));
        testsupport::TempFolder dir;
        ::mkdir(dir.file("rx").c_str(), 0755);
        std::string data = prototest::allByteValues(size);
        prototest::PeerLink link(dir.path(), dir.file("rx"), c.receiveCommand);
        ASSERT_TRUE(link.ok());
        const std::int64_t modified = 1700000000;
        auto engine = makeSendEngine(c.protocol, data, "in.bin", timings(), modified);
        ASSERT_TRUE(engine);
        FdTransferDriver driver(link.fd(), link.fd());
        EXPECT_EQ(driver.run(*engine), ProtocolOk) << engine->resultText();
        EXPECT_EQ(link.waitExit(10000), 0);
        const std::string arrived = c.protocol == ProtocolType::XmodemCrc ? "rx/got.bin" : "rx/in.bin";
        std::string got = dir.read(arrived);
        if (c.protocol == ProtocolType::XmodemCrc) {
            // The standard receiver keeps the padding of the last block.
            ASSERT_EQ(got.size() % 128, 0u);
            ASSERT_GE(got.size(), data.size());
            EXPECT_EQ(got.substr(data.size()), std::string(got.size() - data.size(), '\x1A'));
            got.resize(data.size());
        }
        EXPECT_TRUE(got == data || prototest::waitForFile(dir.file(arrived), data)) << "received " << got.size() << " bytes";
        if (c.protocol == ProtocolType::Ymodem || c.protocol == ProtocolType::Zmodem) {
            struct stat info{};
            ASSERT_EQ(::stat(dir.file(arrived).c_str(), &info), 0);
            EXPECT_EQ(info.st_mtime, modified);  // the header's time reached the peer
        }
    }
}

TEST_P(ProtocolPeerTest, ReceivesFromStandardSender)
{
    const PeerCase& c = GetParam();
    for (std::size_t size : sizesFor(c)) {
        SCOPED_TRACE("size " + std::to_string(size));
        testsupport::TempFolder dir;
        std::string data = prototest::allByteValues(size);
        dir.write("in.bin", data);
        dir.write("chosen.tap", "old contents that must go");
        prototest::PeerLink link(dir.path(), dir.path(), c.sendCommand);
        ASSERT_TRUE(link.ok());
        auto engine = makeReceiveEngine(c.protocol, timings());
        ASSERT_TRUE(engine);
        ReceivedFile file(dir.file("chosen.tap"));
        ASSERT_TRUE(file.open());
        FdTransferDriver driver(link.fd(), link.fd());
        EXPECT_EQ(driver.run(*engine, &file), ProtocolOk) << engine->resultText();
        EXPECT_EQ(link.waitExit(10000), 0);
        EXPECT_TRUE(dir.read("chosen.tap") == data) << "received " << dir.read("chosen.tap").size() << " bytes";
    }
}

INSTANTIATE_TEST_SUITE_P(Peers, ProtocolPeerTest, ::testing::ValuesIn(peerCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

namespace {

// A batch of two files: the first goes to the chosen file, the transfer then ends
// with an error that tells the operator the second was not taken.
TEST(ProtocolPeerBatch, SecondFileIsRefusedAndTheFirstKept)
{
    struct Case { ProtocolType type; const char* sender; };
    for (const Case& c : {Case{ProtocolType::Ymodem, "sb -b in.bin two.bin"}, Case{ProtocolType::Zmodem, "sz -b in.bin two.bin"},
                          Case{ProtocolType::Kermit, "gkermit -q -i -P -s in.bin two.bin"}}) {
        SCOPED_TRACE(c.sender);
        testsupport::TempFolder dir;
        const std::string first = prototest::allByteValues(5000);
        dir.write("in.bin", first);
        dir.write("two.bin", "N1G00X0\r\n");
        prototest::PeerLink link(dir.path(), dir.path(), c.sender);
        ASSERT_TRUE(link.ok());
        TransferOptions t;
        t.blockWaitMs = 3000;
        auto engine = makeReceiveEngine(c.type, t);
        ReceivedFile file(dir.file("chosen.tap"));
        ASSERT_TRUE(file.open());
        EXPECT_EQ(FdTransferDriver(link.fd(), link.fd()).run(*engine, &file), ProtocolOneFileOnly);
        EXPECT_TRUE(dir.read("chosen.tap") == first);
    }
}

}  // namespace

namespace {

// The operator starts the receive a few seconds before the other side sends: our
// start requests wait in the line, and the standard sender finds several of them.
TEST(ProtocolPeerLateSender, ReceiveStartedBeforeTheSenderSucceeds)
{
    struct Case { ProtocolType type; const char* sender; };
    for (const Case& c : {Case{ProtocolType::XmodemCrc, "sx -b in.bin"}, Case{ProtocolType::Ymodem, "sb -b in.bin"},
                          Case{ProtocolType::Zmodem, "sz -b in.bin"}, Case{ProtocolType::Kermit, "gkermit -q -i -P -s in.bin"}}) {
        SCOPED_TRACE(c.sender);
        testsupport::TempFolder dir;
        const std::string data = prototest::allByteValues(3000);
        dir.write("in.bin", data);
        dir.write("late.sh", std::string("sleep 5\nexec ") + c.sender + "\n");
        prototest::PeerLink link(dir.path(), dir.path(), "sh late.sh");
        ASSERT_TRUE(link.ok());
        auto engine = makeReceiveEngine(c.type, TransferOptions{});
        ReceivedFile file(dir.file("chosen.tap"));
        ASSERT_TRUE(file.open());
        EXPECT_EQ(FdTransferDriver(link.fd(), link.fd()).run(*engine, &file), ProtocolOk) << engine->resultText();
        EXPECT_EQ(link.waitExit(10000), 0);
        EXPECT_TRUE(dir.read("chosen.tap") == data) << "received " << dir.read("chosen.tap").size() << " bytes";
    }
}

}  // namespace

namespace {

// A name too long for a 128-byte header block goes in a 1,024-byte one: the standard
// receiver takes it, under the whole name, with the file whole.
TEST(ProtocolPeerLongName, YmodemSendsAHundredAndNineCharacterName)
{
    testsupport::TempFolder dir;
    ::mkdir(dir.file("rx").c_str(), 0755);
    const std::string name = "O" + std::string(104, '1') + ".TAP";
    ASSERT_EQ(name.size(), 109u);
    const std::string data = prototest::allByteValues(3000);
    prototest::PeerLink link(dir.path(), dir.file("rx"), "rb -b -y");
    ASSERT_TRUE(link.ok());
    auto engine = makeSendEngine(ProtocolType::Ymodem, data, name, TransferOptions{}, 1700000000);
    EXPECT_EQ(FdTransferDriver(link.fd(), link.fd()).run(*engine), ProtocolOk) << engine->resultText();
    EXPECT_EQ(link.waitExit(10000), 0) << dir.read("peer.log");
    EXPECT_TRUE(prototest::waitForFile(dir.file("rx/" + name), data)) << dir.read("peer.log");

    // Our own receiver reads the long header block too.
    auto sender = makeSendEngine(ProtocolType::Ymodem, data, name, TransferOptions{}, 1700000000);
    auto receiver = makeReceiveEngine(ProtocolType::Ymodem, TransferOptions{});
    prototest::SimulatedLine line(1, prototest::Damage{}, 1000, 0);
    std::string received;
    ASSERT_TRUE(line.run(*sender, *receiver, received));
    EXPECT_EQ(receiver->result(), ProtocolOk) << receiver->resultText();
    EXPECT_EQ(receiver->status().fileName, name);
    EXPECT_TRUE(received == data);
}

}  // namespace
