#include "analyzer/engine/drawing.h"

#include "math/engine/mathlib.h"
#include "platform/host.h"
#include "platform/numbers.h"
#include "platform/paths.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace vork {

namespace {

// Pixel coordinates stay well inside the range of int whatever the world coordinates.
constexpr double PixelLimit = 1e9;

int toPixel(double value)
{
    if (!(value > -PixelLimit))
        return static_cast<int>(-PixelLimit);
    if (value > PixelLimit)
        return static_cast<int>(PixelLimit);
    // Halves to even, as nearbyint in the default rounding: below 2^51 in size, adding
    // and taking away 1.5 * 2^52 leaves the value rounded to a whole number.
    constexpr double Rounder = 6755399441055744.0;
    return static_cast<int>((value + Rounder) - Rounder);
}

// Degrees to radians as the analyzer's expressions know it.
constexpr double DegreesToRadians = 0.017453292519943295;

PathArc ArcOfRecords(const TDisplayRecord& centre, const TDisplayRecord& sweep)
{
    PathArc arc;
    arc.centreFirst = centre.p1;
    arc.centreSecond = centre.p2;
    arc.radius = centre.p3;
    arc.startAngle = centre.p4;
    arc.sweep = sweep.p1;
    arc.height = sweep.p2;
    arc.rise = sweep.p3;
    arc.plane = static_cast<int>(platform::roundHalfEven(sweep.p4));
    return arc;
}

std::pair<TDisplayRecord, TDisplayRecord> RecordsOfArc(const PathArc& arc)
{
    const auto f = [](double v) { return static_cast<float>(v); };
    return {{DisplayArc, f(arc.centreFirst), f(arc.centreSecond), f(arc.radius), f(arc.startAngle)},
            {DisplayArcSweep, f(arc.sweep), f(arc.height), f(arc.rise), f(arc.plane)}};
}

} // namespace

Trwindow::Trwindow() = default;

Trwindow::~Trwindow() = default;

// ---- Display file -------------------------------------------------------------------

void Trwindow::SetDfDir(const std::string& folder) { DFDir = folder; }

std::string Trwindow::displayFilePath() const
{
    std::string folder = DFDir;
    std::replace(folder.begin(), folder.end(), '\\', '/');
    return platform::joinPath(folder, DisplayFileName);
}

void Trwindow::reportFileError(const std::string& text)
{
    m_fileError = text;
    if (m_prompter)
        m_prompter->message("Display File", text, platform::MessageKind::Error, platform::Buttons::Ok);
}

bool Trwindow::OpenDisplayFile()
{
    const std::string path = displayFilePath();
    if (!dfile.create(path)) {
        dfopen = false;
        reportFileError("Unable to write to " + path);
        return false;
    }
    dfopen = true;
    return true;
}

bool Trwindow::ReOpenDisplayFile()
{
    const std::string path = displayFilePath();
    if (!dfile.openForReading(path)) {
        dfopen = false;
        reportFileError("Unable to read " + path);
        return false;
    }
    dfopen = true;
    return true;
}

void Trwindow::record(std::int32_t code, double p1, double p2, double p3, double p4)
{
    // A window that only replays another window's file never writes into it.
    if (!dfopen || m_measuring || !dfile.isWritable())
        return;
    const TDisplayRecord rec{code, static_cast<float>(p1), static_cast<float>(p2), static_cast<float>(p3),
                             static_cast<float>(p4)};
    if (!dfile.append(rec)) {
        dfopen = false;
        reportFileError("Unable to write to " + dfile.path());
    }
}

void Trwindow::PlayDisplay(Canvas& canvas)
{
    const bool recording = dfopen;
    dfopen = false;
    if (dfile.isWritable() && !dfile.flush())
        reportFileError("Unable to write to " + dfile.path());
    if (dfile.rewind()) {
        TDisplayRecord rec;
        while (dfile.readNext(rec)) {
            switch (rec.code) {
            case DisplayMove: Moveto(canvas, rec.p1, rec.p2, rec.p3); break;
            case DisplayLine: Lineto(canvas, rec.p1, rec.p2, rec.p3); break;
            case DisplayColor: SetColor(canvas, static_cast<int>(platform::roundHalfEven(rec.p1))); break;
            case DisplayLineStyle: Setlinestyle(canvas, static_cast<int>(platform::roundHalfEven(rec.p1))); break;
            case DisplayPenWidth: SetPenWidth(canvas, rec.p1); break;
            case DisplayArc: m_arcCentre = rec; break;
            case DisplayArcSweep:
                if (m_arcCentre.code == DisplayArc)
                    drawArcChords(canvas, ArcOfRecords(m_arcCentre, rec));
                m_arcCentre = {};
                break;
            default: break;
            }
        }
    }
    dfopen = recording;
}

// ---- Set-up -------------------------------------------------------------------------

void Trwindow::Init(Canvas& canvas)
{
    canvas.refresh();
    canvas.setPenStyle(PenStyle::Solid);
    Pencolor = 1;
    canvas.setPenColor(PaletteColor(Pencolor));
    canvas.setPenWidth(1);
    xpos = ypos = zpos = 0;
    a = 1;
    c = 1;
    aspectratio = 1;
    ThreeDMode = false;
    dfopen = false;
}

void Trwindow::SetupCanvas(Canvas& canvas)
{
    canvas.refresh();
    const PixelRect r = canvas.clipRect();
    if (IsNearZero(extxx - extx))
        extxx = extx + 1;
    if (IsNearZero(extyy - exty))
        extyy = exty + 1;
    a = (r.right - r.left) / (extxx - extx);
    b = r.left - a * extx;
    c = (r.top - r.bottom) / (extyy - exty);
    d = r.bottom - c * exty;
    xdpi = canvas.dpiX();
    ydpi = canvas.dpiY();
    Pheight = ydpi > 0 ? (r.bottom - r.top) / static_cast<double>(ydpi) : 0.0;
    Pwidth = xdpi > 0 ? (r.right - r.left) / static_cast<double>(xdpi) : 0.0;
    if (IsNearZero(a))
        a = 1;
    if (IsNearZero(c))
        c = 1;
}

void Trwindow::SetExt(double x, double y, double xx, double yy)
{
    const double aspect = std::isfinite(aspectratio) && !IsNearZero(aspectratio) ? aspectratio : 1.0;
    const double w = xx - x;
    const double h = (yy - y) * aspect;
    if (w > h) {
        const double pad = (w - h) / 2 / aspect;
        extx = x;
        extxx = xx;
        exty = y - pad;
        extyy = yy + pad;
    } else {
        const double pad = (h - w) / 2;
        extx = x - pad;
        extxx = xx + pad;
        exty = y;
        extyy = y + h / aspect;
    }
    clb = extx;
    cbb = exty;
    crb = extxx;
    ctb = extyy;
}

void Trwindow::SetAspect(double w, double h)
{
    const double ratio = h != 0.0 ? w / h : 0.0;
    aspectratio = std::isfinite(ratio) && ratio != 0.0 ? ratio : 1.0;
}

void Trwindow::SetLatheMode(bool on)
{
    if (on)
        ThreeDMode = false;
    LatheMode = on;
}

void Trwindow::SetThreeD(bool on, double x, double y, double z)
{
    if (!on) {
        ThreeDMode = false;
        return;
    }
    ThreeDMode = true;
    double rho = std::sqrt(x * x + y * y + z * z);
    if (IsNearZero(rho)) {
        x = -50;
        y = -50;
        z = 50;
        rho = std::sqrt(7500.0);
    }
    const double theta = std::atan2(x, y);
    const double phi = ArcCosine(z / rho);
    RHO = rho;
    Dist = rho;
    D3_Sin1 = std::sin(theta);
    D3_Cos1 = std::cos(theta);
    D3_Sin2 = std::sin(phi);
    D3_Cos2 = std::cos(phi);
    xeye = x;
    yeye = y;
    zeye = z;
}

bool Trwindow::Move3dEye(double dx, double dy, double& eyeX, double& eyeY, double& eyeZ)
{
    const double rho = std::sqrt(eyeX * eyeX + eyeY * eyeY + eyeZ * eyeZ);
    if (IsNearZero(rho))
        return false;
    double azimuth = VectorAngle(eyeX, eyeY);
    if (azimuth == NoAngle)
        azimuth = 0.0; // looking straight down or up: any azimuth will do
    double polar = ArcCosine(eyeZ / rho);
    if (!IsNearZero(dy))
        polar += dy * DegreesToRadians;
    if (!IsNearZero(dx))
        azimuth += dx * DegreesToRadians;
    eyeX = rho * std::sin(polar) * std::cos(azimuth);
    eyeY = rho * std::sin(polar) * std::sin(azimuth);
    eyeZ = rho * std::cos(polar);
    return true;
}

// ---- Pen ----------------------------------------------------------------------------

void Trwindow::Setlinestyle(Canvas& canvas, int style)
{
    record(DisplayLineStyle, style);
    canvas.setPenStyle(PenStyleOf(style));
}

void Trwindow::SetColor(Canvas& canvas, int paletteIndex)
{
    record(DisplayColor, paletteIndex);
    Pencolor = paletteIndex;
    canvas.setPenColor(PaletteColor(paletteIndex));
}

void Trwindow::SetPenWidth(Canvas& canvas, double worldWidth)
{
    record(DisplayPenWidth, worldWidth);
    int width = 1;
    if (worldWidth > 0) {
        int x0 = 0, xw = 0, y = 0;
        WorldtoPC(0, 0, x0, y);
        WorldtoPC(worldWidth, 0, xw, y);
        width = std::max(1, std::abs(xw - x0));
    }
    canvas.setPenWidth(width);
}

void Trwindow::Clearcanvas(Canvas& canvas)
{
    if (dfopen && dfile.isWritable()) {
        const std::string path = dfile.path();
        if (!dfile.create(path)) {
            dfopen = false;
            reportFileError("Unable to write to " + path);
        }
    }
    canvas.refresh();
    canvas.fillRect(canvas.clipRect(), PaletteColor(BlackScreen ? PaletteBlack : PaletteWhite));
}

// ---- Coordinates --------------------------------------------------------------------

PixelPoint Trwindow::toPixels(double xw, double yw) const { return {toPixel(a * xw + b), toPixel(c * yw + d)}; }

void Trwindow::WorldtoPC(double xw, double yw, int& xpc, int& ypc) const
{
    const PixelPoint p = toPixels(xw, yw);
    xpc = p.x;
    ypc = p.y;
}

void Trwindow::pctoworld(int xpc, int ypc, double& xw, double& yw) const
{
    xw = (xpc - b) / a;
    yw = (ypc - d) / c;
    if (!std::isfinite(xw) || !std::isfinite(yw)) {
        xw = 0;
        yw = 0;
    }
}

double Trwindow::Getscale() const
{
    const double width = extxx - extx;
    if (IsNearZero(width))
        return 1.0;
    const double scale = Pwidth / width;
    return IsNearZero(scale) ? 1.0 : scale;
}

void Trwindow::LatheCoords(double& x, double& y, double& z) const
{
    if (!LatheMode)
        return;
    const double oldX = x;
    const double oldY = y;
    x = z;
    y = oldX;
    z = oldY;
}

double Trwindow::eyeDepth(const Point3& p) const
{
    return RHO - p.x * D3_Sin2 * D3_Cos1 - p.y * D3_Sin1 * D3_Sin2 - p.z * D3_Cos2;
}

// Points closer to the eye than this are not projected.
double Trwindow::nearPlane() const { return std::max(1e-9, RHO * 1e-3); }

bool Trwindow::ThreeD(double& x, double& y, double z) const
{
    const double w = eyeDepth({x, y, z});
    if (!(w >= nearPlane()))
        return false;
    const double u = -x * D3_Sin1 + y * D3_Cos1;
    const double v = -x * D3_Cos1 * D3_Cos2 - y * D3_Sin1 * D3_Cos2 + z * D3_Sin2;
    x = Dist * u / w;
    y = Dist * v / w;
    return true;
}

// Cuts the part of the segment that lies behind the near plane, then projects both
// ends; false when the whole segment lies behind it.
bool Trwindow::projectSegment(Point3& from, Point3& to) const
{
    const double nearW = nearPlane();
    const double wFrom = eyeDepth(from);
    const double wTo = eyeDepth(to);
    if (!(wFrom >= nearW) && !(wTo >= nearW))
        return false;
    const auto cut = [&](Point3& behind, const Point3& front, double wBehind, double wFront) {
        const double t = (nearW - wBehind) / (wFront - wBehind);
        behind = {behind.x + t * (front.x - behind.x), behind.y + t * (front.y - behind.y),
                  behind.z + t * (front.z - behind.z)};
    };
    if (!(wFrom >= nearW))
        cut(from, to, wFrom, wTo);
    else if (!(wTo >= nearW))
        cut(to, from, wTo, wFrom);
    // After the cut a point may sit a rounding error in front of the plane.
    const auto project = [&](Point3& p) {
        const double w = std::max(eyeDepth(p), nearW);
        const double u = -p.x * D3_Sin1 + p.y * D3_Cos1;
        const double v = -p.x * D3_Cos1 * D3_Cos2 - p.y * D3_Sin1 * D3_Cos2 + p.z * D3_Sin2;
        p.x = Dist * u / w;
        p.y = Dist * v / w;
    };
    project(from);
    project(to);
    return true;
}

// ---- Drawing ------------------------------------------------------------------------


void Trwindow::DrawPathArc(Canvas& canvas, const PathArc& arc)
{
    const auto [centre, sweep] = RecordsOfArc(arc);
    record(centre.code, centre.p1, centre.p2, centre.p3, centre.p4);
    record(sweep.code, sweep.p1, sweep.p2, sweep.p3, sweep.p4);
    drawArcChords(canvas, ArcOfRecords(centre, sweep));
}

void Trwindow::drawArcChords(Canvas& canvas, const PathArc& arc)
{
    const bool recording = dfopen;
    dfopen = false;
    const Pen& pen = canvas.pen();
    const bool patterned = pen.style != PenStyle::Solid && pen.width > 1;
    if (ThreeDMode || m_measuring || patterned || !arcInsideWindow(arc)) {
        ForEachArcChord(arc, Getscale(), [&](double x, double y, double z) { Lineto(canvas, x, y, z); });
        dfopen = recording;
        return;
    }
    // In a plane view with the whole arc in the window, each chord is what Lineto would
    // draw, without its clipping: the ends map straight to pixels, each end once, and
    // the canvas takes the chords in runs.
    constexpr std::size_t RunLength = 256;
    m_chordRun.resize(RunLength);
    PixelPoint* run = m_chordRun.data();
    std::size_t held = 0;
    run[held++] = toPixels(xpos, ypos);
    double lowX = std::min(dextx, xpos), highX = std::max(dextxx, xpos);
    double lowY = std::min(dexty, ypos), highY = std::max(dextyy, ypos);
    double lastX = xpos, lastY = ypos, lastZ = zpos;
    ForEachArcChord(arc, Getscale(), [&](double x, double y, double z) {
        LatheCoords(x, y, z);
        lowX = std::min(lowX, x);
        highX = std::max(highX, x);
        lowY = std::min(lowY, y);
        highY = std::max(highY, y);
        if (held == RunLength) {
            canvas.drawChords(run, held);
            run[0] = run[held - 1];
            held = 1;
        }
        run[held++] = toPixels(x, y);
        lastX = x;
        lastY = y;
        lastZ = z;
    });
    if (held > 1) {
        canvas.drawChords(run, held);
        xpos = lastX;
        ypos = lastY;
        zpos = lastZ;
        dextx = lowX;
        dextxx = highX;
        dexty = lowY;
        dextyy = highY;
    }
    dfopen = recording;
}

// Whether every chord end of the arc, and the position it starts from, lies inside the
// clip box of a plane view.
bool Trwindow::arcInsideWindow(const PathArc& arc) const
{
    double low[3], high[3];
    static constexpr int Axes[3][3] = {{0, 1, 2}, {2, 0, 1}, {1, 2, 0}};
    const int* axes = Axes[std::clamp(arc.plane, 0, 2)];
    low[axes[0]] = arc.centreFirst - arc.radius;
    high[axes[0]] = arc.centreFirst + arc.radius;
    low[axes[1]] = arc.centreSecond - arc.radius;
    high[axes[1]] = arc.centreSecond + arc.radius;
    low[axes[2]] = std::min(arc.height, arc.height + arc.rise);
    high[axes[2]] = std::max(arc.height, arc.height + arc.rise);
    double x0 = low[0], y0 = low[1], z0 = low[2], x1 = high[0], y1 = high[1], z1 = high[2];
    LatheCoords(x0, y0, z0);
    LatheCoords(x1, y1, z1);
    const auto inside = [&](double x, double y) { return clb <= x && x <= crb && cbb <= y && y <= ctb; };
    return inside(x0, y0) && inside(x1, y1) && inside(xpos, ypos);
}

void Trwindow::Moveto(Canvas& canvas, double x, double y, double z)
{
    record(DisplayMove, x, y, z);
    LatheCoords(x, y, z);
    double px = x;
    double py = y;
    const bool visible = !m_measuring && (!ThreeDMode || ThreeD(px, py, z));
    if (visible && extx <= px && px <= extxx && exty <= py && py <= extyy) {
        const PixelPoint p = toPixels(px, py);
        canvas.moveTo(p.x, p.y);
    }
    xpos = x;
    ypos = y;
    zpos = z;
}

void Trwindow::Lineto(Canvas& canvas, double x, double y, double z)
{
    const Pen saved = canvas.pen();
    record(DisplayLine, x, y, z);
    LatheCoords(x, y, z);
    Point3 n{x, y, z};
    Point3 p{xpos, ypos, zpos};
    const bool visible = !ThreeDMode || projectSegment(n, p);
    if (visible && clipLine(n.x, n.y, p.x, p.y) != 2 && !m_measuring) {
        const PixelPoint start = toPixels(n.x, n.y);
        canvas.moveTo(start.x, start.y);
        if (saved.style == PenStyle::Solid || saved.width <= 1) {
            const PixelPoint end = toPixels(p.x, p.y);
            canvas.lineTo(end.x, end.y);
        } else {
            drawPattern(canvas, n.x, n.y, p.x, p.y, saved.style);
        }
    }
    xpos = x;
    ypos = y;
    zpos = z;
    canvas.setPen(saved);
}

int Trwindow::outcode(double x, double y) const
{
    int code = 0;
    if (y > ctb)
        code |= 8;
    else if (y < cbb)
        code |= 4;
    if (x > crb)
        code |= 2;
    else if (x < clb)
        code |= 1;
    return code;
}

int Trwindow::clipLine(double& x1, double& y1, double& x2, double& y2)
{
    dextx = std::min({dextx, x1, x2});
    dextxx = std::max({dextxx, x1, x2});
    dexty = std::min({dexty, y1, y2});
    dextyy = std::max({dextyy, y1, y2});

    int code1 = outcode(x1, y1);
    int code2 = outcode(x2, y2);
    if (code1 == 0 && code2 == 0)
        return 0;
    if ((code1 & code2) != 0)
        return 2;
    // Each pass puts one end on one more edge, so four passes per end suffice.
    for (int pass = 0; pass < 8 && (code1 != 0 || code2 != 0); ++pass) {
        if (code1 == 0) {
            std::swap(x1, x2);
            std::swap(y1, y2);
            std::swap(code1, code2);
        }
        if (code1 & 8) {
            x1 += (x2 - x1) * (ctb - y1) / (y2 - y1);
            y1 = ctb;
        } else if (code1 & 4) {
            x1 += (x2 - x1) * (cbb - y1) / (y2 - y1);
            y1 = cbb;
        } else if (code1 & 2) {
            y1 += (y2 - y1) * (crb - x1) / (x2 - x1);
            x1 = crb;
        } else {
            y1 += (y2 - y1) * (clb - x1) / (x2 - x1);
            x1 = clb;
        }
        code1 = outcode(x1, y1);
        if ((code1 & code2) != 0)
            return 2;
    }
    return 1;
}

void Trwindow::drawPattern(Canvas& canvas, double nx, double ny, double px, double py, PenStyle style)
{
    Pen solid = canvas.pen();
    solid.style = PenStyle::Solid;
    canvas.setPen(solid);

    double step = 0.15 * Getscale();
    if (style == PenStyle::Dot) {
        double x0 = 0, xw = 0, y = 0;
        pctoworld(0, 0, x0, y);
        pctoworld(solid.width, 0, xw, y);
        step = 1.25 * Getscale() * std::fabs(xw - x0);
    }
    // Never finer than one device pixel, however the view is scaled.
    if (a != 0.0)
        step = std::max(step, 1.0 / std::fabs(a));

    const double length = Distance2D(nx, ny, px, py);
    const double direction = VectorAngle(px - nx, py - ny);
    const double cosDir = direction == NoAngle ? 0.0 : std::cos(direction);
    const double sinDir = direction == NoAngle ? 0.0 : std::sin(direction);
    double s = std::min(length, step);
    bool drawn = true;
    int pieces = 0;
    while (s <= length) {
        const PixelPoint at = toPixels(nx + s * cosDir, ny + s * sinDir);
        if (drawn)
            canvas.lineTo(at.x, at.y);
        else
            canvas.moveTo(at.x, at.y);
        drawn = !drawn;
        ++pieces;
        if (length - s < step && !IsNearZero(length - s))
            s = length;
        else if (style == PenStyle::Dot && !drawn)
            s = std::min(s + 2 * step, length); // gaps twice as long as dots
        else if (style == PenStyle::DashDotDot && pieces % 3 == 0 && drawn)
            s = std::min(s + 2.5 * step, length); // every third dash is long
        else
            s += step;
    }
}

// ---- Drawn extents ------------------------------------------------------------------

void Trwindow::Reset_Drawn_Extents()
{
    dextx = 10000;
    dextxx = -10000;
    dexty = 10000;
    dextyy = -10000;
}

void Trwindow::Get_Extents_Drawn(double& x, double& y, double& xx, double& yy, double frame) const
{
    const double w = dextxx - dextx;
    const double h = dextyy - dexty;
    x = dextx - frame * w;
    xx = dextxx + frame * w;
    y = dexty - frame * h;
    yy = dextyy + frame * h;
}

void Trwindow::Set_Extents_To_Drawn(double frame)
{
    // Nothing drawn yet (only moves), or all of it on one point: there is nothing to
    // fit, and the reset extents would make an empty, mirrored window.
    if (dextx > dextxx || dexty > dextyy || (IsNearZero(dextxx - dextx) && IsNearZero(dextyy - dexty)))
        return;
    double x = 0, y = 0, xx = 0, yy = 0;
    Get_Extents_Drawn(x, y, xx, yy, frame);
    SetExt(x, y, xx, yy);
}

} // namespace vork
