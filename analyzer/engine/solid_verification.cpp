#include "analyzer/engine/solid_verification.h"

#include "math/engine/mathlib.h"
#include "analyzer/engine/motion_reader.h"
#include "analyzer/engine/run_state.h"
#include "platform/file_replace.h"
#include "platform/fixed_text.h"
#include "platform/ini.h"
#include "platform/linestream.h"
#include "platform/numbers.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace vork {

namespace {

// A record's point, start and arc centre as arrays in its own order.
using RecordPoint = std::array<double, 3>;
RecordPoint endOf(const TMotionRecord& r) { return {r.ex, r.ey, r.ez}; }
RecordPoint startOf(const TMotionRecord& r) { return {r.sx, r.sy, r.sz}; }
RecordPoint centreOf(const TMotionRecord& r) { return {r.cx, r.cy, r.cz}; }
PlaneAxes arcAxes(const TMotionRecord& r) { return PlaneAxesOf(std::clamp<int>(r.arcPlane, 0, 2)); }

constexpr const char* Section = "DV";
constexpr double ThreadFactor = 0.61343;
constexpr float MinGrooveRadius = 0.0021f;
constexpr int PostedBit = 0;

// The state of one export: the CL lines and what the last tool block left.
class ClWriter {
public:
    explicit ClWriter(platform::LineWriter& out) : m_out(out) {}

    void stock(const VerifySettings& fields);
    void toolBlock(TOperationRecord op);
    void motionBlock(TMotionRecord r, bool first);
    // A value of the last block was not a number (NaN or infinite): the file is wrong.
    bool notANumber() const { return m_notANumber; }

private:
    void line(const std::string& text) { m_out.writeLine(text); }
    // Numbers in fixed point, and whole numbers; a value that is not a number is noted
    // and written as 0, so that no such text reaches the file.
    std::string F(double value, int decimals = 5)
    {
        return platform::fixedText(finite(value), decimals);
    }
    std::string I(double value) { return std::to_string(platform::roundHalfEven(finite(value))); }
    double finite(double value)
    {
        if (std::isfinite(value))
            return value;
        m_notANumber = true;
        return 0.0;
    }
    // A point: x, y, z for milling; y, 0.0, x for the turning forms.
    std::string point(double a, double b, double c)
    {
        return m_pointForm == 0 ? F(a) + "," + F(b) + "," + F(c) : F(b) + ",0.0," + F(a);
    }

    platform::LineWriter& m_out;
    int m_pointForm = 0;
    int m_orientation = 0;
    double m_noseRadius = 0;
    double m_lastFeed = -99.0;
    double m_lastZ = 0;
    bool m_grooveKludge = false;
    bool m_notANumber = false;
};

void ClWriter::stock(const VerifySettings& fields)
{
    const auto field = [&fields](int n) { return StrToReal(fields.edit[static_cast<std::size_t>(n - 1)]); };
    if (fields.mode == 1) {
        const double face = field(1);
        line("CYL/0.0,0.0," + F(face) + ",0.0,0.0," + F(face - field(2)) + "," + F(field(3) / 2));
    } else {
        const double x0 = field(1), y0 = field(2), z0 = field(3);
        line("CBOX/" + F(x0) + "," + F(y0) + "," + F(z0) + "," + F(x0 + field(4)) + "," + F(y0 + field(5)) + "," +
             F(z0 + field(6)));
    }
}

void ClWriter::toolBlock(TOperationRecord op)
{
    m_grooveKludge = false;
    m_pointForm = op.optype == 1 ? 0 : op.optype == 0 ? 1 : 2;
    const auto p = [&op](int n) { return static_cast<double>(op.p[static_cast<std::size_t>(n - 1)]); };
    const double tooldia = op.tooldia;
    const std::int64_t shape = platform::roundHalfEven(finite(op.tshape));
    if (op.optype != 0) {
        m_orientation = 3;
        const double r = op.cornerrad > op.tooldia ? 0.0 : static_cast<double>(op.cornerrad);
        if (shape == 0)
            line("CUTTER/ " + F(tooldia) + "," + F(r) + ",0,0,0,0," + F(p(1)));
        else
            line("CUTTER/ " + F(tooldia) + ",0.0,0,0," + F((180 - p(2)) / 2) + ",0," + F(p(1)));
    } else {
        m_orientation = static_cast<int>(platform::truncToInt(finite(op.lcomp)));
        double a = p(1) / 2 - p(2);
        if (m_orientation == 2)
            a = 180 - a;
        else if (m_orientation == 4)
            a = -a;
        else if (m_orientation == 5)
            a = a - 360;
        const auto f4 = [this](double v) { return F(v, 4); };
        switch (shape) {
        case 2: line("PPRINT/TURN DIAMOND " + f4(p(4)) + " " + f4(p(7)) + " " + f4(p(1)) + " " + f4(a)); break;
        case 3: line("PPRINT/TURN SQUARE " + f4(p(4)) + " " + f4(p(7)) + " " + f4(a)); break;
        case 4: line("PPRINT/TURN TRIANGLE " + f4(p(4)) + " " + f4(p(7)) + " " + f4(a)); break;
        case 5: line("PPRINT/TURN CIRCLE " + f4(p(7))); break;
        case 6:
            a = m_orientation > 3 ? 180 : 0;
            line("PPRINT/TURN TRIANGLE 0.002 " + f4(p(1) / 3.464) + " " + f4(a));
            m_orientation = 3;
            break;
        case 7: {
            m_grooveKludge = true;
            const double r = op.p[3] < MinGrooveRadius ? 0.0021 : p(4);
            op.tooldia = 2 * op.p[3]; // this export's copy only: the table keeps its diameter
            switch (m_orientation) {
            case 1: a = 90; break;
            case 2: a = 180; break;
            case 3: a = 90; break;
            case 4: a = -90; break;
            case 5: a = -180; break;
            case 6: a = 180; break;
            default: break;
            }
            if (m_orientation == 2 || m_orientation == 5)
                line("PPRINT/TURN GROOVE " + f4(r) + " " + f4(p(1)) + " " + f4(p(3)) + " " + f4(a));
            else
                line("PPRINT/TURN GROOVE " + f4(r) + " " + f4(p(3)) + " " + f4(p(1)) + " " + f4(a));
            break;
        }
        case 8: line("CUTTER/ " + F(p(4)) + ",0.0,0,0," + F((180 - p(1)) / 2) + ",0," + F(p(5))); break;
        default: break;
        }
    }
    line("LOADTL/ " + I(op.toolnum));
    line("SPINDL/ " + I(op.speed) + ",  CLW");
    line("FEDRAT/" + F(op.feed, 4) + ", " + (platform::roundHalfEven(finite(op.feedmode)) == 1 ? "IPM" : "IPR"));
    if (m_pointForm == 0)
        line("FROM/" + F(op.xhome) + "," + F(op.yhome) + "," + F(op.zhome));
    else
        line("FROM/" + F(op.xhome) + ",0.0," + F(op.zhome));
    m_noseRadius = static_cast<double>(op.tooldia) / 2;
}

void ClWriter::motionBlock(TMotionRecord r, bool first)
{
    if ((r.mode == ModeCW || r.mode == ModeCCW) && IsNearZero(r.radius))
        return; // an arc without a radius (a C-axis arc of a lathe) has no CL form
    if (m_grooveKludge && IsNearZero(r.ey))
        r.ey = 0.00001;
    const double n = m_noseRadius;
    double first_ = 0, second = 0; // offsets of the first and second coordinates
    switch (m_orientation) {
    case 1:
    case 6: first_ = n; second = n; break;
    case 2: first_ = n; second = -n; break;
    case 4: first_ = -n; second = n; break;
    case 5: first_ = -n; second = -n; break;
    default: break;
    }
    r.ex += first_; r.sx += first_; r.cx += first_;
    r.ey += second; r.sy += second; r.cy += second;

    const double feed = finite(r.feed);
    if (!IsNearZero(feed) && std::fabs(feed - m_lastFeed) >= NearZeroTolerance) {
        line("FEDRAT/" + F(feed, 4));
        m_lastFeed = feed;
    }
    switch (r.mode) {
    case ModeRapid:
        if (first) {
            line("RAPID");
            line("GOTO/" + point(r.sx, r.sy, r.sz));
        }
        line("RAPID");
        line("GOTO/" + point(r.ex, r.ey, r.ez));
        break;
    case ModeLinear:
        if (first)
            line("GOTO/" + point(r.sx, r.sy, r.sz));
        line("GOTO/" + point(r.ex, r.ey, r.ez));
        break;
    case ModeCW:
    case ModeCCW: {
        const char* d = r.mode == ModeCCW ? "1" : "-1";
        if (m_pointForm == 0) {
            // About the axis across the arc's plane; an arc of the XY plane sits at the
            // height the path last reached.
            const PlaneAxes p = arcAxes(r);
            RecordPoint c = centreOf(r);
            if (p.third == 2)
                c[2] = m_lastZ;
            std::array<std::string, 3> axis{"0", "0", "0"};
            axis[static_cast<std::size_t>(p.third)] = d;
            line("CIRCLE/ " + F(c[0]) + "," + F(c[1]) + "," + F(c[2]) + "," + axis[0] + "," + axis[1] + "," + axis[2] +
                 "," + F(r.radius));
            line("GOTO/ " + F(r.ex) + "," + F(r.ey) + "," + F(r.ez));
        } else {
            line("CIRCLE/ " + F(r.cy) + ",0.0," + F(r.cx) + ",0," + d + ",0," + F(r.radius));
            line("GOTO/" + F(r.ey) + ",0.0," + F(r.ex));
        }
        break;
    }
    case ModeCycle: {
        const std::string xy = "GOTO/ " + F(r.ex, 4) + "," + F(r.ey, 4) + ",";
        line("RAPID");
        line(xy + F(r.rplane));
        line(xy + F(r.ez));
        line("RAPID");
        line(xy + F(r.rplane));
        break;
    }
    case ModeThread: {
        const double k = m_orientation == 2 || m_orientation == 5 ? -ThreadFactor : ThreadFactor;
        line("THREAD/" + F(r.ey) + ",0.0," + F(r.ex) + "," + F(r.rplane) + "," + F(k * r.rplane));
        break;
    }
    default:
        break;
    }
    // The height the path last went to: a drilling cycle's hole ends back at its R plane.
    if (r.mode <= ModeCCW)
        m_lastZ = r.ez;
    else if (r.mode == ModeCycle)
        m_lastZ = r.rplane;
}

bool FiniteMotion(const TMotionRecord& r)
{
    for (double v : {r.cx, r.cy, r.cz, r.radius, r.ex, r.ey, r.ez, r.sx, r.sy, r.sz})
        if (!std::isfinite(v))
            return false;
    return true;
}

} // namespace

void ExchangeVerifySettings(VerifySettings& settings, platform::IniFile& ini, bool writing)
{
    const VerifySettings defaults;
    if (writing) {
        ini.writeInt(Section, "MTYPE", settings.mode);
        for (std::size_t i = 0; i < settings.edit.size(); ++i)
            ini.writeString(Section, "EDIT" + std::to_string(i + 1), settings.edit[i]);
        return;
    }
    settings.mode = ini.readInt(Section, "MTYPE", defaults.mode);
    for (std::size_t i = 0; i < settings.edit.size(); ++i)
        settings.edit[i] = ini.readString(Section, "EDIT" + std::to_string(i + 1), defaults.edit[i]);
}

bool CalculateExtents(const std::string& motionPath, VerifySettings& settings)
{
    const bool turning = settings.mode == 1;
    MotionReader reader;
    if (!reader.open(motionPath))
        return false;
    RecordPoint least{100000, 100000, 100000}, most{-100000, -100000, -100000};
    bool counted = false;
    const auto widen = [&](int axis, double value) {
        const auto k = static_cast<std::size_t>(axis);
        least[k] = std::min(least[k], value);
        most[k] = std::max(most[k], value);
        counted = true;
    };
    const auto widenTo = [&](const RecordPoint& point) {
        for (int k = 0; k < 3; ++k)
            widen(k, point[static_cast<std::size_t>(k)]);
    };
    TMotionRecord r;
    while (reader.read(r)) {
        if (r.opnum == -1 || !FiniteMotion(r))
            continue; // a move that is not on the part: no stock for it
        switch (r.mode) {
        case ModeRapid:
            if (turning)
                break;
            r.ez -= 0.1;
            [[fallthrough]];
        case ModeLinear:
        case ModeCycle:
            widenTo(endOf(r));
            break;
        case ModeCW:
        case ModeCCW: {
            if (IsNearZero(r.radius)) { // no circle of its own (a lathe's C-axis arc)
                widenTo(endOf(r));
                break;
            }
            // The arc's box in its plane; across the plane, its end.
            const PlaneAxes p = arcAxes(r);
            const RecordPoint start = startOf(r), end = endOf(r), c = centreOf(r);
            const auto f = static_cast<std::size_t>(p.first), g = static_cast<std::size_t>(p.second);
            double from = VectorAngle(start[f] - c[f], start[g] - c[g]);
            double to = VectorAngle(end[f] - c[f], end[g] - c[g]);
            if (r.mode == ModeCW)
                std::swap(from, to);
            const Extents box = ArcExtents(c[f], c[g], std::fabs(r.radius), from, to);
            widen(p.first, box.xmin);
            widen(p.first, box.xmax);
            widen(p.second, box.ymin);
            widen(p.second, box.ymax);
            widen(p.third, end[static_cast<std::size_t>(p.third)]);
            break;
        }
        default:
            break;
        }
    }
    if (!counted)
        return false;
    const double minx = least[0], miny = least[1], minz = least[2];
    const double maxx = most[0], maxy = most[1], maxz = most[2];
    const double o = StrToReal(settings.edit[6]);
    const auto put = [&settings](int field, double value) {
        settings.edit[static_cast<std::size_t>(field - 1)] = RealToShortStr(false, value);
    };
    if (turning) {
        put(2, maxx - minx + o);
        put(3, maxy * 2 + o);
    } else {
        put(1, minx - o);
        put(2, miny - o);
        put(3, maxz);
        put(4, (maxx + o) - (minx - o));
        put(5, (maxy + o) - (miny - o));
        put(6, minz - o - maxz);
    }
    return true;
}

ClExportResult WriteCLFile(const ClExportJob& job, ClProgress* progress)
{
    ClExportResult result;
    MotionReader reader;
    if (!reader.open(job.motionPath) || reader.count() == 0)
        return result;
    // Written beside the CL file and put in its place once whole, so that an export that
    // fails keeps the last good file, with its mode, and a link keeps pointing at it.
    platform::FileReplacement replacement;
    const platform::ReplaceResult begun = replacement.begin(job.clPath);
    platform::LineWriter out;
    if (!begun || !out.adopt(replacement.openStream(), replacement.temporaryPath())) {
        result.error = begun.error.empty() ? "Unable to create " + job.clPath : begun.error;
        return result;
    }
    // An export that is not committed leaves no file behind.
    const auto refuse = [&](const std::string& what) {
        out.close();
        if (progress)
            progress->finish();
        result.error = what + " holds a value that is not a number:\n" + job.clPath + " was not written";
        return result;
    };
    ClWriter writer(out);
    out.writeLine("PARTNO/" + job.ncFileName);
    out.writeLine("NSIDES/22");
    writer.stock(job.stock);
    if (writer.notANumber())
        return refuse("The stock");
    if (progress)
        progress->reset("Preparing Solid File ...");

    const std::int64_t total = reader.count();
    std::optional<TMotionRecord> held;
    const auto next = [&]() -> std::optional<TMotionRecord> {
        if (held) {
            std::optional<TMotionRecord> r = std::move(held);
            held.reset();
            return r;
        }
        TMotionRecord r;
        if (!reader.read(r))
            return std::nullopt;
        if (progress)
            progress->setPercent(static_cast<int>(platform::roundHalfEven(100.0 * static_cast<double>(reader.position()) /
                                                                          static_cast<double>(total))));
        return r;
    };
    const TOperationTable& table = *job.operations;
    for (int i = 1; TOperationTable::IsSlot(i) && !table.slot(i).empty() && (held || reader.position() < total); ++i) {
        const TOperationRecord& op = table.slot(i);
        const bool posted = TestFlagBit(op.flags, PostedBit);
        const std::string operation = "Operation " + std::to_string(op.opnum);
        if (posted)
            writer.toolBlock(op);
        if (writer.notANumber())
            return refuse(operation);
        bool first = true;
        while (std::optional<TMotionRecord> r = next()) {
            if (r->opnum != op.opnum) {
                held = std::move(r);
                break;
            }
            if (posted)
                writer.motionBlock(*r, first);
            if (writer.notANumber())
                return refuse("A move of " + operation);
            first = false;
        }
    }
    // Moves the walk passed by: their operation's slot came before them.
    while (std::optional<TMotionRecord> r = next())
        ++result.leftOut[r->opnum];
    out.writeLine("FINI");
    platform::ReplaceResult committed;
    committed.error = "Error writing " + job.clPath;
    if (out.close())
        committed = replacement.commit();
    if (progress)
        progress->finish();
    if (!committed) {
        result.error = committed.error.empty() ? "Error writing " + job.clPath : committed.error;
        return result;
    }
    result.written = true;
    return result;
}

} // namespace vork
