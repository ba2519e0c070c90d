#pragma once
// Line-by-line access to 8-bit text files too large to hold in memory (NC programs of
// millions of blocks): lines end with CR LF, LF or a lone CR when read, and with CR LF
// when written. A final line end does not make an extra empty line.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class LineReader {
public:
    LineReader() = default;
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // Opens the file from its start; false when it cannot be opened.
    bool open(const std::string& path);
    void close();
    bool isOpen() const { return m_file != nullptr; }
    const std::string& path() const { return m_path; }

    // True when no line is left (also when the file is not open).
    bool atEnd();
    // The next line without its end; false when no line is left.
    bool readLine(std::string& line);
    // Back to the first line; false when the file cannot be read again.
    bool rewind();
    // A read failed: what was read is not the whole file.
    bool failed() const { return m_file != nullptr && std::ferror(m_file) != 0; }

private:
    bool fill();

    std::FILE* m_file = nullptr;
    std::string m_path;
    std::vector<char> m_buffer;
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
    bool m_skipLineFeed = false; // the last line ended with CR: a following LF belongs to it
};

class LineWriter {
public:
    LineWriter() = default;
    ~LineWriter();
    LineWriter(const LineWriter&) = delete;
    LineWriter& operator=(const LineWriter&) = delete;

    // Creates the program's own file anew: whatever stood under the name (a link, a
    // file of another user) is removed, never followed or truncated (platform/scratch_file.h).
    bool create(const std::string& path);
    // Appends to a regular file, created when missing; never through a link.
    bool openAppend(const std::string& path);
    // Creates the file only when nothing of that name exists yet (not even a link).
    bool createNew(const std::string& path);
    // Writes to a stream opened elsewhere, closed by this writer; false for nullptr.
    bool adopt(std::FILE* file, const std::string& path);
    bool isOpen() const { return m_file != nullptr; }
    const std::string& path() const { return m_path; }

    // Writes the line and CR LF. Errors are remembered and reported by close().
    void writeLine(std::string_view line);
    // Pushes buffered lines to the file.
    bool flush();
    // Closes the file; true when every line reached it.
    bool close();
    // Why the first write that failed did (the system's text), or "".
    const std::string& errorText() const { return m_error; }

private:
    void fail();

    std::FILE* m_file = nullptr;
    std::string m_path;
    bool m_failed = false;
    std::string m_error;
};

} // namespace platform
