#include "analyzer/engine/dxf_output.h"

#include "math/engine/mathlib.h"
#include "analyzer/engine/run_state.h"
#include "platform/fixed_text.h"
#include "platform/textfile.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <utility>

namespace vork {

namespace {

constexpr double DegreesPerRadian = 57.29577951308232;
constexpr double FullTurn = 6.283185307179586;
constexpr int DxfDecimals = 12;

void addLine(std::string& out, std::string_view text)
{
    out += text;
    out += "\r\n";
}

void addValue(std::string& out, const char* code, double value)
{
    addLine(out, code);
    platform::appendFixed(out, value, 0, DxfDecimals);
    out += "\r\n";
}

using Vector = std::array<double, 3>;

Vector cross(const Vector& a, const Vector& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

double dot(const Vector& a, const Vector& b)
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

Vector unit(const Vector& v)
{
    const double length = std::sqrt(dot(v, v));
    return length > 0 ? Vector{v[0] / length, v[1] / length, v[2] / length} : Vector{0, 0, 1};
}

} // namespace

const std::vector<std::string>& DxfHeaderLines()
{
    static const std::vector<std::string> lines = {
        "  0", "SECTION", "  2", "TABLES", "  0", "TABLE", "  2", "LTYPE", " 70", "     4",
        "  0", "LTYPE", "  2", "CONTINUOUS", " 70", "    64", "  3", "Solid line", " 72", "    65", " 73", "     0",
        " 40", "0.0",
        "  0", "LTYPE", "  2", "DOT", " 70", "    64", "  3", std::string(47, '.'), " 72", "    65", " 73", "     2",
        " 40", "0.25", " 49", "0.0", " 49", "-0.25",
        "  0", "LTYPE", "  2", "CENTER", " 70", "    64", "  3", "____ _ ____ _ ____ _ ____ _ ____ _ ____ _ ____",
        " 72", "    65", " 73", "     4", " 40", "2.0", " 49", "1.25", " 49", "-0.25", " 49", "0.25", " 49", "-0.25",
        "  0", "LTYPE", "  2", "DASHED", " 70", "    64", "  3", "__ __ __ __ __ __ __ __ __ __ __ __ __ __ __",
        " 72", "    65", " 73", "     2", " 40", "0.75", " 49", "0.5", " 49", "-0.25",
        "  0", "ENDTAB", "  0", "ENDSEC", "  0", "SECTION", "  2", "ENTITIES",
    };
    return lines;
}

const std::vector<std::string>& DxfTrailerLines()
{
    static const std::vector<std::string> lines = {"  0", "ENDSEC", "  0", "EOF"};
    return lines;
}

void AppendDxfElement(std::string& out, int mode, double p1, double p2, double p3, double p4, double p5, double p6)
{
    const auto entity = [&out](const char* kind) {
        addLine(out, "  0");
        addLine(out, kind);
        addLine(out, "  8");
        addLine(out, "0");
    };
    switch (mode) {
    case ModeRapid:
    case ModeLinear:
    case ModeThread:
        entity("LINE");
        if (mode != ModeLinear) {
            addLine(out, "  6");
            addLine(out, "DASHED");
        }
        addValue(out, " 10", p1);
        addValue(out, " 20", p2);
        addValue(out, " 30", p3);
        addValue(out, " 11", p4);
        addValue(out, " 21", p5);
        addValue(out, " 31", p6);
        break;
    case ModeCycle:
        entity("POINT");
        addValue(out, " 10", p1);
        addValue(out, " 20", p2);
        addValue(out, " 30", p3);
        break;
    case ModeCW:
    case ModeCCW: {
        DxfArc arc;
        arc.centre = {p1, p2, p3};
        arc.radius = p4;
        arc.start = p5;
        arc.end = p6;
        AppendDxfArc(out, mode, arc);
        break;
    }
    default:
        break;
    }
}

void AppendDxfArc(std::string& out, int mode, const DxfArc& arc)
{
    if (mode != ModeCW && mode != ModeCCW)
        return;
    // The plane's object coordinate system, by the arbitrary-axis rule of the format:
    // its X axis is the world's Y (or Z) axis crossed with the normal.
    const Vector normal = unit(cross(arc.first, arc.second));
    const Vector ocsX = unit(std::fabs(normal[0]) < 1.0 / 64 && std::fabs(normal[1]) < 1.0 / 64
                                 ? cross({0, 1, 0}, normal)
                                 : cross({0, 0, 1}, normal));
    const Vector ocsY = cross(normal, ocsX);
    const bool flat = normal[0] == 0 && normal[1] == 0 && normal[2] > 0;
    // An angle in the plane turns into one in the object coordinates by the angle of the
    // plane's first axis there (0 in the XY plane).
    const double turn = flat ? 0.0 : std::atan2(dot(arc.first, ocsY), dot(arc.first, ocsX));
    double start = arc.start, end = arc.end;
    if (mode == ModeCW)
        std::swap(start, end); // the entity runs counter-clockwise
    const bool circle = IsNearZero(std::fabs(end - start) - FullTurn);
    addLine(out, "  0");
    addLine(out, circle ? "CIRCLE" : "ARC");
    addLine(out, "  8");
    addLine(out, "0");
    addValue(out, " 10", flat ? arc.centre[0] : dot(arc.centre, ocsX));
    addValue(out, " 20", flat ? arc.centre[1] : dot(arc.centre, ocsY));
    addValue(out, " 30", flat ? arc.centre[2] : dot(arc.centre, normal));
    addValue(out, " 40", arc.radius);
    if (!circle) {
        addValue(out, " 50", (start + turn) * DegreesPerRadian);
        addValue(out, " 51", (end + turn) * DegreesPerRadian);
    }
    if (!flat) {
        addValue(out, "210", normal[0]);
        addValue(out, "220", normal[1]);
        addValue(out, "230", normal[2]);
    }
}

std::vector<std::string> DxfArcLines(int mode, const DxfArc& arc)
{
    std::string text;
    AppendDxfArc(text, mode, arc);
    return platform::splitLines(text);
}

std::vector<std::string> DxfElementLines(int mode, double p1, double p2, double p3, double p4, double p5, double p6)
{
    std::string text;
    AppendDxfElement(text, mode, p1, p2, p3, p4, p5, p6);
    return platform::splitLines(text);
}

TDxfOutput::~TDxfOutput()
{
    Finish();
}

void TDxfOutput::writeLines(const std::vector<std::string>& lines)
{
    m_buffer.clear();
    for (const std::string& line : lines)
        addLine(m_buffer, line);
    writeBuffer();
}

void TDxfOutput::writeBuffer()
{
    if (m_file && std::fwrite(m_buffer.data(), 1, m_buffer.size(), m_file) != m_buffer.size())
        failed();
}

void TDxfOutput::failed()
{
    const std::string reason = std::strerror(errno);
    std::fclose(m_file);
    m_file = nullptr;
    if (m_prompter)
        m_prompter->message("DXF Output", "Error writing " + m_path + ": " + reason + "\nThe DXF output is off.",
                            platform::MessageKind::Error, platform::Buttons::Ok);
}

void TDxfOutput::writeElement(const std::function<void(std::string&)>& append)
{
    if (!m_file)
        return;
    m_buffer.clear();
    append(m_buffer);
    writeBuffer();
}

void TDxfOutput::WriteOutputElement(int mode, double p1, double p2, double p3, double p4, double p5, double p6)
{
    writeElement([&](std::string& out) { AppendDxfElement(out, mode, p1, p2, p3, p4, p5, p6); });
}

void TDxfOutput::WriteOutputArc(int mode, const DxfArc& arc)
{
    writeElement([&](std::string& out) { AppendDxfArc(out, mode, arc); });
}

bool TDxfOutput::OpenOutputFile(const std::string& path, std::string* errorText)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        if (errorText)
            *errorText = std::strerror(errno);
        return false;
    }
    Finish();
    m_file = file;
    m_path = path;
    writeLines(DxfHeaderLines());
    return m_file != nullptr;
}

void TDxfOutput::Checkpoint()
{
    if (!m_file)
        return;
    writeLines(DxfTrailerLines());
    if (!m_file)
        return;
    long trailer = 0;
    for (const std::string& line : DxfTrailerLines())
        trailer += static_cast<long>(line.size() + 2);
    if (std::fflush(m_file) != 0 || std::fseek(m_file, -trailer, SEEK_CUR) != 0)
        failed();
}

void TDxfOutput::Finish()
{
    if (!m_file)
        return;
    writeLines(DxfTrailerLines());
    if (m_file && std::fclose(m_file) != 0) {
        m_file = nullptr;
        if (m_prompter)
            m_prompter->message("DXF Output", "Error writing " + m_path, platform::MessageKind::Error,
                                platform::Buttons::Ok);
    }
    m_file = nullptr;
}

} // namespace vork
