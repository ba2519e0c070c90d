#include "analyzer/engine/drawing_display_file.h"

#include "platform/scratch_file.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

namespace vork {

namespace {

// Files of this program open for writing, so that a reader of the same file sees
// every record written so far. The drawing runs on the GUI thread only.
std::vector<DisplayFile*>& writers()
{
    static std::vector<DisplayFile*> open;
    return open;
}

void putLittleEndian(unsigned char* out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<unsigned char>(value >> (8 * i));
}

std::uint32_t getLittleEndian(const unsigned char* in)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | in[i];
    return value;
}

} // namespace

std::array<unsigned char, DisplayRecordSize> EncodeDisplayRecord(const TDisplayRecord& record)
{
    std::array<unsigned char, DisplayRecordSize> bytes{};
    putLittleEndian(&bytes[0], static_cast<std::uint32_t>(record.code));
    putLittleEndian(&bytes[4], std::bit_cast<std::uint32_t>(record.p1));
    putLittleEndian(&bytes[8], std::bit_cast<std::uint32_t>(record.p2));
    putLittleEndian(&bytes[12], std::bit_cast<std::uint32_t>(record.p3));
    putLittleEndian(&bytes[16], std::bit_cast<std::uint32_t>(record.p4));
    return bytes;
}

TDisplayRecord DecodeDisplayRecord(const unsigned char* bytes)
{
    TDisplayRecord record;
    record.code = static_cast<std::int32_t>(getLittleEndian(bytes));
    record.p1 = std::bit_cast<float>(getLittleEndian(bytes + 4));
    record.p2 = std::bit_cast<float>(getLittleEndian(bytes + 8));
    record.p3 = std::bit_cast<float>(getLittleEndian(bytes + 12));
    record.p4 = std::bit_cast<float>(getLittleEndian(bytes + 16));
    return record;
}

DisplayFile::~DisplayFile() { close(); }

bool DisplayFile::create(const std::string& path)
{
    close();
    m_file = platform::createScratchStream(path);
    if (!m_file)
        return false;
    m_path = path;
    m_writable = true;
    m_lastWasWrite = false;
    writers().push_back(this);
    return true;
}

bool DisplayFile::openForReading(const std::string& path)
{
    close();
    for (DisplayFile* writer : writers()) {
        if (writer->m_path == path)
            writer->flush();
    }
    m_file = platform::openScratchStream(path);
    if (!m_file)
        return false;
    m_path = path;
    m_writable = false;
    return true;
}

void DisplayFile::close()
{
    if (!m_file)
        return;
    std::fclose(m_file);
    m_file = nullptr;
    if (m_writable)
        std::erase(writers(), this);
    m_writable = false;
}

bool DisplayFile::append(const TDisplayRecord& record)
{
    if (!m_file || !m_writable)
        return false;
    if (!m_lastWasWrite) {
        if (std::fseek(m_file, 0, SEEK_END) != 0)
            return false;
        m_lastWasWrite = true;
    }
    const auto bytes = EncodeDisplayRecord(record);
    return std::fwrite(bytes.data(), 1, bytes.size(), m_file) == bytes.size();
}

bool DisplayFile::flush()
{
    return m_file && std::fflush(m_file) == 0 && !std::ferror(m_file);
}

bool DisplayFile::rewind()
{
    if (!m_file)
        return false;
    m_lastWasWrite = false;
    return std::fseek(m_file, 0, SEEK_SET) == 0;
}

bool DisplayFile::readNext(TDisplayRecord& record)
{
    if (!m_file || m_lastWasWrite)
        return false;
    std::array<unsigned char, DisplayRecordSize> bytes{};
    if (std::fread(bytes.data(), 1, bytes.size(), m_file) != bytes.size())
        return false;
    record = DecodeDisplayRecord(bytes.data());
    return true;
}

} // namespace vork
