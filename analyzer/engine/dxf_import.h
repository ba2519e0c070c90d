#pragma once
// The fixture table and the import of a DXF drawing into it.
//
// The fixture is the reference geometry (clamps, vice, stock outline) drawn under the tool
// path. An import reads the POINT, TEXT, LINE/3DLINE, 3DFACE and ARC/CIRCLE entities of a
// drawing's ENTITIES section as group code/value pairs, turns them about a base point,
// moves them by an offset and stores them in the table. Imports add to the table; only
// Clear empties it and restarts the running numbers.
#include "analyzer/engine/entity_record.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace vork {

// Slots in the table; storing and lookup use the first FixtureUsableSlots only.
inline constexpr std::size_t FixtureSlotCount = 2000;
inline constexpr std::size_t FixtureUsableSlots = 1999;

class FixtureTable {
public:
    FixtureTable();

    // Frees every slot, restarts the four running numbers at 1 and clears the loaded,
    // shown and table-full flags.
    void Clear();

    // Puts the entity in the first usable slot that is free or holds the same kind and
    // number. With `lathe` the drawing's x runs along the machine's Z and its y along X:
    // positions are stored as (y, 0, x), and a text keeps no position and no text.
    // Returns false, and sets the table-full flag, when there is no such slot.
    bool StoreFixtureEntity(std::uint8_t kind, std::int16_t number, std::uint8_t layer, double x, double y,
                            double z, double p4, double p5, double p6, std::uint8_t color, std::uint8_t style,
                            const std::string& text, bool lathe);

    // The first usable slot holding that kind and number, or nullptr.
    const TEntityRecord* FindEntity(std::uint8_t kind, std::int16_t number) const;

    // The running number the next stored entity of `kind` takes, and its step.
    std::int16_t NextNumber(std::uint8_t kind) const;
    void AdvanceNumber(std::uint8_t kind);

    // Entities held (slots whose kind is not free).
    std::size_t Count() const;
    const std::vector<TEntityRecord>& Slots() const { return slots_; }

    bool tableFull = false;
    bool loaded = false;
    bool shown = false;

private:
    std::vector<TEntityRecord> slots_;  // slot n at index n - 1
    std::array<std::int16_t, 5> counters_{}; // by kind; index 0 unused
};

// What an import does to the drawing's coordinates, and which entities it takes.
struct DxfImportOptions {
    double xOffset = 0, yOffset = 0, zOffset = 0; // added after the rotation
    double rotationDegrees = 0;                   // counter-clockwise
    double xBase = 0, yBase = 0;                  // the point turned about
    bool allLayers = true;
    int layer = 0;      // compared as a byte with the entity's layer when allLayers is off
    int startColor = 9; // palette index until the drawing sets one with group 62
    bool lathe = false; // store in lathe machine coordinates
};

struct DxfImportResult {
    bool opened = false;    // the drawing was opened (the loaded and shown flags are set)
    std::size_t stored = 0; // entities (for a 3D face, lines) stored by this import
    bool tableFull = false; // the import stopped because the table is full
    bool failed = false;    // the import stopped on bad input; what was stored stays
    std::string message;    // for the user when tableFull or failed, else empty
};

// Reads the drawing from `in`; `fileName` names it in messages. Sets the table's loaded
// and shown flags. CR LF, LF and lone CR line ends are all read.
DxfImportResult ImportDXF(std::istream& in, const std::string& fileName, const DxfImportOptions& options,
                          FixtureTable& table);

// Opens the file and imports it; a file that cannot be opened is named in the message
// and leaves the table and its flags as they were. Nothing is written beside the file.
DxfImportResult ImportDXFFile(const std::string& fileName, const DxfImportOptions& options, FixtureTable& table);

} // namespace vork
