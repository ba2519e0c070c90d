#pragma once

#include <cstdint>
#include <string>

#include "dnc/engine/transfer_engine.h"

namespace dnc {

// XMODEM with CRC (128-byte blocks) and YMODEM batch (1024-byte blocks with a
// header block that announces name and size).
enum class XmodemVariant { XmodemCrc, Ymodem };

class XmodemSender : public TransferEngine {
public:
    // `modified`: the file's time for the YMODEM header (seconds since 1970; 0 leaves it out).
    XmodemSender(XmodemVariant variant, std::string data, std::string announcedName,
                 TransferOptions timings = {}, std::int64_t modified = 0);

    void start() override;
    void receive(std::string_view bytes) override;
    void timerExpired() override;
    void outputMoved() override;

protected:
    std::string cancelSequence() const override;

private:
    enum class State { WaitStart, WaitHeaderAck, WaitDataStart, WaitAck, WaitEotAck, WaitEndStart, WaitEndAck };

    void onByte(unsigned char byte);
    void onAck();
    void onNak();
    void onStartRepeated();
    void sendNextBlock();
    void sendHeader(bool lastHeader);
    void sendEot();
    void transmitCurrent();
    int answerWaitMs() const;

    XmodemVariant variant_;
    std::string data_;
    std::string announcedName_;
    std::int64_t modified_;
    State state_ = State::WaitStart;
    bool useCrc_ = true;
    std::size_t offset_ = 0;      // start of the block being sent
    std::size_t blockLength_ = 0; // payload bytes of that block taken from the file
    unsigned char blockNumber_ = 1;
    std::string current_;         // the framed block awaiting its answer
    bool eotRepeated_ = false;
    int cancels_ = 0;
    bool answeredInThisRead_ = false;
    int startRequestsSinceSent_ = 0;  // start requests since the block finished leaving
};

class XmodemReceiver : public TransferEngine {
public:
    explicit XmodemReceiver(XmodemVariant variant, TransferOptions timings = {});

    void start() override;
    void receive(std::string_view bytes) override;
    void timerExpired() override;

protected:
    std::string cancelSequence() const override;
    void ending() override;

private:
    // Purge: the rest of a damaged block is let go by; AfterEot: an EOT came and
    // counts only if the line stays quiet after it.
    enum class State { WaitBlock, Purge, AfterEot };

    void onByte(unsigned char byte);
    void checkBlock();
    void acceptHeader(const std::string& payload);
    void acceptData(std::string_view payload);
    void answerRepeat();
    void onEot();
    void eotStoodAlone();
    void notAnEnd(std::string_view after);
    bool announcedLengthArrived() const;
    void endOfFile(bool answerEot);
    void requestStart();
    void askForBlock();
    void purge();
    void fail(int code, std::string text = {});
    void noteDamagedBlock(std::string_view bytes);
    void releaseHeld(bool final);

    XmodemVariant variant_;
    State state_ = State::WaitBlock;
    std::string block_;           // framing byte, numbers, payload, check
    std::size_t blockSize_ = 0;
    unsigned char expected_ = 1;
    bool headerExpected_ = false; // YMODEM: block 0 comes next
    bool started_ = false;        // the first block has arrived
    bool fileDone_ = false;       // YMODEM: one file is complete
    bool eotSeen_ = false;        // an EOT came and was asked again; it counts once repeated
    bool eotAsked_ = false;       // we answered it with NAK; the next byte decides
    bool blockAfterEot_ = false;  // the block coming in began straight after that NAK
    bool wrapped_ = false;        // the block numbers went past 255
    int handshakeElapsedMs_ = 0;
    int cancels_ = 0;
    int startRequests_ = 0;       // "C"s sent before the first block arrived
    int timeoutNaks_ = 0;         // NAKs sent on our time-out since the last good block
    int crossingRepeats_ = 0;     // repeats of the last good block those NAKs may bring
    int repeatsToIgnore_ = 0;     // repeats of the last good block that are answered already
    std::string header_;          // YMODEM: the header block accepted
    std::string held_;            // last good block, kept back until the next one shows it was not the last
    std::int64_t sizeLeft_ = -1;  // bytes still due by the announced size
    bool blockOwed_ = false;      // the block due arrived damaged and has not come again
};

}  // namespace dnc
