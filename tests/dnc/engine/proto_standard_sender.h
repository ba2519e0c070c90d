#pragma once

#include <string>

#include "dnc/engine/transfer_engine.h"

namespace prototest {

// A framed XMODEM/YMODEM block: SOH for 128 bytes, STX for 1024, the payload
// filled up with `fill`, CRC-16.
std::string xmodemFrame(unsigned char number, std::string payload, std::size_t size = 128, char fill = '\0');

// An XMODEM-CRC or YMODEM sender that acts as the standard programs do, to play
// the far end of a line in virtual time.  It reads the receiver's answers one byte
// at a time, each as the answer to the last frame it sent: "C" or NAK after a block
// asks for it again, ACK for the next one, and the first ACK after its EOT ends the
// file.  In YMODEM it then waits for "C" (or NAK) and sends the empty block 0 that
// ends the batch.  Each frame is repeated after 10 s without an answer (counted from
// when it has left), ten times.
class StandardSender : public dnc::TransferEngine {
public:
    StandardSender(bool ymodem, std::string data, std::string name = "PART.TAP");

    void start() override;
    void receive(std::string_view bytes) override;
    void timerExpired() override;
    void outputMoved() override;

protected:
    std::string cancelSequence() const override { return dnc::cancelBurst(); }

private:
    enum class State { WaitStart, WaitHeaderAnswer, WaitDataStart, WaitAnswer, WaitEotAnswer, WaitBatchEnd, WaitEndAnswer };

    void onByte(unsigned char byte);
    void sendBlock();
    void transmit(std::string frame);

    bool ymodem_;
    std::string data_;
    std::string name_;
    State state_ = State::WaitStart;
    std::size_t offset_ = 0;
    std::size_t length_ = 0;  // file bytes in the block awaiting its answer
    unsigned char number_ = 1;
    std::string current_;
    int tries_ = 0;
    int cancels_ = 0;
};

}  // namespace prototest
