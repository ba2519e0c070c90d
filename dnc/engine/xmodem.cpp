#include "dnc/engine/xmodem.h"

#include <algorithm>

#include "dnc/engine/crc.h"

namespace dnc {
namespace {

constexpr unsigned char SOH = 0x01;
constexpr unsigned char STX = 0x02;
constexpr unsigned char EOT = 0x04;
constexpr unsigned char ACK = 0x06;
constexpr unsigned char NAK = 0x15;
constexpr unsigned char CAN = 0x18;
constexpr unsigned char CRC_REQUEST = 'C';
constexpr char PAD = 0x1A;
constexpr std::size_t SHORT_BLOCK = 128;
constexpr std::size_t LONG_BLOCK = 1024;

// Quiet time after a damaged block before asking for it again, so that the rest
// of it is not read as the start of a block.
int purgeQuietMs(const TransferOptions& t) { return std::min(t.quietMs, t.blockWaitMs); }
// Pause between the receiver's start requests.
int startRequestMs(const TransferOptions& t) { return std::max(100, std::min(3000, t.handshakeWaitMs / 10)); }

std::string frameBlock(unsigned char number, std::string_view payload, std::size_t size, char fill, bool crc)
{
    std::string block;
    block.reserve(size + 5);
    block.push_back(static_cast<char>(size == LONG_BLOCK ? STX : SOH));
    block.push_back(static_cast<char>(number));
    block.push_back(static_cast<char>(255 - number));
    block.append(payload);
    block.append(size - payload.size(), fill);
    std::string_view body(block.data() + 3, size);
    if (crc) {
        std::uint16_t c = crc16Xmodem(body);
        block.push_back(static_cast<char>(c >> 8));
        block.push_back(static_cast<char>(c & 0xFF));
    } else {
        unsigned sum = 0;
        for (char b : body)
            sum += static_cast<unsigned char>(b);
        block.push_back(static_cast<char>(sum & 0xFF));
    }
    return block;
}

std::string protocolName(XmodemVariant v) { return v == XmodemVariant::Ymodem ? "YMODEM" : "XMODEM-CRC"; }

}  // namespace

// ---------------------------------------------------------------- sender

XmodemSender::XmodemSender(XmodemVariant variant, std::string data, std::string announcedName,
                           TransferOptions timings, std::int64_t modified)
    : TransferEngine(timings), variant_(variant), data_(std::move(data)), announcedName_(std::move(announcedName)),
      modified_(modified)
{
    status_.protocolName = protocolName(variant_);
    status_.sending = true;
    status_.fileName = announcedName_;
    status_.fileSize = static_cast<std::int64_t>(data_.size());
    status_.blockSize = static_cast<int>(variant_ == XmodemVariant::Ymodem ? LONG_BLOCK : SHORT_BLOCK);
}

std::string XmodemSender::cancelSequence() const { return cancelBurst(); }

void XmodemSender::start()
{
    state_ = State::WaitStart;
    setTimer(options_.handshakeWaitMs);
}

void XmodemSender::receive(std::string_view bytes)
{
    answeredInThisRead_ = false;
    for (char c : bytes) {
        if (finished())
            return;
        onByte(static_cast<unsigned char>(c));
    }
}

void XmodemSender::onByte(unsigned char byte)
{
    if (byte == CAN) {
        if (++cancels_ >= 2)
            finish(ProtocolCancelledByRemote);
        return;
    }
    cancels_ = 0;
    switch (state_) {
    case State::WaitStart:
        if (byte == CRC_REQUEST || (byte == NAK && variant_ == XmodemVariant::XmodemCrc)) {
            answeredInThisRead_ = true;
            useCrc_ = byte == CRC_REQUEST;
            if (variant_ == XmodemVariant::Ymodem)
                sendHeader(false);
            else
                sendNextBlock();
        }
        break;
    case State::WaitDataStart:
        if (byte == CRC_REQUEST)
            sendNextBlock();
        else if (byte == NAK)
            onNak();
        break;
    case State::WaitEndStart:
        if (byte == CRC_REQUEST)
            sendHeader(true);
        break;
    case State::WaitHeaderAck:
    case State::WaitAck:
    case State::WaitEotAck:
    case State::WaitEndAck:
        if (byte == ACK || byte == NAK) {
            // One read cannot hold the answer to a block sent because of an earlier
            // byte of it: a second answer there is the line's repeat, not the next one.
            if (answeredInThisRead_)
                break;
            answeredInThisRead_ = true;
            if (byte == ACK)
                onAck();
            else
                onNak();
        } else if (byte == CRC_REQUEST && !answeredInThisRead_ &&
                   (state_ == State::WaitHeaderAck || (state_ == State::WaitAck && blockNumber_ == 1))) {
            onStartRepeated();
        }
        break;
    }
}

// The receiver asks for the start every few seconds until the first block arrives, so
// one such request may cross the block on the line. Only a second one after the block
// has left says that it did not arrive; sending it again on the first would bring two
// ACKs for one block.
void XmodemSender::onStartRepeated()
{
    if (++startRequestsSinceSent_ < 2)
        return;
    startRequestsSinceSent_ = 0;
    onNak();
}

void XmodemSender::onAck()
{
    switch (state_) {
    case State::WaitHeaderAck:
        blockDone();
        state_ = State::WaitDataStart;
        setTimer(options_.handshakeWaitMs);
        break;
    case State::WaitAck:
        blockDone();
        offset_ += blockLength_;
        status_.bytesTransferred = static_cast<std::int64_t>(offset_);
        ++blockNumber_;
        sendNextBlock();
        break;
    case State::WaitEotAck:
        if (variant_ == XmodemVariant::Ymodem) {
            state_ = State::WaitEndStart;
            setTimer(options_.finishWaitMs);
        } else {
            finish(ProtocolOk);
        }
        break;
    case State::WaitEndAck:
        finish(ProtocolOk);
        break;
    default:
        break;
    }
}

void XmodemSender::onNak()
{
    if (state_ == State::WaitEotAck && !eotRepeated_) {
        eotRepeated_ = true;  // a receiver asks for the EOT once more to be sure of it
        transmitCurrent();
        return;
    }
    if (countError()) {
        send(cancelSequence());
        finish(ProtocolTooManyErrors);
        return;
    }
    transmitCurrent();
}

void XmodemSender::timerExpired()
{
    if (finished())
        return;
    if (state_ == State::WaitStart || state_ == State::WaitDataStart || state_ == State::WaitEndStart) {
        // The receiver never asked: nothing to repeat.
        send(cancelSequence());
        finish(ProtocolTimeout);
        return;
    }
    onNak();
}

void XmodemSender::sendHeader(bool lastHeader)
{
    std::string payload;
    if (!lastHeader) {
        payload = announcedName_;
        payload.push_back('\0');
        payload += announcedFileInfo(data_.size(), modified_);
    }
    // A long name does not fit a short block 0: the header goes in a long one.
    if (payload.size() > LONG_BLOCK) {
        send(cancelSequence());
        finish(ProtocolFileError, "The file name is too long to announce");
        return;
    }
    current_ = frameBlock(0, payload, payload.size() > SHORT_BLOCK ? LONG_BLOCK : SHORT_BLOCK, '\0', true);
    state_ = lastHeader ? State::WaitEndAck : State::WaitHeaderAck;
    transmitCurrent();
}

void XmodemSender::sendNextBlock()
{
    if (offset_ >= data_.size()) {
        sendEot();
        return;
    }
    std::size_t left = data_.size() - offset_;
    std::size_t size = (variant_ == XmodemVariant::Ymodem && left > SHORT_BLOCK) ? LONG_BLOCK : SHORT_BLOCK;
    blockLength_ = std::min(left, size);
    current_ = frameBlock(blockNumber_, std::string_view(data_).substr(offset_, blockLength_), size, PAD, useCrc_);
    state_ = State::WaitAck;
    transmitCurrent();
}

void XmodemSender::sendEot()
{
    current_.assign(1, static_cast<char>(EOT));
    state_ = State::WaitEotAck;
    transmitCurrent();
}

void XmodemSender::transmitCurrent()
{
    send(current_);
    startRequestsSinceSent_ = 0;
    setTimer(answerWaitMs());
}

// The receiver drives recovery with NAKs after its own block wait; a sender that
// repeated on a timer as short would get two answers for one block.
int XmodemSender::answerWaitMs() const { return 3 * options_.blockWaitMs; }

void XmodemSender::outputMoved()
{
    startRequestsSinceSent_ = 0;  // the block is still leaving: a request now crossed it
    if (!finished() && state_ != State::WaitStart && state_ != State::WaitDataStart && state_ != State::WaitEndStart)
        setTimer(answerWaitMs());
}

// ---------------------------------------------------------------- receiver

XmodemReceiver::XmodemReceiver(XmodemVariant variant, TransferOptions timings)
    : TransferEngine(timings), variant_(variant)
{
    status_.protocolName = protocolName(variant_);
    status_.blockSize = static_cast<int>(variant_ == XmodemVariant::Ymodem ? LONG_BLOCK : SHORT_BLOCK);
    headerExpected_ = variant_ == XmodemVariant::Ymodem;
    expected_ = headerExpected_ ? 0 : 1;
}

std::string XmodemReceiver::cancelSequence() const { return cancelBurst(); }

void XmodemReceiver::start()
{
    requestStart();
    setTimer(startRequestMs(options_));
}

void XmodemReceiver::requestStart()
{
    send(static_cast<char>(CRC_REQUEST));
    if (!started_)
        ++startRequests_;
}

void XmodemReceiver::receive(std::string_view bytes)
{
    if (finished() || bytes.empty())
        return;
    if (state_ == State::AfterEot) {
        notAnEnd(bytes);
        return;
    }
    if (state_ == State::Purge) {
        noteDamagedBlock(bytes);
        setTimer(purgeQuietMs(options_));
        return;
    }
    for (std::size_t i = 0; i < bytes.size() && !finished(); ++i) {
        onByte(static_cast<unsigned char>(bytes[i]));
        if (state_ == State::Purge) {
            noteDamagedBlock(bytes.substr(i + 1));  // the rest of this read belongs to the damaged block
            return;
        }
        if (state_ == State::AfterEot) {
            if (i + 1 < bytes.size())
                notAnEnd(bytes.substr(i + 1));
            return;
        }
    }
    if (!block_.empty() && !finished())
        setTimer(options_.blockWaitMs);  // a block still coming in: silence counts from now
}

void XmodemReceiver::onByte(unsigned char byte)
{
    if (eotAsked_) {
        // Only an EOT straight after our NAK confirms the end.
        eotAsked_ = false;
        if (byte != EOT) {
            eotSeen_ = false;
            blockAfterEot_ = byte == SOH || byte == STX;
        }
    }
    if (block_.empty()) {
        switch (byte) {
        case SOH: blockSize_ = SHORT_BLOCK; break;
        case STX: blockSize_ = LONG_BLOCK; break;
        case EOT: cancels_ = 0; onEot(); return;
        case CAN:
            if (++cancels_ >= 2)
                finish(ProtocolCancelledByRemote);
            return;
        default: cancels_ = 0; return;  // noise between blocks; only CANs in a row cancel
        }
        cancels_ = 0;
        block_.push_back(static_cast<char>(byte));
        setTimer(options_.blockWaitMs);
        return;
    }
    block_.push_back(static_cast<char>(byte));
    if (block_.size() == blockSize_ + 5)
        checkBlock();
}

void XmodemReceiver::checkBlock()
{
    const bool afterEot = blockAfterEot_;
    blockAfterEot_ = false;
    auto number = static_cast<unsigned char>(block_[1]);
    auto complement = static_cast<unsigned char>(block_[2]);
    std::string_view payload(block_.data() + 3, blockSize_);
    std::uint16_t check = static_cast<std::uint16_t>((static_cast<unsigned char>(block_[blockSize_ + 3]) << 8) |
                                                     static_cast<unsigned char>(block_[blockSize_ + 4]));
    if (number + complement != 255 || crc16Xmodem(payload) != check) {
        noteDamagedBlock(block_);
        block_.clear();
        purge();
        return;
    }
    std::string copy = block_.substr(3, blockSize_);
    block_.clear();
    // NAKs sent on our time-out may have crossed repeats the sender made on its own:
    // each may bring two copies of the block, and the sender counts an answer to each.
    crossingRepeats_ = timeoutNaks_ > 0 ? 2 * timeoutNaks_ - 1 : 0;
    timeoutNaks_ = 0;
    // Block numbers wrap after 255: where block 0 is due, or was the last one, it is data.
    const bool zeroIsData = expected_ == 0 || (expected_ == 1 && wrapped_);
    if (variant_ == XmodemVariant::Ymodem && number == 0 && !headerExpected_ && !zeroIsData && copy != header_) {
        // The next file's header (or the end of the batch) while a file is open: the
        // sender took some answer of ours for the ACK of its EOT and has ended the file.
        // Straight after our request to repeat an EOT it is that EOT confirmed; else
        // only the announced length can tell whether the file is whole.
        if (!afterEot && sizeLeft_ < 0) {
            fail(ProtocolSequenceError, "The sender ended the file without an end of file");
            return;
        }
        endOfFile(false);
        if (finished())
            return;
    }
    started_ = true;
    if (headerExpected_ || (variant_ == XmodemVariant::Ymodem && number == 0 && !zeroIsData)) {
        if (number != 0) {
            fail(ProtocolSequenceError);
            return;
        }
        acceptHeader(copy);
        return;
    }
    if (number == expected_)
        acceptData(copy);
    else if (number == static_cast<unsigned char>(expected_ - 1))
        answerRepeat();
    else
        fail(ProtocolSequenceError);
}

// A block that is here already.  A sender that found several of our start requests
// waiting takes each one after the first as a request to send the first block again;
// those repeats are answered by the requests themselves.  Answering them too would
// put the sender one answer behind for the rest of the file.  Any other repeat means
// that our answer was lost.
void XmodemReceiver::answerRepeat()
{
    if (repeatsToIgnore_ > 0) {
        --repeatsToIgnore_;
    } else {
        send(static_cast<char>(ACK));
        repeatsToIgnore_ = crossingRepeats_;
    }
    setTimer(options_.blockWaitMs);
}

void XmodemReceiver::acceptHeader(const std::string& payload)
{
    std::size_t nameEnd = payload.find('\0');
    std::string name(payload.substr(0, nameEnd));
    if (name.empty()) {  // end of the batch
        send(static_cast<char>(ACK));
        finish(ProtocolOk);
        return;
    }
    if (fileDone_) {
        fail(ProtocolOneFileOnly);
        return;
    }
    if (!headerExpected_) {
        answerRepeat();  // the data start was asked for with the first answer
        return;
    }
    header_ = payload;
    status_.fileName = name;
    std::string_view rest = nameEnd == std::string::npos ? std::string_view() : std::string_view(payload).substr(nameEnd + 1);
    sizeLeft_ = announcedFileSize(rest);
    status_.fileSize = sizeLeft_;
    headerExpected_ = false;
    expected_ = 1;
    repeatsToIgnore_ = std::max(startRequests_ - 1, crossingRepeats_);
    blockDone();
    send(static_cast<char>(ACK));
    send(static_cast<char>(CRC_REQUEST));
    setTimer(options_.blockWaitMs);
}

void XmodemReceiver::acceptData(std::string_view payload)
{
    repeatsToIgnore_ = std::max(variant_ == XmodemVariant::XmodemCrc && expected_ == 1 && !wrapped_ ? startRequests_ - 1 : 0,
                                crossingRepeats_);
    blockOwed_ = false;
    releaseHeld(false);
    held_.assign(payload);
    if (++expected_ == 0)
        wrapped_ = true;
    blockDone();
    send(static_cast<char>(ACK));
    setTimer(options_.blockWaitMs);
}

// Hands the kept-back block to the file.  The announced size cuts it exactly;
// without a size the 1Ah padding at the end of the last block is dropped.
void XmodemReceiver::releaseHeld(bool final)
{
    std::string_view bytes(held_);
    if (sizeLeft_ >= 0) {
        bytes = bytes.substr(0, static_cast<std::size_t>(std::min<std::int64_t>(sizeLeft_, static_cast<std::int64_t>(bytes.size()))));
        sizeLeft_ -= static_cast<std::int64_t>(bytes.size());
    } else if (final) {
        std::size_t end = bytes.find_last_not_of(PAD);
        bytes = bytes.substr(0, end == std::string_view::npos ? 0 : end + 1);
    }
    deliver(bytes);
    held_.clear();
}

// However the transfer ends, what arrived intact goes to the file.
void XmodemReceiver::ending() { releaseHeld(false); }

void XmodemReceiver::onEot()
{
    if (headerExpected_)
        return;  // nothing to end
    // An EOT may be the block number of a block whose first byte was damaged: it
    // counts only when the line stays quiet after it.
    state_ = State::AfterEot;
    setTimer(purgeQuietMs(options_));
}

// More bytes came straight after an EOT: it was part of a damaged block.
void XmodemReceiver::notAnEnd(std::string_view after)
{
    eotSeen_ = false;
    purge();
    noteDamagedBlock(after);
}

// The line stayed quiet after an EOT.  A lone EOT may still be noise: it is asked
// for again, and a real end repeats it at once.  When the announced length is all
// here there is nothing it could stand for but the end.
void XmodemReceiver::eotStoodAlone()
{
    if (eotSeen_ || announcedLengthArrived()) {
        endOfFile(true);
        return;
    }
    eotSeen_ = true;
    askForBlock();
}

bool XmodemReceiver::announcedLengthArrived() const
{
    return sizeLeft_ >= 0 && !blockOwed_ && sizeLeft_ <= static_cast<std::int64_t>(held_.size());
}

// Bytes let go by as damage.  Where the block due begins among them (its SOH or
// STX, number and complement), a real block was there: the sender owes it, and an
// end of file before it came again means the sender has lost count.
void XmodemReceiver::noteDamagedBlock(std::string_view bytes)
{
    if (headerExpected_)
        return;
    const auto due = static_cast<char>(expected_);
    const auto complement = static_cast<char>(255 - expected_);
    for (std::size_t i = 0; i + 2 < bytes.size(); ++i) {
        if ((bytes[i] == static_cast<char>(SOH) || bytes[i] == static_cast<char>(STX)) && bytes[i + 1] == due &&
            bytes[i + 2] == complement) {
            blockOwed_ = true;
            return;
        }
    }
}

// The sender ended the file; `answerEot` acknowledges its EOT, which is not wanted
// when it has gone on already.
void XmodemReceiver::endOfFile(bool answerEot)
{
    eotSeen_ = false;
    if (blockOwed_) {
        fail(ProtocolSequenceError, "The sender ended the file while a block was still due");
        return;
    }
    releaseHeld(true);
    if (sizeLeft_ > 0) {
        fail(ProtocolSequenceError, "The file ended " + std::to_string(sizeLeft_) + " bytes before its announced length");
        return;
    }
    if (answerEot)
        send(static_cast<char>(ACK));
    if (variant_ == XmodemVariant::XmodemCrc) {
        finish(ProtocolOk);
        return;
    }
    fileDone_ = true;
    headerExpected_ = true;
    expected_ = 0;
    if (answerEot)
        send(static_cast<char>(CRC_REQUEST));
    setTimer(options_.blockWaitMs);
}

void XmodemReceiver::purge()
{
    if (countError()) {
        fail(ProtocolTooManyErrors);
        return;
    }
    state_ = State::Purge;
    setTimer(purgeQuietMs(options_));
}

void XmodemReceiver::askForBlock()
{
    bool waitingForStart = !eotSeen_ && (!started_ || (fileDone_ && headerExpected_));
    if (waitingForStart)
        requestStart();
    else
        send(static_cast<char>(NAK));
    eotAsked_ = eotSeen_;
    setTimer(options_.blockWaitMs);
}

void XmodemReceiver::timerExpired()
{
    if (finished())
        return;
    if (state_ == State::AfterEot) {
        state_ = State::WaitBlock;
        eotStoodAlone();
        return;
    }
    if (state_ == State::Purge) {
        state_ = State::WaitBlock;
        askForBlock();
        return;
    }
    noteDamagedBlock(block_);
    block_.clear();
    blockAfterEot_ = false;
    if (!started_ && !fileDone_ && !eotSeen_) {
        handshakeElapsedMs_ += startRequestMs(options_);
        if (handshakeElapsedMs_ >= options_.handshakeWaitMs) {
            fail(ProtocolTimeout);
            return;
        }
        requestStart();
        setTimer(startRequestMs(options_));
        return;
    }
    if (countError()) {
        fail(ProtocolTimeout);
        return;
    }
    if (started_ && !eotSeen_ && !headerExpected_)
        ++timeoutNaks_;
    askForBlock();
}

void XmodemReceiver::fail(int code, std::string text)
{
    send(cancelSequence());
    finish(code, std::move(text));
}

}  // namespace dnc
