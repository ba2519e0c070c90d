#include "proto_standard_sender.h"

#include "dnc/engine/crc.h"

namespace prototest {
namespace {

constexpr char EOT = 0x04;
constexpr unsigned char ACK = 0x06;
constexpr unsigned char NAK = 0x15;
constexpr unsigned char CAN = 0x18;
constexpr int AnswerWaitMs = 10000;
constexpr int StartWaitMs = 60000;
constexpr int Tries = 10;

}  // namespace

std::string xmodemFrame(unsigned char number, std::string payload, std::size_t size, char fill)
{
    payload.resize(size, fill);
    std::string block{size == 1024 ? '\x02' : '\x01', static_cast<char>(number), static_cast<char>(255 - number)};
    block += payload;
    const std::uint16_t crc = dnc::crc16Xmodem(payload);
    block.push_back(static_cast<char>(crc >> 8));
    block.push_back(static_cast<char>(crc & 0xFF));
    return block;
}

StandardSender::StandardSender(bool ymodem, std::string data, std::string name)
    : TransferEngine({}), ymodem_(ymodem), data_(std::move(data)), name_(std::move(name))
{
    status_.sending = true;
}

void StandardSender::start() { setTimer(StartWaitMs); }

void StandardSender::receive(std::string_view bytes)
{
    for (char c : bytes) {
        if (finished())
            return;
        onByte(static_cast<unsigned char>(c));
    }
}

void StandardSender::onByte(unsigned char byte)
{
    if (byte == CAN) {
        if (++cancels_ >= 2)
            finish(dnc::ProtocolCancelledByRemote);
        return;
    }
    cancels_ = 0;
    const bool again = byte == 'C' || byte == NAK;
    switch (state_) {
    case State::WaitStart:
        if (byte != 'C')
            return;
        if (ymodem_) {
            state_ = State::WaitHeaderAnswer;
            transmit(xmodemFrame(0, name_ + '\0' + std::to_string(data_.size())));
        } else {
            sendBlock();
        }
        return;
    case State::WaitDataStart:
        if (byte == 'C')
            sendBlock();
        return;
    case State::WaitBatchEnd:
        if (again) {
            state_ = State::WaitEndAnswer;
            transmit(xmodemFrame(0, ""));
        }
        return;
    default:
        break;
    }
    if (again) {
        if (++tries_ > Tries)
            finish(dnc::ProtocolTooManyErrors);
        else
            send(current_);
        setTimer(AnswerWaitMs);
        return;
    }
    if (byte != ACK)
        return;  // anything else is not an answer
    tries_ = 0;
    switch (state_) {
    case State::WaitHeaderAnswer:
        state_ = State::WaitDataStart;
        setTimer(StartWaitMs);
        break;
    case State::WaitAnswer:
        offset_ += length_;
        ++number_;
        sendBlock();
        break;
    case State::WaitEotAnswer:
        if (ymodem_) {
            state_ = State::WaitBatchEnd;
            setTimer(StartWaitMs);
        } else {
            finish(dnc::ProtocolOk);
        }
        break;
    case State::WaitEndAnswer:
        finish(dnc::ProtocolOk);
        break;
    default:
        break;
    }
}

void StandardSender::sendBlock()
{
    if (offset_ >= data_.size()) {
        state_ = State::WaitEotAnswer;
        transmit(std::string(1, EOT));
        return;
    }
    const std::size_t left = data_.size() - offset_;
    const std::size_t size = ymodem_ && left > 128 ? 1024 : 128;
    length_ = std::min(left, size);
    state_ = State::WaitAnswer;
    transmit(xmodemFrame(number_, data_.substr(offset_, length_), size, '\x1A'));
}

void StandardSender::transmit(std::string frame)
{
    current_ = std::move(frame);
    send(current_);
    setTimer(AnswerWaitMs);
}

void StandardSender::outputMoved()
{
    if (!finished() && state_ != State::WaitStart && state_ != State::WaitDataStart && state_ != State::WaitBatchEnd)
        setTimer(AnswerWaitMs);
}

void StandardSender::timerExpired()
{
    if (finished())
        return;
    if (state_ == State::WaitStart || state_ == State::WaitDataStart || state_ == State::WaitBatchEnd || ++tries_ > Tries) {
        send(cancelSequence());
        finish(dnc::ProtocolTimeout);
        return;
    }
    send(current_);
    setTimer(AnswerWaitMs);
}

}  // namespace prototest
