#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "dnc/engine/transfer_engine.h"

namespace dnc {

// Link parameters one Kermit side states in its Send-Init packet.
struct KermitParameters {
    int maxLength = 94;         // longest packet it takes (normal packets)
    int timeoutSeconds = 10;
    int padCount = 0;
    char padChar = 0;           // the pad character 00h
    char eol = '\r';
    char controlQuote = '#';
    char eighthBitQuote = 'Y';  // 'Y': will quote on request; 'N': will not
    char checkType = '3';
    char repeatPrefix = '~';
    bool longPackets = true;
    int maxLongLength = 9000;

    std::string encode() const;
    static KermitParameters decode(std::string_view data);
};

// What both sides agreed on.
struct KermitLink {
    int checkType = 1;
    char eighthBitQuote = 0;    // 0: bytes go with all eight bits
    char repeatPrefix = 0;      // 0: no repeat counts
    char controlQuote = '#';
    int sendDataLimit = 90;     // encoded data bytes per packet to the peer
    int padCount = 0;
    char padChar = 0;
    char eol = '\r';
};

struct KermitPacket {
    int seq = 0;
    char type = 0;
    std::string data;
};

// Builds and reads Kermit packets with short or extended length.
class KermitFramer {
public:
    std::string frame(int seq, char type, std::string_view data, const KermitLink& link) const;
    // Feeds one byte; a packet whose check is right is returned, a damaged one
    // sets damaged() instead.
    std::optional<KermitPacket> feed(unsigned char byte, int checkType);
    bool takeDamaged();

private:
    std::string buffer_;
    bool inPacket_ = false;
    bool damaged_ = false;
};

class KermitSender : public TransferEngine {
public:
    KermitSender(std::string data, std::string announcedName, TransferOptions timings = {});

    void start() override;
    void receive(std::string_view bytes) override;
    void timerExpired() override;
    void outputMoved() override;

protected:
    std::string cancelSequence() const override;

private:
    enum class State { SendInit, FileHeader, Data, EndOfFile, Break };

    void onPacket(const KermitPacket& packet);
    void advance();
    void sendPacket(char type, std::string data);
    void resend();
    void sendDataPacket();
    void shortenPackets();
    int answerWaitMs() const;

    std::string data_;
    std::string announcedName_;
    KermitFramer framer_;
    KermitParameters ours_;
    KermitLink link_;
    State state_ = State::SendInit;
    int seq_ = 0;
    std::size_t offset_ = 0;
    std::size_t pendingOffset_ = 0;  // file position after the packet awaiting its ACK
    int dataLimit_ = 90;             // data characters per packet now
    int goodInRow_ = 0;
    int endTries_ = 0;               // break packets sent without an answer
    std::string current_;
};

class KermitReceiver : public TransferEngine {
public:
    explicit KermitReceiver(TransferOptions timings = {});

    void start() override;
    void receive(std::string_view bytes) override;
    void timerExpired() override;

protected:
    std::string cancelSequence() const override;

private:
    void onPacket(const KermitPacket& packet);
    void acknowledge(int seq, std::string data = {});
    void nak();
    void fail(int code, const std::string& why);
    bool decodeData(std::string_view data, std::string& out) const;

    KermitFramer framer_;
    KermitParameters ours_;
    KermitLink link_;
    // The break is acknowledged: what the sender still puts on the line (its last words,
    // the break again when our answer was lost) is taken until the line is quiet.
    bool closing_ = false;
    int closingBytes_ = 0;
    bool initialised_ = false;
    bool fileOpen_ = false;
    bool fileDone_ = false;
    int expected_ = 0;
    std::string lastAck_;
    int handshakeElapsedMs_ = 0;
};

}  // namespace dnc
