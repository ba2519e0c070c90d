#include "analyzer/engine/dxf_output.h"

#include "math/engine/mathlib.h"
#include "analyzer/engine/run_state.h"
#include "platform/file_replace.h"
#include "platform/fixed_text.h"
#include "platform/textfile.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
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

namespace {

// A temporary file beside `path`, unique to this process; its descriptor or -1.
int createBeside(const std::string& path, std::string& created)
{
    created = path + ".~" + std::to_string(::getpid()) + "XXXXXX";
    return ::mkstemp(created.data());
}

bool writeAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Copies the whole of `from` (read by position) into `to`.
bool copyAll(int from, int to)
{
    std::vector<char> chunk(1 << 20);
    for (off_t at = 0;;) {
        const ssize_t n = ::pread(from, chunk.data(), chunk.size(), at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        if (!writeAll(to, chunk.data(), static_cast<std::size_t>(n)))
            return false;
        at += n;
    }
}

} // namespace

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
        failed(std::strerror(errno));
}

void TDxfOutput::closeBody()
{
    if (!m_file)
        return;
    std::fclose(m_file);
    m_file = nullptr;
    if (!m_bodyPath.empty())
        ::unlink(m_bodyPath.c_str());
    m_bodyPath.clear();
}

void TDxfOutput::failed(const std::string& reason)
{
    const bool direct = m_bodyPath.empty();
    closeBody();
    if (m_prompter)
        m_prompter->message("DXF Output",
                            "Error writing " + m_path + ": " + reason + "\nThe DXF output is off." +
                                (direct ? "" : "\n" + m_path + " is left as it was before this write."),
                            platform::MessageKind::Error, platform::Buttons::Ok);
}

void TDxfOutput::writeElement(const std::function<void(std::string&)>& append)
{
    if (!m_file)
        return;
    m_buffer.clear();
    append(m_buffer);
    writeBuffer();
    m_changed = true;
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
    const auto refuse = [errorText](const std::string& why) {
        if (errorText)
            *errorText = why;
        return false;
    };
    // A link is followed: its target is the file replaced.
    std::error_code ec;
    const std::filesystem::path resolved = std::filesystem::canonical(path, ec);
    const std::string target = ec ? path : resolved.string();
    struct stat st{};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    std::FILE* file = nullptr;
    std::string bodyPath;
    if (exists && !S_ISREG(st.st_mode)) {
        // A device or a pipe has no old drawing to keep: written straight.
        file = std::fopen(target.c_str(), "wb");
        if (!file)
            return refuse(std::strerror(errno));
    } else {
        if (exists && platform::writeProtected(target))
            return refuse(platform::writeProtectedText(path));
        const int fd = createBeside(target, bodyPath);
        if (fd < 0)
            return refuse(std::strerror(errno));
        file = ::fdopen(fd, "wb");
        if (!file) {
            const std::string why = std::strerror(errno);
            ::close(fd);
            ::unlink(bodyPath.c_str());
            return refuse(why);
        }
    }
    Finish();
    m_file = file;
    m_path = path;
    m_target = target;
    m_bodyPath = bodyPath;
    m_changed = true; // the chosen file does not hold this drawing yet
    writeLines(DxfHeaderLines());
    return m_file != nullptr;
}

bool TDxfOutput::publish()
{
    if (std::fflush(m_file) != 0) {
        failed(std::strerror(errno));
        return false;
    }
    // The drawing so far and its trailer replace the chosen file whole.
    platform::FileReplacement whole;
    platform::ReplaceResult result = whole.begin(m_target);
    std::string trailer;
    for (const std::string& line : DxfTrailerLines())
        addLine(trailer, line);
    if (result && (!copyAll(::fileno(m_file), whole.descriptor()) || !whole.append(trailer, result.error)))
        result = {platform::ReplaceResult::Status::Failed, result.error.empty() ? std::strerror(errno) : result.error};
    if (result)
        result = whole.commit();
    if (!result) {
        failed(result.error);
        return false;
    }
    m_changed = false;
    return true;
}

void TDxfOutput::Checkpoint()
{
    if (!m_file)
        return;
    if (m_bodyPath.empty()) {
        if (std::fflush(m_file) != 0)
            failed(std::strerror(errno));
        return;
    }
    if (m_changed)
        publish();
}

void TDxfOutput::Finish()
{
    if (!m_file)
        return;
    if (!m_bodyPath.empty()) {
        if (!m_changed || publish())
            closeBody();
        return;
    }
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
