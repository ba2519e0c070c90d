#include "dnc/engine/posix_line.h"

#include "dnc/engine/line_clock.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace dnc {

namespace {

constexpr std::array<std::pair<int, speed_t>, 29> Speeds{{
    {50, B50}, {75, B75}, {110, B110}, {134, B134}, {150, B150}, {200, B200}, {300, B300},
    {600, B600}, {1200, B1200}, {1800, B1800}, {2400, B2400}, {4800, B4800}, {9600, B9600},
    {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}, {230400, B230400},
    {460800, B460800}, {500000, B500000}, {576000, B576000}, {921600, B921600},
    {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000}, {2000000, B2000000},
    {2500000, B2500000}, {3000000, B3000000}, {4000000, B4000000},
}};

bool speedCode(int baud, speed_t& code)
{
    for (const auto& [rate, value] : Speeds) {
        if (rate == baud) {
            code = value;
            return true;
        }
    }
    return false;
}

int speedRate(speed_t code)
{
    for (const auto& [rate, value] : Speeds) {
        if (value == code)
            return rate;
    }
    return 0;
}

tcflag_t sizeFlag(int dataBits)
{
    switch (dataBits) {
    case 5: return CS5;
    case 6: return CS6;
    case 7: return CS7;
    default: return CS8;
    }
}

const char* parityName(Parity parity)
{
    switch (parity) {
    case Parity::None: return "no";
    case Parity::Odd: return "odd";
    case Parity::Even: return "even";
    case Parity::Mark: return "mark";
    case Parity::Space: return "space";
    }
    return "";
}

} // namespace

PosixLine::PosixLine(std::string path, QObject* parent) : SerialLine(parent), m_path(std::move(path)) {}

PosixLine::~PosixLine() { close(); }

LineClock& PosixLine::clock() { return SystemClock::instance(); }

bool PosixLine::open(std::string& error)
{
    close();
    const int fd = ::open(m_path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = m_path + ": " + std::strerror(errno);
        return false;
    }
    // One program at a time on a port, as on the original system.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        error = m_path + ": already in use";
        ::close(fd);
        return false;
    }
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        error = m_path + ": " + std::strerror(errno);
        ::close(fd);
        return false;
    }
    // Raw bytes both ways; flow control is the port's business, not the kernel's.
    ::cfmakeraw(&tio);
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    ::tcsetattr(fd, TCSANOW, &tio);
    // Output is never thrown away here: a reopened port may still hold the tail of what
    // was written before it closed (on a pty, the peer may not have read it yet), and the
    // control must get it whole. Stale input is the port's to drop (ComPort::open).
    m_fd = fd;
    m_notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &SerialLine::readyRead);
    return true;
}

void PosixLine::close()
{
    if (m_fd < 0)
        return;
    m_notifier.reset();
    ::flock(m_fd, LOCK_UN);
    ::close(m_fd);
    m_fd = -1;
}

void PosixLine::fail(const std::string& reason)
{
    if (m_notifier)
        m_notifier->setEnabled(false);
    emit deviceError(QString::fromStdString(m_path + ": " + reason));
}

bool PosixLine::configure(const LineSettings& settings, std::string& error)
{
    m_requested = settings;
    if (m_fd < 0) {
        error = m_path + ": not open";
        return false;
    }
    speed_t speed{};
    if (!speedCode(settings.baud, speed)) {
        error = m_path + ": " + std::to_string(settings.baud) + " baud is not supported";
        return false;
    }
    termios tio{};
    ::tcgetattr(m_fd, &tio);
    ::cfsetispeed(&tio, speed);
    ::cfsetospeed(&tio, speed);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    tio.c_cflag |= sizeFlag(settings.dataBits);
    switch (settings.parity) {
    case Parity::None: break;
    case Parity::Odd: tio.c_cflag |= PARENB | PARODD; break;
    case Parity::Even: tio.c_cflag |= PARENB; break;
    case Parity::Mark: tio.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case Parity::Space: tio.c_cflag |= PARENB | CMSPAR; break;
    }
    // Two stop bits; with 5-bit characters the UART makes one and a half of them.
    if (settings.stopBits != 1)
        tio.c_cflag |= CSTOPB;
    if (settings.rtsCts)
        tio.c_cflag |= CRTSCTS;
    // The device may keep other values than asked for, with or without saying so: read
    // back and name the setting it refused.
    const bool applied = ::tcsetattr(m_fd, TCSANOW, &tio) == 0;
    const std::string reason = std::strerror(errno);
    const LineSettings held = deviceSettings();
    if (held.dataBits != settings.dataBits) {
        error = m_path + ": " + std::to_string(settings.dataBits) + " data bits are not supported";
        return false;
    }
    if (held.parity != settings.parity) {
        error = m_path + ": " + parityName(settings.parity) + " parity is not supported";
        return false;
    }
    if (!applied || held.baud != settings.baud || held.stopBits != (settings.stopBits == 1 ? 1 : 2)) {
        error = m_path + ": the device refused the settings" + (applied ? "" : " (" + reason + ")");
        return false;
    }
    return true;
}

LineSettings PosixLine::deviceSettings() const
{
    LineSettings held = m_requested;
    termios tio{};
    if (m_fd < 0 || ::tcgetattr(m_fd, &tio) != 0)
        return held;
    held.baud = speedRate(::cfgetospeed(&tio));
    switch (tio.c_cflag & CSIZE) {
    case CS5: held.dataBits = 5; break;
    case CS6: held.dataBits = 6; break;
    case CS7: held.dataBits = 7; break;
    default: held.dataBits = 8; break;
    }
    if (!(tio.c_cflag & PARENB))
        held.parity = Parity::None;
    else if (tio.c_cflag & CMSPAR)
        held.parity = (tio.c_cflag & PARODD) ? Parity::Mark : Parity::Space;
    else
        held.parity = (tio.c_cflag & PARODD) ? Parity::Odd : Parity::Even;
    held.stopBits = (tio.c_cflag & CSTOPB) ? 2 : 1;
    held.rtsCts = (tio.c_cflag & CRTSCTS) != 0;
    return held;
}

std::int64_t PosixLine::write(const char* data, std::int64_t size)
{
    if (m_fd < 0)
        return -1;
    const ssize_t n = ::write(m_fd, data, static_cast<size_t>(size));
    if (n >= 0)
        return n;
    if (errno == EAGAIN || errno == EINTR)
        return 0;
    fail(std::strerror(errno));
    return -1;
}

std::int64_t PosixLine::read(char* data, std::int64_t maxSize)
{
    if (m_fd < 0)
        return -1;
    const ssize_t n = ::read(m_fd, data, static_cast<size_t>(maxSize));
    if (n >= 0)
        return n;
    if (errno == EAGAIN || errno == EINTR)
        return 0;
    fail(std::strerror(errno));
    return -1;
}

std::int64_t PosixLine::pendingOutput() const
{
    int queued = 0;
    if (m_fd < 0 || ::ioctl(m_fd, TIOCOUTQ, &queued) != 0)
        return 0;
    return queued;
}

void PosixLine::discardInput()
{
    if (m_fd >= 0)
        ::tcflush(m_fd, TCIFLUSH);
}

void PosixLine::discardOutput()
{
    if (m_fd >= 0)
        ::tcflush(m_fd, TCOFLUSH);
}

void PosixLine::setReadNotification(bool on)
{
    if (m_notifier)
        m_notifier->setEnabled(on);
}

bool PosixLine::setModemBit(int bit, bool on)
{
    return m_fd >= 0 && ::ioctl(m_fd, on ? TIOCMBIS : TIOCMBIC, &bit) == 0;
}

bool PosixLine::setDtr(bool on) { return setModemBit(TIOCM_DTR, on); }

bool PosixLine::setRts(bool on) { return setModemBit(TIOCM_RTS, on); }

ModemStatus PosixLine::modemStatus() const
{
    int bits = 0;
    if (m_fd < 0)
        return {};
    // A device without modem lines (a pty) is always ready.
    if (::ioctl(m_fd, TIOCMGET, &bits) != 0)
        return {true, true, true, false};
    return {(bits & TIOCM_CTS) != 0, (bits & TIOCM_DSR) != 0, (bits & TIOCM_CAR) != 0, (bits & TIOCM_RNG) != 0};
}

} // namespace dnc
