#include "dnc/engine/kermit.h"

#include <algorithm>

#include "dnc/engine/crc.h"

namespace dnc {
namespace {

constexpr unsigned char MARK = 0x01;
constexpr int MAX_LONG = 9024;
constexpr int MIN_DATA = 80;     // the shortest data field a noisy line brings packets down to
constexpr int START_DATA = 1000; // first data field; doubles after every four good packets
// The break packet goes this often at most: a receiver that has acknowledged the end of
// the file holds it whole, and one that has ended answers nothing more.
constexpr int BREAK_TRIES = 3;
constexpr int BREAK_WAIT_MS = 3000;
// After the break is acknowledged the receiver takes what follows until the line has been
// quiet this long, and at most this many bytes: a sender's trailing line end then never
// heads what the line carries next.
constexpr int CLOSE_QUIET_MS = 300;
constexpr int CLOSE_MAX_BYTES = 4096;

char tochar(int x) { return static_cast<char>(x + 32); }
int unchar(char c) { return static_cast<unsigned char>(c) - 32; }
char ctl(char c) { return static_cast<char>(c ^ 64); }

int checkLength(int type) { return type == 2 ? 2 : type == 3 ? 3 : 1; }

std::string blockCheck(std::string_view bytes, int type)
{
    if (type == 3) {
        std::uint16_t crc = crc16Kermit(bytes);
        return {tochar((crc >> 12) & 0x0F), tochar((crc >> 6) & 0x3F), tochar(crc & 0x3F)};
    }
    unsigned sum = 0;
    for (char c : bytes)
        sum += static_cast<unsigned char>(c);
    if (type == 2)
        return {tochar(static_cast<int>((sum >> 6) & 0x3F)), tochar(static_cast<int>(sum & 0x3F))};
    return {tochar(static_cast<int>((sum + ((sum & 192) >> 6)) & 63))};
}

// The Send-Init exchange itself always goes with the one-character check.
int checkTypeFor(char packetType, int linkCheck) { return packetType == 'S' || packetType == 'I' ? 1 : linkCheck; }

bool isPrefixChar(char c) { return (c >= 33 && c <= 62) || (c >= 96 && c <= 126); }

KermitParameters ourParameters(const TransferOptions& options)
{
    KermitParameters p;
    p.timeoutSeconds = std::clamp(options.blockWaitMs / 1000, 1, 94);
    if (options.sevenBitLine)
        p.eighthBitQuote = '&';  // bytes above 7Fh cannot cross the line as they are
    return p;
}

KermitLink agree(const KermitParameters& ours, const KermitParameters& theirs)
{
    KermitLink link;
    link.checkType = ours.checkType == theirs.checkType && theirs.checkType >= '1' && theirs.checkType <= '3'
                         ? theirs.checkType - '0'
                         : 1;
    if (isPrefixChar(theirs.eighthBitQuote) && (ours.eighthBitQuote == 'Y' || ours.eighthBitQuote == theirs.eighthBitQuote))
        link.eighthBitQuote = theirs.eighthBitQuote;
    else if (isPrefixChar(ours.eighthBitQuote) && theirs.eighthBitQuote == 'Y')
        link.eighthBitQuote = ours.eighthBitQuote;
    if (theirs.repeatPrefix == ours.repeatPrefix && isPrefixChar(ours.repeatPrefix))
        link.repeatPrefix = ours.repeatPrefix;
    link.controlQuote = theirs.controlQuote;
    int limit = ours.longPackets && theirs.longPackets ? std::min(theirs.maxLongLength, MAX_LONG) : theirs.maxLength;
    int overhead = (limit > 94 ? 7 : 2) + checkLength(link.checkType);
    link.sendDataLimit = std::max(10, std::min(limit, MAX_LONG) - overhead);
    link.padCount = theirs.padCount;
    link.padChar = theirs.padChar;
    link.eol = theirs.eol;
    return link;
}

// Quotes the file bytes from `offset` into at most `limit` packet characters.
std::string encodeData(std::string_view bytes, std::size_t& offset, int limit, const KermitLink& link)
{
    std::string out;
    while (offset < bytes.size()) {
        std::string unit;
        unsigned char b = static_cast<unsigned char>(bytes[offset]);
        std::size_t run = 1;
        if (link.repeatPrefix) {
            while (offset + run < bytes.size() && run < 94 && static_cast<unsigned char>(bytes[offset + run]) == b)
                ++run;
            if (run < 3)
                run = 1;
            else {
                unit.push_back(link.repeatPrefix);
                unit.push_back(tochar(static_cast<int>(run)));
            }
        }
        if (link.eighthBitQuote && (b & 0x80)) {
            unit.push_back(link.eighthBitQuote);
            b &= 0x7F;
        }
        unsigned char low = b & 0x7F;
        if (low < 32 || low == 127) {
            unit.push_back(link.controlQuote);
            b ^= 64;
        } else if (low == static_cast<unsigned char>(link.controlQuote) ||
                   (link.eighthBitQuote && low == static_cast<unsigned char>(link.eighthBitQuote)) ||
                   (link.repeatPrefix && low == static_cast<unsigned char>(link.repeatPrefix))) {
            unit.push_back(link.controlQuote);
        }
        unit.push_back(static_cast<char>(b));
        if (static_cast<int>(out.size() + unit.size()) > limit)
            break;
        out += unit;
        offset += run;
    }
    return out;
}

}  // namespace

// ---------------------------------------------------------------- parameters

std::string KermitParameters::encode() const
{
    std::string s;
    s.push_back(tochar(std::min(maxLength, 94)));
    s.push_back(tochar(timeoutSeconds));
    s.push_back(tochar(padCount));
    s.push_back(ctl(padChar));
    s.push_back(tochar(eol));
    s.push_back(controlQuote);
    s.push_back(eighthBitQuote);
    s.push_back(checkType);
    s.push_back(repeatPrefix);
    s.push_back(tochar(longPackets ? 0x02 : 0));
    s.push_back(tochar(1));  // window size: no sliding windows
    s.push_back(tochar(maxLongLength / 95));
    s.push_back(tochar(maxLongLength % 95));
    return s;
}

KermitParameters KermitParameters::decode(std::string_view d)
{
    // Fields left out take the protocol's defaults.
    KermitParameters p;
    p.maxLength = 80;
    p.timeoutSeconds = 5;
    p.eighthBitQuote = 'N';
    p.checkType = '1';
    p.repeatPrefix = ' ';
    p.longPackets = false;
    p.maxLongLength = 500;
    auto at = [&](std::size_t i) { return i < d.size() && d[i] != ' ' ? std::optional<char>(d[i]) : std::nullopt; };
    if (auto c = at(0)) p.maxLength = unchar(*c);
    if (auto c = at(1)) p.timeoutSeconds = unchar(*c);
    if (auto c = at(2)) p.padCount = unchar(*c);
    if (auto c = at(3)) p.padChar = ctl(*c);
    if (auto c = at(4)) p.eol = static_cast<char>(unchar(*c));
    if (auto c = at(5)) p.controlQuote = *c;
    if (auto c = at(6)) p.eighthBitQuote = *c;
    if (auto c = at(7)) p.checkType = *c;
    if (auto c = at(8)) p.repeatPrefix = *c;
    std::size_t i = 9;
    if (i < d.size()) {
        int caps = unchar(d[i]);
        p.longPackets = (caps & 0x02) != 0;
        while (i < d.size() && (unchar(d[i]) & 1))
            ++i;  // further capability bytes
        ++i;
        ++i;  // window size
        if (i + 1 < d.size())
            p.maxLongLength = unchar(d[i]) * 95 + unchar(d[i + 1]);
    }
    // A value we cannot use takes the default, as if the field were not there.
    if (p.maxLength < 10 || p.maxLength > 94)
        p.maxLength = 80;
    if (p.timeoutSeconds < 0 || p.timeoutSeconds > 94)
        p.timeoutSeconds = 5;
    if (p.padCount < 0 || p.padCount > 94)
        p.padCount = 0;
    if (p.maxLongLength < 10)
        p.maxLongLength = 500;
    if (p.eol < 1 || p.eol > 31)
        p.eol = '\r';
    if (!isPrefixChar(p.controlQuote))
        p.controlQuote = '#';
    return p;
}

// ---------------------------------------------------------------- framing

std::string KermitFramer::frame(int seq, char type, std::string_view data, const KermitLink& link) const
{
    int check = checkTypeFor(type, link.checkType);
    std::string body;
    int n = static_cast<int>(data.size()) + checkLength(check);
    if (n + 2 <= 94) {
        body.push_back(tochar(n + 2));
        body.push_back(tochar(seq));
        body.push_back(type);
    } else {
        body.push_back(tochar(0));
        body.push_back(tochar(seq));
        body.push_back(type);
        body.push_back(tochar(n / 95));
        body.push_back(tochar(n % 95));
        body += blockCheck(body, 1);
    }
    body.append(data);
    body += blockCheck(body, check);
    std::string packet(static_cast<std::size_t>(link.padCount), link.padChar);
    packet.push_back(static_cast<char>(MARK));
    packet += body;
    packet.push_back(link.eol);
    return packet;
}

std::optional<KermitPacket> KermitFramer::feed(unsigned char byte, int checkType)
{
    if (byte == MARK) {
        if (inPacket_ && !buffer_.empty())
            damaged_ = true;  // a new packet began inside the last one
        inPacket_ = true;
        buffer_.clear();
        return std::nullopt;
    }
    if (!inPacket_)
        return std::nullopt;
    buffer_.push_back(static_cast<char>(byte));
    if (buffer_.size() < 3)
        return std::nullopt;
    int check = checkLength(checkTypeFor(buffer_[2], checkType));
    std::size_t total;
    std::size_t dataStart;
    int len = unchar(buffer_[0]);
    if (len == 0) {
        if (buffer_.size() < 6)
            return std::nullopt;
        if (blockCheck(std::string_view(buffer_).substr(0, 5), 1)[0] != buffer_[5]) {
            inPacket_ = false;
            damaged_ = true;
            return std::nullopt;
        }
        total = 6 + static_cast<std::size_t>(unchar(buffer_[3]) * 95 + unchar(buffer_[4]));
        dataStart = 6;
    } else {
        total = 1 + static_cast<std::size_t>(len);
        dataStart = 3;
    }
    if (len < 0 || total < dataStart + static_cast<std::size_t>(check) || total > MAX_LONG + 16) {
        inPacket_ = false;
        damaged_ = true;
        return std::nullopt;
    }
    if (buffer_.size() < total)
        return std::nullopt;
    inPacket_ = false;
    std::string_view all(buffer_);
    if (blockCheck(all.substr(0, total - check), checkTypeFor(buffer_[2], checkType)) != all.substr(total - check, check)) {
        damaged_ = true;
        return std::nullopt;
    }
    KermitPacket p;
    p.seq = unchar(buffer_[1]);
    p.type = buffer_[2];
    p.data.assign(all.substr(dataStart, total - check - dataStart));
    if (p.seq < 0 || p.seq > 63) {
        damaged_ = true;
        return std::nullopt;
    }
    return p;
}

bool KermitFramer::takeDamaged()
{
    bool d = damaged_;
    damaged_ = false;
    return d;
}

// ---------------------------------------------------------------- sender

KermitSender::KermitSender(std::string data, std::string announcedName, TransferOptions timings)
    : TransferEngine(timings), data_(std::move(data)), announcedName_(std::move(announcedName))
{
    status_.protocolName = "Kermit";
    status_.sending = true;
    status_.fileName = announcedName_;
    status_.fileSize = static_cast<std::int64_t>(data_.size());
    ours_ = ourParameters(options_);
}

std::string KermitSender::cancelSequence() const
{
    return framer_.frame(seq_, 'E', "Transfer cancelled", link_);
}

void KermitSender::start()
{
    state_ = State::SendInit;
    seq_ = 0;
    sendPacket('S', ours_.encode());
}

void KermitSender::sendPacket(char type, std::string data)
{
    current_ = framer_.frame(seq_, type, data, link_);
    resend();
}

void KermitSender::resend()
{
    send(current_);
    outputMoved();
}

void KermitSender::outputMoved()
{
    if (!finished())
        setTimer(answerWaitMs());
}

int KermitSender::answerWaitMs() const
{
    switch (state_) {
    case State::SendInit: return std::min(options_.blockWaitMs, options_.handshakeWaitMs);
    case State::Break: return std::min(options_.blockWaitMs, BREAK_WAIT_MS);
    default: return options_.blockWaitMs;
    }
}

void KermitSender::receive(std::string_view bytes)
{
    for (char c : bytes) {
        if (finished())
            return;
        auto packet = framer_.feed(static_cast<unsigned char>(c), link_.checkType);
        if (packet)
            onPacket(*packet);
        framer_.takeDamaged();  // a damaged answer: wait for the timer to repeat
    }
}

void KermitSender::onPacket(const KermitPacket& p)
{
    if (p.type == 'E') {
        finish(ProtocolRemoteError, "The other side reported an error: " + p.data);
        return;
    }
    bool ack = p.type == 'Y' && p.seq == seq_;
    if (p.type == 'N' && p.seq == (seq_ + 1) % 64 && state_ != State::SendInit)
        ack = true;  // a NAK for the next packet acknowledges this one
    if (ack) {
        if (state_ == State::SendInit) {
            link_ = agree(ours_, KermitParameters::decode(p.data));
            dataLimit_ = std::min(link_.sendDataLimit, START_DATA);
        } else if (state_ == State::Data && ++goodInRow_ >= 4 && dataLimit_ < link_.sendDataLimit) {
            dataLimit_ = std::min(link_.sendDataLimit, dataLimit_ * 2);
            goodInRow_ = 0;
        } else if (state_ == State::Data && p.type == 'Y' && !p.data.empty() && (p.data[0] == 'X' || p.data[0] == 'Z')) {
            finish(ProtocolCancelledByRemote);
            return;
        }
        advance();
    } else if (p.type == 'N' && p.seq == seq_) {
        if (countError()) {
            send(cancelSequence());
            finish(ProtocolTooManyErrors);
            return;
        }
        shortenPackets();
        resend();
    }
}

void KermitSender::advance()
{
    blockDone();
    seq_ = (seq_ + 1) % 64;
    switch (state_) {
    case State::SendInit: {
        state_ = State::FileHeader;
        std::size_t at = 0;
        sendPacket('F', encodeData(announcedName_, at, link_.sendDataLimit, link_));
        return;
    }
    case State::FileHeader:
    case State::Data:
        offset_ = pendingOffset_;
        status_.bytesTransferred = static_cast<std::int64_t>(offset_);
        if (offset_ < data_.size()) {
            state_ = State::Data;
            sendDataPacket();
        } else {
            state_ = State::EndOfFile;
            sendPacket('Z', {});
        }
        return;
    case State::EndOfFile:
        state_ = State::Break;
        sendPacket('B', {});
        return;
    case State::Break:
        finish(ProtocolOk);
        return;
    }
}

void KermitSender::sendDataPacket()
{
    pendingOffset_ = offset_;
    status_.blockSize = dataLimit_;
    sendPacket('D', encodeData(data_, pendingOffset_, dataLimit_, link_));
}

// After an error the packets that follow are shorter, and grow again while they
// get through.  A packet already sent keeps its contents: a late NAK may stand for
// a packet the receiver has taken meanwhile.
void KermitSender::shortenPackets()
{
    goodInRow_ = 0;
    dataLimit_ = std::max(std::min(MIN_DATA, link_.sendDataLimit), dataLimit_ / 2);
}

void KermitSender::timerExpired()
{
    if (finished())
        return;
    if (state_ == State::Break && ++endTries_ >= BREAK_TRIES) {
        // The file was acknowledged to its end; only the answer to the break is missing.
        finish(ProtocolEndNotConfirmed);
        return;
    }
    if (countError()) {
        send(cancelSequence());
        finish(state_ == State::SendInit ? ProtocolTimeout : ProtocolTooManyErrors);
        return;
    }
    shortenPackets();
    resend();
}

// ---------------------------------------------------------------- receiver

KermitReceiver::KermitReceiver(TransferOptions timings) : TransferEngine(timings)
{
    status_.protocolName = "Kermit";
    ours_ = ourParameters(options_);
}

std::string KermitReceiver::cancelSequence() const
{
    return framer_.frame(expected_, 'E', "Transfer cancelled", link_);
}

void KermitReceiver::start()
{
    setTimer(std::min(options_.blockWaitMs, options_.handshakeWaitMs));
}

void KermitReceiver::receive(std::string_view bytes)
{
    for (char c : bytes) {
        if (finished())
            return;
        if (closing_) {
            auto packet = framer_.feed(static_cast<unsigned char>(c), link_.checkType);
            framer_.takeDamaged();
            if (packet && packet->type == 'B')
                send(lastAck_);  // our answer to the break was lost
            if (++closingBytes_ >= CLOSE_MAX_BYTES) {
                finish(ProtocolOk);
                return;
            }
            setTimer(CLOSE_QUIET_MS);
            continue;
        }
        auto packet = framer_.feed(static_cast<unsigned char>(c), link_.checkType);
        if (packet)
            onPacket(*packet);
        else if (framer_.takeDamaged())
            nak();
    }
}

void KermitReceiver::acknowledge(int seq, std::string data)
{
    lastAck_ = framer_.frame(seq, 'Y', data, link_);
    send(lastAck_);
    setTimer(options_.blockWaitMs);
}

void KermitReceiver::nak()
{
    if (countError()) {
        fail(ProtocolTooManyErrors, {});
        return;
    }
    send(framer_.frame(expected_, 'N', {}, link_));
    setTimer(options_.blockWaitMs);
}

void KermitReceiver::fail(int code, const std::string& why)
{
    send(framer_.frame(expected_, 'E', why.empty() ? protocolResultText(code) : why, link_));
    finish(code, why);
}

bool KermitReceiver::decodeData(std::string_view d, std::string& out) const
{
    for (std::size_t i = 0; i < d.size();) {
        int repeat = 1;
        if (link_.repeatPrefix && d[i] == link_.repeatPrefix) {
            if (i + 1 >= d.size())
                return false;
            repeat = unchar(d[i + 1]);
            i += 2;
        }
        unsigned char high = 0;
        if (link_.eighthBitQuote && i < d.size() && d[i] == link_.eighthBitQuote) {
            high = 0x80;
            ++i;
        }
        if (i < d.size() && d[i] == link_.controlQuote) {
            ++i;
            if (i >= d.size())
                return false;
            unsigned char c = static_cast<unsigned char>(d[i]);
            unsigned char low = c & 0x7F;
            if ((low >= 0x40 && low <= 0x5F) || low == 0x3F)
                c ^= 64;
            out.append(static_cast<std::size_t>(std::max(repeat, 0)), static_cast<char>(c | high));
        } else if (i < d.size()) {
            out.append(static_cast<std::size_t>(std::max(repeat, 0)), static_cast<char>(static_cast<unsigned char>(d[i]) | high));
        } else {
            return false;
        }
        ++i;
    }
    return true;
}

void KermitReceiver::onPacket(const KermitPacket& p)
{
    if (p.type == 'E') {
        finish(ProtocolRemoteError, "The other side reported an error: " + p.data);
        return;
    }
    if (p.type == 'S') {
        if (initialised_ && p.seq != (expected_ + 63) % 64)
            return;
        // (Re)negotiate: the ACK carries our parameters and still has the short check.
        KermitParameters theirs = KermitParameters::decode(p.data);
        link_ = KermitLink{};
        link_.eol = theirs.eol;
        link_.padCount = theirs.padCount;
        link_.padChar = theirs.padChar;
        acknowledge(p.seq, ours_.encode());
        link_ = agree(ours_, theirs);
        status_.blockSize = link_.sendDataLimit;
        initialised_ = true;
        expected_ = (p.seq + 1) % 64;
        return;
    }
    if (!initialised_)
        return;
    if (p.seq == (expected_ + 63) % 64) {
        send(lastAck_);  // our ACK was lost
        setTimer(options_.blockWaitMs);
        return;
    }
    if (p.seq != expected_) {
        nak();
        return;
    }
    switch (p.type) {
    case 'F': {
        if (fileDone_) {
            fail(ProtocolOneFileOnly, {});
            return;
        }
        std::string name;
        decodeData(p.data, name);
        status_.fileName = name;
        fileOpen_ = true;
        break;
    }
    case 'A':
        break;
    case 'D': {
        if (!fileOpen_)
            return nak();
        std::string bytes;
        if (!decodeData(p.data, bytes))
            return nak();
        deliver(bytes);
        break;
    }
    case 'Z':
        if (!p.data.empty() && p.data[0] == 'D') {
            acknowledge(p.seq);
            finish(ProtocolCancelledByRemote);
            return;
        }
        fileOpen_ = false;
        fileDone_ = true;
        break;
    case 'B':
        acknowledge(p.seq);
        if (!fileDone_) {
            finish(ProtocolRemoteError, "No file was sent");
            return;
        }
        closing_ = true;
        setTimer(CLOSE_QUIET_MS);
        return;
    default:
        fail(ProtocolRemoteError, std::string("Unexpected packet type ") + p.type);
        return;
    }
    blockDone();
    acknowledge(p.seq);
    expected_ = (expected_ + 1) % 64;
}

void KermitReceiver::timerExpired()
{
    if (finished())
        return;
    if (closing_) {
        finish(ProtocolOk);
        return;
    }
    if (!initialised_) {
        handshakeElapsedMs_ += std::min(options_.blockWaitMs, options_.handshakeWaitMs);
        if (handshakeElapsedMs_ >= options_.handshakeWaitMs) {
            finish(ProtocolTimeout);
            return;
        }
        send(framer_.frame(0, 'N', {}, link_));
        setTimer(std::min(options_.blockWaitMs, options_.handshakeWaitMs));
        return;
    }
    nak();
}

}  // namespace dnc
