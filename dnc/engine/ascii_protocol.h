#pragma once
// The ASCII protocol: the file's bytes as they are, with optional delays after each
// character and each line, CR and LF translation, and on receive an end-of-file time-out
// (no data for that long ends the file) and an end at Ctrl-Z unless that is suppressed.
#include "dnc/engine/protocol.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace dnc {

class LineClock;

// What happens to each CR or each LF, numbered as the machine record stores it.
enum class LineEndTranslation { AddCrBefore = 0, AddLfAfter = 1, None = 2, Strip = 3 };

// Applies the CR and the LF translation to every CR and LF byte of `data`. Each byte is
// translated on its own, so pieces of a stream translate the same as the whole.
std::string translateLineEnds(std::string_view data, LineEndTranslation cr, LineEndTranslation lf);

inline constexpr char CtrlZ = 0x1A;

struct AsciiOptions {
    int charDelayMs = 0;                 // after each character
    int lineDelayMs = 0;                 // after each line end, besides the character delay
    LineEndTranslation cr = LineEndTranslation::None;
    LineEndTranslation lf = LineEndTranslation::None;
    int eofTimeoutTicks = 364;           // receive: silence that ends the file
    bool suppressCtrlZ = false;          // receive: Ctrl-Z is data, not the end of the file
    bool rtsLowForWrite = false;         // receive: RTS low while writing to the disk
    int transmitTimeoutTicks = 0;        // send: output held this long fails; 0 never
};

class AsciiProtocol : public Protocol {
    Q_OBJECT
public:
    explicit AsciiProtocol(ComPort& port, QObject* parent = nullptr);
    ~AsciiProtocol() override;

    std::string name() const override { return "ASCII"; }

    // Takes effect at the next start.
    void setOptions(const AsciiOptions& options) { m_options = options; }
    const AsciiOptions& options() const { return m_options; }

protected:
    void beginTransmit() override;
    void beginReceive() override;
    void stopTransfer() override;

private:
    void transmitStep();
    void putWithDelays(std::int64_t now);
    bool isLineEnd(std::size_t index) const;
    void checkTransmitTimeout(std::int64_t now);
    void scheduleStep(int ms);
    void receiveData();
    bool writeReceived(const std::string& data);
    void restartEofTimer();
    void cancelTimers();

    AsciiOptions m_options;
    LineClock* m_clock = nullptr;

    // Sending.
    std::string m_data;
    std::size_t m_next = 0;          // next byte of m_data to put
    std::int64_t m_readyAt = 0;      // the delays allow the next byte from here on
    bool m_awaitingDrain = false;    // delayed sending: the last byte is not yet out
    std::size_t m_lastPut = 0;       // delayed sending: the byte put last
    std::size_t m_markNext = 0;      // m_next and the output count at the last step
    int m_markOutCount = 0;
    std::int64_t m_lastProgressMs = 0;
    int m_stepTimer = -1;

    // Receiving.
    std::FILE* m_file = nullptr;
    int m_eofTimer = -1;
    QMetaObject::Connection m_dataConnection;
};

} // namespace dnc
