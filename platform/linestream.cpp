#include "platform/linestream.h"

#include "platform/scratch_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {
constexpr std::size_t BufferSize = 65536;
}

LineReader::~LineReader()
{
    close();
}

bool LineReader::open(const std::string& path)
{
    close();
    m_file = openRegularFile(path);
    if (!m_file)
        return false;
    m_path = path;
    m_buffer.resize(BufferSize);
    m_pos = m_end = 0;
    m_skipLineFeed = false;
    return true;
}

void LineReader::close()
{
    if (m_file)
        std::fclose(m_file);
    m_file = nullptr;
    m_pos = m_end = 0;
    m_skipLineFeed = false;
}

bool LineReader::fill()
{
    if (!m_file)
        return false;
    m_pos = 0;
    m_end = std::fread(m_buffer.data(), 1, m_buffer.size(), m_file);
    return m_end > 0;
}

bool LineReader::atEnd()
{
    if (!m_file)
        return true;
    if (m_pos == m_end && !fill())
        return true;
    if (m_skipLineFeed) {
        m_skipLineFeed = false;
        if (m_buffer[m_pos] == '\n' && ++m_pos == m_end && !fill())
            return true;
    }
    return false;
}

bool LineReader::readLine(std::string& line)
{
    line.clear();
    if (atEnd())
        return false;
    for (;;) {
        const char* begin = m_buffer.data() + m_pos;
        const char* stop = begin;
        const char* limit = m_buffer.data() + m_end;
        while (stop != limit && *stop != '\n' && *stop != '\r')
            ++stop;
        line.append(begin, stop);
        m_pos = static_cast<std::size_t>(stop - m_buffer.data());
        if (stop != limit) {
            ++m_pos;
            m_skipLineFeed = *stop == '\r';
            return true;
        }
        if (!fill())
            return true; // the last line had no end
    }
}

bool LineReader::rewind()
{
    if (!m_file)
        return false;
    m_pos = m_end = 0;
    m_skipLineFeed = false;
    return std::fseek(m_file, 0, SEEK_SET) == 0;
}

LineWriter::~LineWriter()
{
    close();
}

bool LineWriter::adopt(std::FILE* file, const std::string& path)
{
    close();
    m_file = file;
    m_failed = false;
    m_error.clear();
    if (!m_file)
        return false;
    m_path = path;
    return true;
}

bool LineWriter::create(const std::string& path)
{
    return adopt(createScratchStream(path), path);
}

bool LineWriter::createNew(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    return adopt(fd < 0 ? nullptr : ::fdopen(fd, "wb"), path);
}

bool LineWriter::openAppend(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0)
        return adopt(nullptr, path);
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return adopt(nullptr, path);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, "ab");
    if (!file)
        ::close(fd);
    return adopt(file, path);
}

void LineWriter::fail()
{
    if (!m_failed)
        m_error = std::strerror(errno);
    m_failed = true;
}

void LineWriter::writeLine(std::string_view line)
{
    if (!m_file)
        return;
    if (std::fwrite(line.data(), 1, line.size(), m_file) != line.size() || std::fwrite("\r\n", 1, 2, m_file) != 2)
        fail();
}

bool LineWriter::flush()
{
    if (m_file && std::fflush(m_file) != 0)
        fail();
    return !m_failed;
}

bool LineWriter::close()
{
    if (!m_file)
        return !m_failed;
    if (std::fclose(m_file) != 0)
        fail();
    m_file = nullptr;
    return !m_failed;
}

} // namespace platform
