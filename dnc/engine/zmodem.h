#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "dnc/engine/transfer_engine.h"

namespace dnc {

// Splits ZMODEM input into headers and data subpackets, undoing the ZDLE
// escapes and checking the CRCs.
class ZmodemDecoder {
public:
    enum class Event { None, Header, Data, BadHeader, BadData, Cancelled };

    Event feed(unsigned char byte);
    // Data subpackets follow the header just read (ZFILE, ZDATA, ZSINIT).
    void expectData() { mode_ = Mode::Data; resetData(); }
    void expectHeader() { mode_ = Mode::SeekPad; }

    int headerType() const { return header_[0]; }
    std::uint32_t position() const;  // ZP0..ZP3 as one number
    unsigned char flag(int index) const { return header_[4 - index]; }  // ZF0..ZF3
    const std::string& data() const { return data_; }
    unsigned char frameEnd() const { return frameEnd_; }

private:
    enum class Mode { SeekPad, SeekZdle, Format, HexHeader, BinaryHeader, Data, DataCrc };

    Event finishHeader();
    Event finishData();
    void resetData() { data_.clear(); crcBytes_.clear(); }

    Mode mode_ = Mode::SeekPad;
    bool escaped_ = false;
    int cancels_ = 0;
    char format_ = 0;
    bool crc32_ = false;       // the last binary header was in CRC-32 form
    std::string raw_;          // header bytes (hex digits or unescaped bytes)
    std::array<unsigned char, 5> header_{};
    std::string data_;
    std::string crcBytes_;
    unsigned char frameEnd_ = 0;
};

class ZmodemSender : public TransferEngine {
public:
    // `modified`: the file's time for the file header (seconds since 1970; 0 leaves it out).
    ZmodemSender(std::string data, std::string announcedName, TransferOptions timings = {}, std::int64_t modified = 0);

    void start() override;
    void receive(std::string_view bytes) override;
    void timerExpired() override;
    void outputDrained() override;
    void outputMoved() override;

protected:
    std::string cancelSequence() const override;

private:
    enum class State { WaitReceiverInit, WaitFilePosition, Streaming, WaitAck, WaitEofAnswer, WaitFin };

    void onHeader();
    void sendFileHeader();
    void startData(std::uint32_t position);
    void sendEof();
    bool retryOrFail();

    std::string data_;
    std::string announcedName_;
    std::int64_t modified_;
    ZmodemDecoder decoder_;
    State state_ = State::WaitReceiverInit;
    bool crc32_ = false;
    bool escapeControls_ = false;
    std::uint32_t receiverBuffer_ = 0;  // 0: the receiver takes a full stream
    std::size_t offset_ = 0;            // next byte to send
    std::size_t windowEnd_ = 0;         // stop and wait for ZACK here (limited receiver buffer)
    std::uint32_t lastErrorPosition_ = 0xFFFFFFFFu;
    std::size_t subpacket_ = 1024;      // data bytes per subpacket; halved after each error
    int handshakeElapsedMs_ = 0;
    int stalls_ = 0;                    // block waits in a row in which the line took nothing
};

class ZmodemReceiver : public TransferEngine {
public:
    explicit ZmodemReceiver(TransferOptions timings = {});

    void start() override;
    void receive(std::string_view bytes) override;
    void timerExpired() override;

protected:
    std::string cancelSequence() const override;

private:
    // Closing: our ZFIN has gone; the sender's "OO" is taken off the line before the
    // line is given back, so that it never heads what is typed next.
    enum class State { WaitFile, WaitFileInfo, WaitInitData, WaitData, InData, Closing };

    void onHeader();
    void onData();
    void onBadInput();
    void sendReceiverInit();
    void askForPosition();
    void close();
    void closing(unsigned char byte);

    ZmodemDecoder decoder_;
    State state_ = State::WaitFile;
    int closeResult_ = ProtocolOk;
    int overs_ = 0;                     // the sender's closing "O"s heard
    std::uint32_t position_ = 0;
    bool fileStarted_ = false;
    bool fileDone_ = false;
    bool skippedFiles_ = false;
    int handshakeElapsedMs_ = 0;
};

}  // namespace dnc
