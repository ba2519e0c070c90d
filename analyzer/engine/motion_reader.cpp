#include "analyzer/engine/motion_reader.h"

#include "platform/scratch_file.h"

namespace vork {

MotionReader::~MotionReader()
{
    if (m_file)
        std::fclose(m_file);
}

bool MotionReader::open(const std::string& path)
{
    if (m_file)
        std::fclose(m_file);
    m_count = m_position = 0;
    m_file = platform::openScratchStream(path);
    if (!m_file)
        return false;
    if (std::fseek(m_file, 0, SEEK_END) == 0) {
        const long size = std::ftell(m_file);
        m_count = size > 0 ? size / static_cast<long>(MotionRecordSize) : 0;
    }
    return seek(0);
}

bool MotionReader::seek(std::int64_t index)
{
    if (!m_file || index < 0 || index > m_count)
        return false;
    if (std::fseek(m_file, static_cast<long>(index * static_cast<std::int64_t>(MotionRecordSize)), SEEK_SET) != 0)
        return false;
    m_position = index;
    return true;
}

bool MotionReader::read(TMotionRecord& record)
{
    if (!m_file || m_position >= m_count)
        return false;
    std::array<std::uint8_t, MotionRecordSize> bytes;
    if (std::fread(bytes.data(), 1, bytes.size(), m_file) != bytes.size())
        return false;
    record = DecodeMotionRecord(bytes);
    ++m_position;
    return true;
}

} // namespace vork
