#pragma once
// The display file DVW.DI~: the drawing commands of the tool path, 20-byte records
// (a signed 32-bit code and four single-precision reals, little-endian, no header),
// replayed for every repaint, zoom, print and copy.
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

namespace vork {

inline constexpr const char* DisplayFileName = "DVW.DI~";

struct TDisplayRecord {
    std::int32_t code = 0;
    float p1 = 0.0F;
    float p2 = 0.0F;
    float p3 = 0.0F;
    float p4 = 0.0F;
    friend bool operator==(const TDisplayRecord&, const TDisplayRecord&) = default;
};

// Record codes.
inline constexpr std::int32_t DisplayMove = 0;
inline constexpr std::int32_t DisplayLine = 1;
inline constexpr std::int32_t DisplayColor = 10;
inline constexpr std::int32_t DisplayLineStyle = 11;
inline constexpr std::int32_t DisplayPenWidth = 12;
// An arc of the path in two records, drawn again at the replaying window's scale:
// p1, p2 the centre in the arc's plane, p3 the radius, p4 the start angle; then
// p1 the sweep (negative clockwise), p2 the height at the start, p3 the helix's rise,
// p4 the plane.
inline constexpr std::int32_t DisplayArc = 20;
inline constexpr std::int32_t DisplayArcSweep = 21;

inline constexpr std::size_t DisplayRecordSize = 20;
std::array<unsigned char, DisplayRecordSize> EncodeDisplayRecord(const TDisplayRecord& record);
TDisplayRecord DecodeDisplayRecord(const unsigned char* bytes);

class DisplayFile {
public:
    DisplayFile() = default;
    ~DisplayFile();
    DisplayFile(const DisplayFile&) = delete;
    DisplayFile& operator=(const DisplayFile&) = delete;

    // Creates the file empty, for writing and reading. False when it cannot be made.
    bool create(const std::string& path);
    // Opens an existing file for reading; writers of the same file in this program
    // hand over what they hold back first.
    bool openForReading(const std::string& path);
    void close();
    bool isOpen() const { return m_file != nullptr; }
    bool isWritable() const { return m_file != nullptr && m_writable; }
    const std::string& path() const { return m_path; }

    // False when the record could not be written.
    bool append(const TDisplayRecord& record);
    // Hands buffered records to the file; false on a write error.
    bool flush();

    // Reading from the first record on.
    bool rewind();
    // False at the end of the file (a last incomplete record is not read).
    bool readNext(TDisplayRecord& record);

private:
    std::FILE* m_file = nullptr;
    std::string m_path;
    bool m_writable = false;
    bool m_lastWasWrite = false;
};

} // namespace vork
