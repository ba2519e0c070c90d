#include "dnc/engine/zmodem.h"

#include <algorithm>

#include "dnc/engine/crc.h"

namespace dnc {
namespace {

constexpr unsigned char ZPAD = '*';
constexpr unsigned char ZDLE = 0x18;
constexpr unsigned char ZBIN = 'A';
constexpr unsigned char ZHEX = 'B';
constexpr unsigned char ZBIN32 = 'C';
constexpr unsigned char ZCRCE = 'h';  // end of frame, header follows
constexpr unsigned char ZCRCG = 'i';  // frame goes on, no answer
constexpr unsigned char ZCRCQ = 'j';  // frame goes on, ZACK wanted
constexpr unsigned char ZCRCW = 'k';  // end of frame, ZACK wanted
constexpr unsigned char ZRUB0 = 'l';
constexpr unsigned char ZRUB1 = 'm';
constexpr char XON = 0x11;

enum FrameType {
    ZRQINIT = 0, ZRINIT = 1, ZSINIT = 2, ZACK = 3, ZFILE = 4, ZSKIP = 5, ZNAK = 6, ZABORT = 7,
    ZFIN = 8, ZRPOS = 9, ZDATA = 10, ZEOF = 11, ZFERR = 12, ZCRC = 13, ZCHALLENGE = 14,
    ZCOMPL = 15, ZCAN = 16, ZFREECNT = 17, ZCOMMAND = 18,
};

// ZRINIT capability flags (ZF0).
constexpr unsigned char CANFDX = 0x01;
constexpr unsigned char CANOVIO = 0x02;
constexpr unsigned char CANFC32 = 0x20;
constexpr unsigned char ESCCTL = 0x40;
constexpr unsigned char ZCBIN = 1;  // ZFILE ZF0: binary file

constexpr std::size_t SUBPACKET = 1024;
constexpr std::size_t MIN_SUBPACKET = 64;
constexpr std::size_t MAX_SUBPACKET = 8192;
constexpr std::size_t QUEUE_AHEAD = 16384;  // stream queued per drained output
// How long the receiver waits for the sender's "OO" after its ZFIN: the sender answers
// at once; one that says nothing costs this much.
constexpr int OVER_AND_OUT_MS = 2000;

int retryMs(const TransferOptions& t) { return std::max(100, std::min(t.blockWaitMs, t.handshakeWaitMs / 10)); }

using Header = std::array<unsigned char, 4>;

Header positionHeader(std::uint32_t pos)
{
    return {static_cast<unsigned char>(pos), static_cast<unsigned char>(pos >> 8),
            static_cast<unsigned char>(pos >> 16), static_cast<unsigned char>(pos >> 24)};
}

Header flagsHeader(unsigned char zf0) { return {0, 0, 0, zf0}; }

// Bytes that never go raw: ZDLE, the flow-control characters in both parities,
// and CR (a Telenet escape follows "@" CR).  With escapeControls every control character.
class Escaper {
public:
    explicit Escaper(bool escapeControls)
    {
        for (int c = 0; c < 256; ++c) {
            int low = c & 0x7F;
            needs_[c] = c == ZDLE || low == 0x10 || low == 0x11 || low == 0x13 || low == 0x0D ||
                        (escapeControls && low < 0x20);
        }
    }
    void append(std::string& out, unsigned char c) const
    {
        if (needs_[c]) {
            out.push_back(static_cast<char>(ZDLE));
            out.push_back(static_cast<char>(c ^ 0x40));
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    void append(std::string& out, std::string_view bytes) const
    {
        // At most two bytes for each: write straight into room made once.
        const std::size_t start = out.size();
        out.resize(start + 2 * bytes.size());
        char* p = out.data() + start;
        for (char c : bytes) {
            const auto b = static_cast<unsigned char>(c);
            if (needs_[b]) {
                *p++ = static_cast<char>(ZDLE);
                *p++ = static_cast<char>(b ^ 0x40);
            } else {
                *p++ = c;
            }
        }
        out.resize(static_cast<std::size_t>(p - out.data()));
    }

private:
    std::array<bool, 256> needs_{};
};

const char hexDigits[] = "0123456789abcdef";

std::string hexHeader(int type, const Header& h)
{
    std::string body;
    body.push_back(static_cast<char>(type));
    for (unsigned char b : h)
        body.push_back(static_cast<char>(b));
    std::uint16_t crc = crc16Xmodem(body);
    body.push_back(static_cast<char>(crc >> 8));
    body.push_back(static_cast<char>(crc & 0xFF));
    std::string out = {static_cast<char>(ZPAD), static_cast<char>(ZPAD), static_cast<char>(ZDLE), static_cast<char>(ZHEX)};
    for (char b : body) {
        out.push_back(hexDigits[(static_cast<unsigned char>(b) >> 4) & 0xF]);
        out.push_back(hexDigits[static_cast<unsigned char>(b) & 0xF]);
    }
    out += "\r\x8A";
    if (type != ZFIN && type != ZACK)
        out.push_back(XON);
    return out;
}

std::string binaryHeader(int type, const Header& h, bool crc32, const Escaper& esc)
{
    std::string body;
    body.push_back(static_cast<char>(type));
    for (unsigned char b : h)
        body.push_back(static_cast<char>(b));
    std::string out = {static_cast<char>(ZPAD), static_cast<char>(ZDLE), static_cast<char>(crc32 ? ZBIN32 : ZBIN)};
    esc.append(out, body);
    if (crc32) {
        std::uint32_t crc = ~crc32Update(body);
        for (int i = 0; i < 4; ++i)
            esc.append(out, static_cast<unsigned char>(crc >> (8 * i)));
    } else {
        std::uint16_t crc = crc16Xmodem(body);
        esc.append(out, static_cast<unsigned char>(crc >> 8));
        esc.append(out, static_cast<unsigned char>(crc & 0xFF));
    }
    return out;
}

void appendSubpacket(std::string& out, std::string_view data, unsigned char frameEnd, bool crc32, const Escaper& esc)
{
    esc.append(out, data);
    out.push_back(static_cast<char>(ZDLE));
    out.push_back(static_cast<char>(frameEnd));
    if (crc32) {
        std::uint32_t crc = ~crc32UpdateByte(frameEnd, crc32Update(data));
        for (int i = 0; i < 4; ++i)
            esc.append(out, static_cast<unsigned char>(crc >> (8 * i)));
    } else {
        std::uint16_t crc = crc16XmodemByte(frameEnd, crc16Xmodem(data));
        esc.append(out, static_cast<unsigned char>(crc >> 8));
        esc.append(out, static_cast<unsigned char>(crc & 0xFF));
    }
    if (frameEnd == ZCRCW)
        out.push_back(XON);
}

int hexValue(unsigned char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isFlowControl(unsigned char c) { return (c & 0x7F) == 0x11 || (c & 0x7F) == 0x13; }

}  // namespace

// ---------------------------------------------------------------- decoder

std::uint32_t ZmodemDecoder::position() const
{
    return static_cast<std::uint32_t>(header_[1]) | static_cast<std::uint32_t>(header_[2]) << 8 |
           static_cast<std::uint32_t>(header_[3]) << 16 | static_cast<std::uint32_t>(header_[4]) << 24;
}

ZmodemDecoder::Event ZmodemDecoder::feed(unsigned char c)
{
    if (c == ZDLE) {
        if (++cancels_ >= 5) {
            cancels_ = 0;
            mode_ = Mode::SeekPad;
            escaped_ = false;
            return Event::Cancelled;
        }
    } else {
        cancels_ = 0;
    }

    switch (mode_) {
    case Mode::SeekPad:
        if (c == ZPAD)
            mode_ = Mode::SeekZdle;
        return Event::None;
    case Mode::SeekZdle:
        if (c == ZDLE)
            mode_ = Mode::Format;
        else if (c != ZPAD)
            mode_ = Mode::SeekPad;
        return Event::None;
    case Mode::Format:
        raw_.clear();
        escaped_ = false;
        format_ = static_cast<char>(c);
        if (c == ZHEX)
            mode_ = Mode::HexHeader;
        else if (c == ZBIN || c == ZBIN32)
            mode_ = Mode::BinaryHeader;
        else
            mode_ = Mode::SeekPad;
        return Event::None;
    case Mode::HexHeader:
        if (isFlowControl(c))
            return Event::None;
        if (hexValue(c) < 0) {
            mode_ = Mode::SeekPad;
            return Event::BadHeader;
        }
        raw_.push_back(static_cast<char>(c));
        return raw_.size() == 14 ? finishHeader() : Event::None;
    default:
        break;
    }

    // Escaped binary parts: headers, data and their CRCs.
    if (!escaped_) {
        if (c == ZDLE) {
            escaped_ = true;
            return Event::None;
        }
        if (isFlowControl(c))
            return Event::None;
    } else {
        escaped_ = false;
        if (c == ZDLE)
            return Event::None;  // counted as a cancel above
        if (c >= ZCRCE && c <= ZCRCW) {
            if (mode_ != Mode::Data) {
                Event bad = mode_ == Mode::BinaryHeader ? Event::BadHeader : Event::BadData;
                mode_ = Mode::SeekPad;
                return bad;
            }
            frameEnd_ = c;
            mode_ = Mode::DataCrc;
            return Event::None;
        }
        if (c == ZRUB0)
            c = 0x7F;
        else if (c == ZRUB1)
            c = 0xFF;
        else if ((c & 0x60) == 0x40)
            c ^= 0x40;
        else {
            Event bad = mode_ == Mode::BinaryHeader ? Event::BadHeader : Event::BadData;
            mode_ = Mode::SeekPad;
            return bad;
        }
    }

    switch (mode_) {
    case Mode::BinaryHeader:
        raw_.push_back(static_cast<char>(c));
        return raw_.size() == (format_ == ZBIN32 ? 9u : 7u) ? finishHeader() : Event::None;
    case Mode::Data:
        if (data_.size() >= MAX_SUBPACKET) {
            mode_ = Mode::SeekPad;
            return Event::BadData;
        }
        data_.push_back(static_cast<char>(c));
        return Event::None;
    case Mode::DataCrc:
        crcBytes_.push_back(static_cast<char>(c));
        return crcBytes_.size() == (crc32_ ? 4u : 2u) ? finishData() : Event::None;
    default:
        return Event::None;
    }
}

ZmodemDecoder::Event ZmodemDecoder::finishHeader()
{
    mode_ = Mode::SeekPad;
    std::string bytes;
    if (format_ == ZHEX) {
        for (std::size_t i = 0; i < raw_.size(); i += 2)
            bytes.push_back(static_cast<char>(hexValue(static_cast<unsigned char>(raw_[i])) << 4 |
                                              hexValue(static_cast<unsigned char>(raw_[i + 1]))));
    } else {
        bytes = raw_;
    }
    std::string_view body(bytes.data(), 5);
    bool good;
    if (format_ == ZBIN32) {
        std::uint32_t crc = ~crc32Update(body);
        good = true;
        for (int i = 0; i < 4; ++i)
            good = good && static_cast<unsigned char>(bytes[5 + i]) == static_cast<unsigned char>(crc >> (8 * i));
    } else {
        std::uint16_t crc = crc16Xmodem(body);
        good = static_cast<unsigned char>(bytes[5]) == (crc >> 8) && static_cast<unsigned char>(bytes[6]) == (crc & 0xFF);
    }
    if (!good)
        return Event::BadHeader;
    if (format_ != ZHEX)
        crc32_ = format_ == ZBIN32;
    for (int i = 0; i < 5; ++i)
        header_[i] = static_cast<unsigned char>(bytes[i]);
    return Event::Header;
}

ZmodemDecoder::Event ZmodemDecoder::finishData()
{
    bool good;
    if (crc32_) {
        std::uint32_t crc = ~crc32UpdateByte(frameEnd_, crc32Update(data_));
        good = true;
        for (int i = 0; i < 4; ++i)
            good = good && static_cast<unsigned char>(crcBytes_[i]) == static_cast<unsigned char>(crc >> (8 * i));
    } else {
        std::uint16_t crc = crc16XmodemByte(frameEnd_, crc16Xmodem(data_));
        good = static_cast<unsigned char>(crcBytes_[0]) == (crc >> 8) &&
               static_cast<unsigned char>(crcBytes_[1]) == (crc & 0xFF);
    }
    if (!good) {
        mode_ = Mode::SeekPad;
        return Event::BadData;
    }
    // The caller reads data() now; the next subpacket starts empty.
    mode_ = (frameEnd_ == ZCRCG || frameEnd_ == ZCRCQ) ? Mode::Data : Mode::SeekPad;
    crcBytes_.clear();
    return Event::Data;
}

// ---------------------------------------------------------------- sender

ZmodemSender::ZmodemSender(std::string data, std::string announcedName, TransferOptions timings, std::int64_t modified)
    : TransferEngine(timings), data_(std::move(data)), announcedName_(std::move(announcedName)), modified_(modified)
{
    status_.protocolName = "ZMODEM";
    status_.sending = true;
    status_.fileName = announcedName_;
    status_.fileSize = static_cast<std::int64_t>(data_.size());
    status_.blockSize = static_cast<int>(subpacket_);
}

std::string ZmodemSender::cancelSequence() const { return cancelBurst(); }

void ZmodemSender::start()
{
    send("rz\r");
    send(hexHeader(ZRQINIT, flagsHeader(0)));
    setTimer(retryMs(options_));
}

void ZmodemSender::receive(std::string_view bytes)
{
    for (char c : bytes) {
        if (finished())
            return;
        switch (decoder_.feed(static_cast<unsigned char>(c))) {
        case ZmodemDecoder::Event::Header: onHeader(); break;
        case ZmodemDecoder::Event::Cancelled: finish(ProtocolCancelledByRemote); break;
        default: break;
        }
    }
}

void ZmodemSender::onHeader()
{
    switch (decoder_.headerType()) {
    case ZRINIT:
        // In WaitFilePosition a repeated ZRINIT crossed our ZFILE: the timer repeats it if need be.
        if (state_ == State::WaitReceiverInit) {
            unsigned char flags = decoder_.flag(0);
            crc32_ = (flags & CANFC32) != 0;
            escapeControls_ = (flags & ESCCTL) != 0;
            receiverBuffer_ = decoder_.position() & 0xFFFF;
            if (!(flags & CANFDX) || !(flags & CANOVIO))
                receiverBuffer_ = receiverBuffer_ ? receiverBuffer_ : static_cast<std::uint32_t>(SUBPACKET);
            sendFileHeader();
        } else if (state_ == State::WaitEofAnswer) {
            blockDone();
            state_ = State::WaitFin;
            send(hexHeader(ZFIN, flagsHeader(0)));
            setTimer(retryMs(options_));
        }
        break;
    case ZRPOS: {
        if (state_ == State::WaitReceiverInit || state_ == State::WaitFin)
            break;
        std::uint32_t pos = decoder_.position();
        if (pos > data_.size()) {
            send(cancelSequence());
            finish(ProtocolRemoteError);
            break;
        }
        if (state_ != State::WaitFilePosition) {
            // The receiver lost data: count it once for each place it asks from.
            if (pos == lastErrorPosition_) {
                if (retryOrFail())
                    break;
            } else {
                ++status_.totalErrors;
                status_.blockErrors = 1;
            }
            lastErrorPosition_ = pos;
            // A noisy line lets short subpackets through.
            subpacket_ = std::max(MIN_SUBPACKET, subpacket_ / 2);
            status_.blockSize = static_cast<int>(subpacket_);
        }
        startData(pos);
        break;
    }
    case ZACK:
        if (state_ == State::WaitAck && decoder_.position() == offset_) {
            blockDone();
            startData(static_cast<std::uint32_t>(offset_));
        }
        break;
    case ZNAK:
        if (state_ == State::WaitFilePosition)
            sendFileHeader();
        else if (state_ == State::WaitEofAnswer)
            sendEof();
        else if (state_ == State::WaitFin)
            send(hexHeader(ZFIN, flagsHeader(0)));
        break;
    case ZSKIP:
        send(hexHeader(ZFIN, flagsHeader(0)));
        finish(ProtocolRemoteError, "The other side refused the file");
        break;
    case ZFIN:
        if (state_ == State::WaitFin) {
            send("OO");
            finish(ProtocolOk);
        }
        break;
    case ZABORT:
    case ZFERR:
    case ZCAN:
        finish(ProtocolCancelledByRemote);
        break;
    default:
        break;
    }
}

void ZmodemSender::sendFileHeader()
{
    state_ = State::WaitFilePosition;
    Escaper esc(escapeControls_);
    std::string info = announcedName_;
    info.push_back('\0');
    info += announcedFileInfo(data_.size(), modified_);
    info.push_back('\0');
    send(binaryHeader(ZFILE, flagsHeader(ZCBIN), crc32_, esc));
    std::string packet;
    appendSubpacket(packet, info, ZCRCW, crc32_, esc);
    send(packet);
    setTimer(retryMs(options_));
}

void ZmodemSender::startData(std::uint32_t position)
{
    offset_ = position;
    status_.bytesTransferred = static_cast<std::int64_t>(offset_);
    if (offset_ >= data_.size()) {
        sendEof();
        return;
    }
    Escaper esc(escapeControls_);
    if (state_ == State::Streaming) {
        // Close the frame on a subpacket boundary, so that the receiver reads the new
        // header as a header and not as data gone bad.
        std::string close;
        appendSubpacket(close, {}, ZCRCE, crc32_, esc);
        send(close);
    }
    send(binaryHeader(ZDATA, positionHeader(position), crc32_, esc));
    windowEnd_ = receiverBuffer_ ? std::min(data_.size(), offset_ + receiverBuffer_) : data_.size();
    state_ = State::Streaming;
    setTimer(options_.blockWaitMs);
}

void ZmodemSender::outputDrained()
{
    if (state_ != State::Streaming || finished())
        return;
    Escaper esc(escapeControls_);
    std::string out;
    while (out.size() < QUEUE_AHEAD && state_ == State::Streaming) {
        std::size_t length = std::min(subpacket_, windowEnd_ - offset_);
        std::string_view piece = std::string_view(data_).substr(offset_, length);
        offset_ += length;
        unsigned char end = ZCRCG;
        if (offset_ >= data_.size())
            end = ZCRCE;
        else if (offset_ >= windowEnd_)
            end = ZCRCW;
        appendSubpacket(out, piece, end, crc32_, esc);
        ++status_.blocks;
        if (end == ZCRCE) {
            send(out);
            out.clear();
            sendEof();
        } else if (end == ZCRCW) {
            state_ = State::WaitAck;
        }
    }
    send(out);
    if (state_ == State::Streaming || state_ == State::WaitAck)
        setTimer(options_.blockWaitMs);
    status_.bytesTransferred = static_cast<std::int64_t>(offset_);
}

void ZmodemSender::outputMoved()
{
    stalls_ = 0;
    if (finished())
        return;
    switch (state_) {
    case State::Streaming:
    case State::WaitAck:
        setTimer(options_.blockWaitMs);
        break;
    case State::WaitFilePosition:
    case State::WaitEofAnswer:
    case State::WaitFin:
        setTimer(retryMs(options_));
        break;
    case State::WaitReceiverInit:
        break;  // the handshake wait runs on its own count
    }
}

void ZmodemSender::sendEof()
{
    state_ = State::WaitEofAnswer;
    send(binaryHeader(ZEOF, positionHeader(static_cast<std::uint32_t>(data_.size())), crc32_, Escaper(escapeControls_)));
    setTimer(retryMs(options_));
}

bool ZmodemSender::retryOrFail()
{
    if (countError()) {
        send(cancelSequence());
        finish(ProtocolTooManyErrors);
        return true;
    }
    return false;
}

void ZmodemSender::timerExpired()
{
    if (finished())
        return;
    switch (state_) {
    case State::WaitReceiverInit:
        handshakeElapsedMs_ += retryMs(options_);
        if (handshakeElapsedMs_ >= options_.handshakeWaitMs) {
            send(cancelSequence());
            finish(ProtocolTimeout);
            return;
        }
        send(hexHeader(ZRQINIT, flagsHeader(0)));
        setTimer(retryMs(options_));
        break;
    case State::WaitFilePosition:
        if (!retryOrFail())
            sendFileHeader();
        break;
    case State::Streaming:
        // The line took nothing for a whole block wait (held, or gone).
        if (++stalls_ > options_.retries) {
            send(cancelSequence());
            finish(ProtocolTimeout);
        } else {
            setTimer(options_.blockWaitMs);
        }
        break;
    case State::WaitAck:
        if (!retryOrFail())
            startData(static_cast<std::uint32_t>(offset_ - std::min<std::size_t>(offset_, receiverBuffer_)));
        break;
    case State::WaitEofAnswer:
        if (!retryOrFail())
            sendEof();
        break;
    case State::WaitFin:
        // The receiver has closed the file: a lost ZFIN costs nothing.
        if (countError())
            finish(ProtocolOk);
        else {
            send(hexHeader(ZFIN, flagsHeader(0)));
            setTimer(retryMs(options_));
        }
        break;
    }
}

// ---------------------------------------------------------------- receiver

ZmodemReceiver::ZmodemReceiver(TransferOptions timings) : TransferEngine(timings)
{
    status_.protocolName = "ZMODEM";
    status_.blockSize = static_cast<int>(SUBPACKET);
}

std::string ZmodemReceiver::cancelSequence() const { return cancelBurst(); }

void ZmodemReceiver::start()
{
    sendReceiverInit();
}

void ZmodemReceiver::sendReceiverInit()
{
    send(hexHeader(ZRINIT, flagsHeader(CANFDX | CANOVIO | CANFC32)));
    setTimer(retryMs(options_));
}

void ZmodemReceiver::askForPosition()
{
    decoder_.expectHeader();
    state_ = State::WaitData;
    send(hexHeader(ZRPOS, positionHeader(position_)));
    setTimer(options_.blockWaitMs);
}

void ZmodemReceiver::receive(std::string_view bytes)
{
    for (char c : bytes) {
        if (finished())
            return;
        if (state_ == State::Closing) {
            closing(static_cast<unsigned char>(c));
            continue;
        }
        switch (decoder_.feed(static_cast<unsigned char>(c))) {
        case ZmodemDecoder::Event::Header: onHeader(); break;
        case ZmodemDecoder::Event::Data: onData(); break;
        case ZmodemDecoder::Event::BadHeader:
        case ZmodemDecoder::Event::BadData: onBadInput(); break;
        case ZmodemDecoder::Event::Cancelled: finish(ProtocolCancelledByRemote); break;
        case ZmodemDecoder::Event::None: break;
        }
    }
    // A long subpacket on a slow line takes longer than the wait: silence counts from
    // the last byte that came, not from the start of the subpacket.
    if (!bytes.empty() && !finished() && state_ == State::InData)
        setTimer(options_.blockWaitMs);
}

void ZmodemReceiver::onHeader()
{
    switch (decoder_.headerType()) {
    case ZRQINIT:
        if (!fileStarted_ || fileDone_)
            sendReceiverInit();
        break;
    case ZSINIT:
        state_ = State::WaitInitData;
        decoder_.expectData();
        break;
    case ZFILE:
        if (fileStarted_ && !fileDone_) {
            askForPosition();  // our ZRPOS was lost
            break;
        }
        state_ = State::WaitFileInfo;
        decoder_.expectData();
        break;
    case ZDATA:
        if (!fileStarted_ || fileDone_)
            break;
        if (decoder_.position() != position_) {
            if (countError()) {
                send(cancelSequence());
                finish(ProtocolTooManyErrors);
                return;
            }
            askForPosition();
            break;
        }
        state_ = State::InData;
        decoder_.expectData();
        setTimer(options_.blockWaitMs);
        break;
    case ZEOF:
        if (!fileStarted_ || fileDone_) {
            if (fileDone_)
                sendReceiverInit();
            break;
        }
        if (decoder_.position() == position_) {
            fileDone_ = true;
            state_ = State::WaitFile;
            sendReceiverInit();
        } else if (state_ != State::WaitData) {
            askForPosition();  // else our ZRPOS is on its way already
        }
        break;
    case ZFIN:
        closeResult_ = skippedFiles_ ? ProtocolOneFileOnly : ProtocolOk;
        close();
        break;
    case ZFREECNT:
        send(hexHeader(ZACK, positionHeader(0)));
        break;
    case ZCOMMAND:
        send(hexHeader(ZCOMPL, positionHeader(1)));  // commands are never run
        break;
    case ZABORT:
    case ZFERR:
    case ZCAN:
        finish(ProtocolCancelledByRemote);
        break;
    default:
        break;
    }
}

void ZmodemReceiver::close()
{
    state_ = State::Closing;
    overs_ = 0;
    decoder_.expectHeader();
    send(hexHeader(ZFIN, flagsHeader(0)));
    setTimer(OVER_AND_OUT_MS);
}

// After our ZFIN: "OO" ends the session; a ZFIN again means that ours was lost.
void ZmodemReceiver::closing(unsigned char byte)
{
    if (byte == 'O') {
        if (++overs_ == 2)
            finish(closeResult_);
        return;
    }
    overs_ = 0;
    const ZmodemDecoder::Event event = decoder_.feed(byte);
    if (event == ZmodemDecoder::Event::Header && decoder_.headerType() == ZFIN)
        close();
}

void ZmodemReceiver::onData()
{
    switch (state_) {
    case State::WaitInitData:
        state_ = State::WaitFile;
        send(hexHeader(ZACK, positionHeader(0)));
        setTimer(retryMs(options_));
        return;
    case State::WaitFileInfo: {
        if (fileDone_) {
            skippedFiles_ = true;
            send(hexHeader(ZSKIP, positionHeader(0)));
            state_ = State::WaitFile;
            setTimer(retryMs(options_));
            return;
        }
        const std::string& info = decoder_.data();
        std::size_t nameEnd = info.find('\0');
        status_.fileName = info.substr(0, nameEnd);
        if (nameEnd != std::string::npos)
            status_.fileSize = announcedFileSize(std::string_view(info).substr(nameEnd + 1));
        fileStarted_ = true;
        position_ = 0;
        askForPosition();
        return;
    }
    case State::InData: {
        const std::string& data = decoder_.data();
        deliver(data);
        position_ += static_cast<std::uint32_t>(data.size());
        blockDone();
        unsigned char end = decoder_.frameEnd();
        if (end == ZCRCQ || end == ZCRCW)
            send(hexHeader(ZACK, positionHeader(position_)));
        if (end == ZCRCG || end == ZCRCQ) {
            decoder_.expectData();
        } else {
            state_ = State::WaitData;
            decoder_.expectHeader();
        }
        setTimer(options_.blockWaitMs);
        return;
    }
    default:
        decoder_.expectHeader();
        return;
    }
}

void ZmodemReceiver::onBadInput()
{
    if (state_ == State::WaitData)
        return;  // the rest of what we asked to be sent again
    if (countError()) {
        send(cancelSequence());
        finish(ProtocolTooManyErrors);
        return;
    }
    if (state_ == State::InData)
        askForPosition();
    else if (state_ == State::WaitFileInfo)
        send(hexHeader(ZNAK, positionHeader(0)));
}

void ZmodemReceiver::timerExpired()
{
    if (finished())
        return;
    if (state_ == State::Closing) {
        finish(closeResult_);  // a sender that does not say "OO"
        return;
    }
    if (state_ == State::InData || state_ == State::WaitData) {
        if (countError()) {
            send(cancelSequence());
            finish(ProtocolTimeout);
            return;
        }
        askForPosition();
        return;
    }
    handshakeElapsedMs_ += retryMs(options_);
    int limit = fileDone_ ? options_.finishWaitMs : options_.handshakeWaitMs;
    if (handshakeElapsedMs_ >= limit) {
        send(cancelSequence());
        finish(ProtocolTimeout);
        return;
    }
    sendReceiverInit();
}

}  // namespace dnc
