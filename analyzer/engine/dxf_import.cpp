#include "analyzer/engine/dxf_import.h"

#include "math/engine/mathlib.h"
#include "platform/paths.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <istream>
#include <streambuf>

namespace vork {

FixtureTable::FixtureTable() : slots_(FixtureSlotCount) { Clear(); }

void FixtureTable::Clear()
{
    for (auto& slot : slots_)
        slot = TEntityRecord{};
    counters_.fill(1);
    tableFull = false;
    loaded = false;
    shown = false;
}

bool FixtureTable::StoreFixtureEntity(std::uint8_t kind, std::int16_t number, std::uint8_t layer, double x,
                                      double y, double z, double p4, double p5, double p6, std::uint8_t color,
                                      std::uint8_t style, const std::string& text, bool lathe)
{
    TEntityRecord* slot = nullptr;
    for (std::size_t i = 0; i < FixtureUsableSlots; ++i) {
        TEntityRecord& s = slots_[i];
        if (s.kind == EntityFree || (s.kind == kind && s.entnum == number)) {
            slot = &s;
            break;
        }
    }
    if (!slot) {
        tableFull = true;
        return false;
    }
    slot->kind = kind;
    slot->entnum = number;
    slot->color = color;
    slot->layer = layer;
    slot->style = style;
    if (lathe) {
        switch (kind) {
        case EntityPoint: slot->val1 = y, slot->val2 = 0, slot->val3 = x; break;
        case EntityLine:
            slot->val1 = y, slot->val2 = 0, slot->val3 = x;
            slot->val4 = p5, slot->val5 = 0, slot->val6 = p4;
            break;
        case EntityArc:
            slot->val1 = y, slot->val2 = 0, slot->val3 = x;
            slot->val6 = p4, slot->val4 = p5, slot->val5 = p6;
            break;
        default: break; // a text has no place in the lathe's view
        }
        return true;
    }
    slot->val1 = x, slot->val2 = y, slot->val3 = z;
    switch (kind) {
    case EntityLine: slot->val4 = p4, slot->val5 = p5, slot->val6 = p6; break;
    case EntityArc: slot->val6 = p4, slot->val4 = p5, slot->val5 = p6; break;
    case EntityText:
        slot->val4 = p4, slot->val5 = p5;
        slot->text = text.substr(0, EntityTextLength);
        break;
    default: break;
    }
    return true;
}

const TEntityRecord* FixtureTable::FindEntity(std::uint8_t kind, std::int16_t number) const
{
    for (std::size_t i = 0; i < FixtureUsableSlots; ++i)
        if (slots_[i].kind == kind && kind != EntityFree && slots_[i].entnum == number)
            return &slots_[i];
    return nullptr;
}

std::int16_t FixtureTable::NextNumber(std::uint8_t kind) const { return kind < counters_.size() ? counters_[kind] : 0; }

void FixtureTable::AdvanceNumber(std::uint8_t kind)
{
    if (kind < counters_.size())
        ++counters_[kind];
}

std::size_t FixtureTable::Count() const
{
    std::size_t n = 0;
    for (const auto& s : slots_)
        n += s.kind != EntityFree;
    return n;
}

namespace {

// Lines of the drawing, ended by CR LF, LF or a lone CR, counted from 1.
class DxfLineReader {
public:
    explicit DxfLineReader(std::istream& in) : buf_(in.rdbuf()) {}

    bool next(std::string& line)
    {
        line.clear();
        if (!buf_)
            return false;
        int c = buf_->sbumpc();
        if (c == std::char_traits<char>::eof())
            return false;
        ++lineNumber_;
        for (; c != std::char_traits<char>::eof(); c = buf_->sbumpc()) {
            if (c == '\n')
                break;
            if (c == '\r') {
                if (buf_->sgetc() == '\n')
                    buf_->sbumpc();
                break;
            }
            line.push_back(static_cast<char>(c));
        }
        return true;
    }

    long lineNumber() const { return lineNumber_; }

private:
    std::streambuf* buf_;
    long lineNumber_ = 0;
};

// A value as a real: blanks and tabs removed, 0 when it does not convert.
double ValueAsReal(std::string text)
{
    StripBlanks(text);
    const RealConversion c = ConvertReal(text);
    return c.errorIndex == 0 && std::isfinite(c.value) ? c.value : 0.0;
}

// The low eight bits of the value's integer part, as a byte store of a signed integer would keep.
std::uint8_t IntegerPartAsByte(double value)
{
    double m = std::fmod(std::trunc(value), 256.0);
    if (m < 0)
        m += 256.0;
    return static_cast<std::uint8_t>(m);
}

enum class PairRead { Ok, End, BadCode };

struct Pair {
    int code = 0;
    std::string value;
    std::string codeLine;
    long codeLineNumber = 0;
};

PairRead ReadPair(DxfLineReader& lines, Pair& pair)
{
    if (!lines.next(pair.codeLine))
        return PairRead::End;
    pair.codeLineNumber = lines.lineNumber();
    std::string code = pair.codeLine;
    StripBlanks(code);
    const char* end = code.data() + code.size();
    const auto [ptr, ec] = std::from_chars(code.data(), end, pair.code);
    if (code.empty() || ec != std::errc() || ptr != end)
        return PairRead::BadCode;
    if (!lines.next(pair.value))
        return PairRead::End;
    return PairRead::Ok;
}

// The groups of one entity, with their values before any group is read.
struct EntityGroups {
    std::array<double, 4> x{}, y{}, z{};
    double g40 = 0.25;
    double g50 = 0, g51 = 0;
    std::uint8_t layer = 0;
    std::string text;

    void take(const Pair& pair, std::uint8_t& color)
    {
        if (pair.code == 1)
            text = pair.value;
        const double v = ValueAsReal(pair.value);
        const int c = pair.code;
        if (c >= 10 && c <= 13)
            x[c - 10] = v;
        else if (c >= 20 && c <= 23)
            y[c - 20] = v;
        else if (c >= 30 && c <= 33)
            z[c - 30] = v;
        else if (c == 8)
            layer = IntegerPartAsByte(v);
        else if (c == 40)
            g40 = v;
        else if (c == 50)
            g50 = v * Pi / 180;
        else if (c == 51)
            g51 = v * Pi / 180;
        else if (c == 62 && std::trunc(v) <= 16)
            color = IntegerPartAsByte(v);
    }
};

enum class Shape { None, Point, Text, Line, Face, Arc };

Shape ShapeOf(const std::string& name)
{
    if (name == "POINT")
        return Shape::Point;
    if (name == "TEXT")
        return Shape::Text;
    if (name == "LINE" || name == "3DLINE")
        return Shape::Line;
    if (name == "3DFACE")
        return Shape::Face;
    if (name == "ARC" || name == "CIRCLE")
        return Shape::Arc;
    return Shape::None;
}

class Importer {
public:
    Importer(const DxfImportOptions& o, FixtureTable& t)
        : options_(o), table_(t), angle_(o.rotationDegrees * Pi / 180),
          color_(IntegerPartAsByte(o.startColor)), wantedLayer_(IntegerPartAsByte(o.layer))
    {
    }

    // Stores the entity; false when the table is full.
    bool store(Shape shape, const EntityGroups& g, DxfImportResult& result)
    {
        if (!options_.allLayers && g.layer != wantedLayer_)
            return true;
        std::array<double, 4> x = g.x, y = g.y, z = g.z;
        for (std::size_t i = 0; i < 4; ++i)
            transform(x[i], y[i], z[i]);
        switch (shape) {
        case Shape::Point: return put(EntityPoint, g, x[0], y[0], z[0], 0, 0, 0, result);
        case Shape::Text: {
            std::string text = g.text;
            if (const auto at = text.find("%%127"); at != std::string::npos)
                text.replace(at, 5, " Deg");
            return put(EntityText, g, x[0], y[0], z[0], g.g40, g.g50, 0, result, text);
        }
        case Shape::Line: return put(EntityLine, g, x[0], y[0], z[0], x[1], y[1], z[1], result);
        case Shape::Face:
            for (std::size_t i = 0; i < 4; ++i) {
                const std::size_t j = (i + 1) % 4;
                if (!put(EntityLine, g, x[i], y[i], z[i], x[j], y[j], z[j], result))
                    return false;
            }
            return true;
        case Shape::Arc: {
            double start = g.g50, end = g.g51;
            if (IsNearZero(start - end))
                end = start + TwoPi;
            return put(EntityArc, g, x[0], y[0], z[0], g.g40, start + angle_, end + angle_, result);
        }
        case Shape::None: break;
        }
        return true;
    }

    std::uint8_t& color() { return color_; }

private:
    void transform(double& x, double& y, double& z) const
    {
        const double dx = x - options_.xBase, dy = y - options_.yBase;
        const double c = std::cos(angle_), s = std::sin(angle_);
        x = options_.xBase + dx * c - dy * s + options_.xOffset;
        y = options_.yBase + dx * s + dy * c + options_.yOffset;
        z += options_.zOffset;
    }

    bool put(std::uint8_t kind, const EntityGroups& g, double x, double y, double z, double p4, double p5,
             double p6, DxfImportResult& result, const std::string& text = {})
    {
        if (!table_.StoreFixtureEntity(kind, table_.NextNumber(kind), g.layer, x, y, z, p4, p5, p6, color_, 0,
                                       text, options_.lathe))
            return false;
        table_.AdvanceNumber(kind);
        ++result.stored;
        return true;
    }

    const DxfImportOptions& options_;
    FixtureTable& table_;
    double angle_;
    std::uint8_t color_;
    std::uint8_t wantedLayer_;
};

std::string FullMessage(const DxfImportResult& r, const std::string& fileName)
{
    return "The fixture table is full: " + std::to_string(r.stored) + " entities were stored from " + fileName +
           ".";
}

} // namespace

DxfImportResult ImportDXF(std::istream& in, const std::string& fileName, const DxfImportOptions& options,
                          FixtureTable& table)
{
    DxfImportResult result;
    result.opened = true;
    table.loaded = true;
    table.shown = true;
    if (table.tableFull) {
        result.tableFull = true;
        result.message = FullMessage(result, fileName);
        return result;
    }
    DxfLineReader lines(in);
    Importer importer(options, table);
    Pair pair;
    const auto badCode = [&] {
        result.failed = true;
        result.message = "Bad group code \"" + pair.codeLine + "\" in " + fileName + " at line " +
                         std::to_string(pair.codeLineNumber) + ".";
        return result;
    };

    // Up to the start of the ENTITIES section.
    bool sectionStart = false;
    for (;;) {
        const PairRead r = ReadPair(lines, pair);
        if (r == PairRead::End)
            return result;
        if (r == PairRead::BadCode)
            return badCode();
        if (sectionStart && pair.code == 2 && platform::trimBlanks(pair.value) == "ENTITIES")
            break;
        sectionStart = pair.code == 0 && platform::trimBlanks(pair.value) == "SECTION";
    }

    // Entities up to the section's end; `pair` always holds the group 0 that starts the next.
    PairRead r = ReadPair(lines, pair);
    for (;;) {
        if (r == PairRead::End)
            return result;
        if (r == PairRead::BadCode)
            return badCode();
        if (pair.code != 0) { // groups of an entity we do not take
            r = ReadPair(lines, pair);
            continue;
        }
        const std::string name = std::string(platform::trimBlanks(pair.value));
        if (name == "ENDSEC" || name == "EOF")
            return result;
        const Shape shape = ShapeOf(name);
        if (shape == Shape::None) {
            r = ReadPair(lines, pair);
            continue;
        }
        EntityGroups groups;
        for (r = ReadPair(lines, pair); r == PairRead::Ok && pair.code != 0; r = ReadPair(lines, pair))
            groups.take(pair, importer.color());
        if (r != PairRead::Ok)
            continue; // the drawing ended inside the entity: it is not stored
        if (!importer.store(shape, groups, result)) {
            result.tableFull = true;
            result.message = FullMessage(result, fileName);
            return result;
        }
    }
}

DxfImportResult ImportDXFFile(const std::string& fileName, const DxfImportOptions& options, FixtureTable& table)
{
    std::ifstream in(fileName, std::ios::binary);
    if (!in) {
        DxfImportResult result;
        result.failed = true;
        result.message = "Cannot open the drawing " + fileName + ".";
        return result;
    }
    return ImportDXF(in, fileName, options, table);
}

} // namespace vork
