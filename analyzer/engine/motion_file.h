#pragma once
// The motion file VORK.MOT: one 187-byte record per move of the run, no header,
// little-endian, written field by field.
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

namespace vork {

constexpr std::size_t MotionRecordSize = 187;
constexpr std::size_t MotionTextLength = 80;

// The axes of an arc's plane as indexes into a point (0, 1, 2): its angles run from
// `first` toward `second`, and it turns about `third`. Planes are numbered as the run's
// Plane: 0 XY, 1 ZX, 2 YZ.
struct PlaneAxes {
    int first, second, third;
};
constexpr PlaneAxes PlaneAxesOf(int plane)
{
    return plane == 1 ? PlaneAxes{2, 0, 1} : plane == 2 ? PlaneAxes{1, 2, 0} : PlaneAxes{0, 1, 2};
}

struct TMotionRecord {
    std::uint8_t kind = 1;
    // An arc's plane in the record's own point order (a lathe's (Z, X, Y) too): 0 when
    // it turns about the third coordinate, 1 about the second, 2 about the first.
    std::int16_t arcPlane = 0;
    std::int16_t opnum = -1;
    std::int16_t spare2 = -1;
    std::int16_t spare3 = -1;
    std::uint8_t mode = 1;
    // An arc's centre in the record's point order: cz lies level with the start along
    // the arc's axis (a helix climbs from there to the end point).
    double cx = 0, cy = 0, radius = 0;
    double ex = 0, ey = 0, ez = 0;
    double rplane = 0;
    double sx = 0, sy = 0, sz = 0;
    double cz = 0;
    double feed = 0;
    std::string text; // at most 80 characters
};

std::array<std::uint8_t, MotionRecordSize> EncodeMotionRecord(const TMotionRecord& record);
TMotionRecord DecodeMotionRecord(const std::array<std::uint8_t, MotionRecordSize>& bytes);

class MotionFile {
public:
    MotionFile() = default;
    ~MotionFile();
    MotionFile(const MotionFile&) = delete;
    MotionFile& operator=(const MotionFile&) = delete;

    // Closes the file when open and creates it anew, empty. False when it cannot be.
    bool recreate(const std::string& path);
    // Re-creates the file last created.
    bool recreate() { return recreate(m_path); }
    void append(const TMotionRecord& record);
    // Hands the buffered records to the file, for a reader of the same file.
    bool flush();
    // True when every record reached the file.
    bool close();
    bool isOpen() const { return m_file != nullptr; }
    const std::string& path() const { return m_path; }

private:
    std::FILE* m_file = nullptr;
    std::string m_path;
    bool m_failed = false;
};

} // namespace vork
