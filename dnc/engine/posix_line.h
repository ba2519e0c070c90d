#pragma once
// A serial line on a POSIX tty: termios for the framing, the modem-line ioctls for DTR,
// RTS and the status inputs, and a socket notifier for arriving bytes. Works on real
// ports and on ptys; a pty keeps no parity and no 7-bit characters and has no modem
// lines, which configure() and setDtr()/setRts() report.
#include "dnc/engine/serial_line.h"

#include <memory>

class QSocketNotifier;

namespace dnc {

class PosixLine : public SerialLine {
    Q_OBJECT
public:
    explicit PosixLine(std::string path, QObject* parent = nullptr);
    ~PosixLine() override;

    std::string name() const override { return m_path; }
    bool open(std::string& error) override;
    void close() override;
    bool isOpen() const override { return m_fd >= 0; }
    bool configure(const LineSettings& settings, std::string& error) override;
    LineSettings deviceSettings() const override;
    std::int64_t write(const char* data, std::int64_t size) override;
    std::int64_t read(char* data, std::int64_t maxSize) override;
    std::int64_t pendingOutput() const override;
    void discardInput() override;
    void discardOutput() override;
    void setReadNotification(bool on) override;
    bool setDtr(bool on) override;
    bool setRts(bool on) override;
    ModemStatus modemStatus() const override;
    LineClock& clock() override;

private:
    bool setModemBit(int bit, bool on);
    void fail(const std::string& reason);

    std::string m_path;
    int m_fd = -1;
    LineSettings m_requested;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace dnc
