#pragma once
// Reads the motion file VORK.MOT record by record, for the exports that walk the moves
// of a run. The writer must have flushed its records first (MotionFile::flush).
#include "analyzer/engine/motion_file.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace vork {

class MotionReader {
public:
    MotionReader() = default;
    ~MotionReader();
    MotionReader(const MotionReader&) = delete;
    MotionReader& operator=(const MotionReader&) = delete;

    // False when the file cannot be opened (a missing file has no records).
    bool open(const std::string& path);
    // Whole records in the file (a torn last record does not count).
    std::int64_t count() const { return m_count; }
    // The index of the next record read.
    std::int64_t position() const { return m_position; }
    bool seek(std::int64_t index);
    // The next record; false at the end or on a read error.
    bool read(TMotionRecord& record);

private:
    std::FILE* m_file = nullptr;
    std::int64_t m_count = 0;
    std::int64_t m_position = 0;
};

} // namespace vork
