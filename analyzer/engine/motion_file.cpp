#include "analyzer/engine/motion_file.h"

#include "platform/scratch_file.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace vork {

namespace {

class RecordWriter {
public:
    explicit RecordWriter(std::array<std::uint8_t, MotionRecordSize>& bytes) : m_bytes(bytes) {}
    void u8(std::uint8_t v) { m_bytes[m_at++] = v; }
    void i16(std::int16_t v)
    {
        const auto u = static_cast<std::uint16_t>(v);
        u8(static_cast<std::uint8_t>(u & 0xFF));
        u8(static_cast<std::uint8_t>(u >> 8));
    }
    void f64(double v)
    {
        const auto u = std::bit_cast<std::uint64_t>(v);
        for (int i = 0; i < 8; ++i)
            u8(static_cast<std::uint8_t>(u >> (8 * i)));
    }
    void shortString(const std::string& s)
    {
        const std::size_t n = std::min(s.size(), MotionTextLength);
        u8(static_cast<std::uint8_t>(n));
        for (std::size_t i = 0; i < MotionTextLength; ++i)
            u8(i < n ? static_cast<std::uint8_t>(s[i]) : 0);
    }

private:
    std::array<std::uint8_t, MotionRecordSize>& m_bytes;
    std::size_t m_at = 0;
};

class RecordReader {
public:
    explicit RecordReader(const std::array<std::uint8_t, MotionRecordSize>& bytes) : m_bytes(bytes) {}
    std::uint8_t u8() { return m_bytes[m_at++]; }
    std::int16_t i16()
    {
        const std::uint16_t lo = u8();
        const std::uint16_t hi = u8();
        return static_cast<std::int16_t>(lo | (hi << 8));
    }
    double f64()
    {
        std::uint64_t u = 0;
        for (int i = 0; i < 8; ++i)
            u |= std::uint64_t{u8()} << (8 * i);
        return std::bit_cast<double>(u);
    }
    std::string shortString()
    {
        const std::size_t n = std::min<std::size_t>(u8(), MotionTextLength);
        std::string s(reinterpret_cast<const char*>(m_bytes.data() + m_at), n);
        m_at += MotionTextLength;
        return s;
    }

private:
    const std::array<std::uint8_t, MotionRecordSize>& m_bytes;
    std::size_t m_at = 0;
};

} // namespace

std::array<std::uint8_t, MotionRecordSize> EncodeMotionRecord(const TMotionRecord& r)
{
    std::array<std::uint8_t, MotionRecordSize> bytes{};
    RecordWriter w(bytes);
    w.u8(r.kind);
    w.i16(r.arcPlane);
    w.i16(r.opnum);
    w.i16(r.spare2);
    w.i16(r.spare3);
    w.u8(r.mode);
    for (double v : {r.cx, r.cy, r.radius, r.ex, r.ey, r.ez, r.rplane, r.sx, r.sy, r.sz, r.cz, r.feed})
        w.f64(v);
    w.shortString(r.text);
    return bytes;
}

TMotionRecord DecodeMotionRecord(const std::array<std::uint8_t, MotionRecordSize>& bytes)
{
    RecordReader rd(bytes);
    TMotionRecord r;
    r.kind = rd.u8();
    r.arcPlane = rd.i16();
    r.opnum = rd.i16();
    r.spare2 = rd.i16();
    r.spare3 = rd.i16();
    r.mode = rd.u8();
    for (double* v : {&r.cx, &r.cy, &r.radius, &r.ex, &r.ey, &r.ez, &r.rplane, &r.sx, &r.sy, &r.sz, &r.cz, &r.feed})
        *v = rd.f64();
    r.text = rd.shortString();
    return r;
}

MotionFile::~MotionFile()
{
    close();
}

bool MotionFile::recreate(const std::string& path)
{
    close();
    m_path = path;
    m_failed = false;
    if (path.empty())
        return false;
    m_file = platform::createScratchStream(path);
    return m_file != nullptr;
}

void MotionFile::append(const TMotionRecord& record)
{
    if (!m_file)
        return;
    const auto bytes = EncodeMotionRecord(record);
    if (std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size())
        m_failed = true;
}

bool MotionFile::flush()
{
    if (m_file && std::fflush(m_file) != 0)
        m_failed = true;
    return !m_failed;
}

bool MotionFile::close()
{
    if (m_file && std::fclose(m_file) != 0)
        m_failed = true;
    m_file = nullptr;
    return !m_failed;
}

} // namespace vork
