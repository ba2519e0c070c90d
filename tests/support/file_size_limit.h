#pragma once
// A full disk for tests, even as root: while a FileSizeLimit lives, a write that would
// make a file longer than `bytes` fails part way (EFBIG), as a full disk refuses it.
#include <csignal>
#include <sys/resource.h>

namespace testsupport {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_signal = std::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit = {bytes, m_old.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_signal);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    struct rlimit m_old {};
    void (*m_signal)(int) = nullptr;
};

} // namespace testsupport
