#include "analyzer/engine/tool_image.h"

#include "analyzer/engine/drawing.h"

#include <cmath>

namespace vork {

namespace {

constexpr double Degree = Pi / 180.0;

struct Point2 {
    double u = 0, v = 0;
};

// The crossing of the line through `from` in direction `angle` with another line;
// nothing when they do not meet.
bool meet(Point2 from, double angle, Point2 a, Point2 b, Point2& at)
{
    const Intersection i =
        LineLineIntersect(from.u, from.v, from.u + std::cos(angle), from.v + std::sin(angle), a.u, a.v, b.u, b.v);
    if (i.status != 0)
        return false;
    at = {i.x1, i.y1};
    return true;
}

bool meetVertical(Point2 from, double angle, double u, Point2& at) { return meet(from, angle, {u, 0}, {u, 1}, at); }
bool meetHorizontal(Point2 from, double angle, double v, Point2& at) { return meet(from, angle, {0, v}, {1, v}, at); }

// Length of a point of the given included angle (degrees) on a tool of this radius: a
// near-zero angle takes the usual one, and an angle that leaves no cone (180 degrees or
// more, or negative) gives a flat end.
double coneLength(double radius, double angleDegrees, double usualDegrees)
{
    if (IsNearZero(angleDegrees))
        angleDegrees = usualDegrees;
    if (!(angleDegrees > 0 && angleDegrees < 180))
        return 0;
    return radius / std::tan(angleDegrees * Degree / 2);
}

// The counter-clockwise sweep of an arc element, a whole turn for a full circle.
double arcSweep(const TEntityRecord& e)
{
    double sweep = e.val5 - e.val4;
    if (sweep < 0)
        sweep += TwoPi;
    if (IsFullCircle(e) && IsNearZero(sweep))
        sweep = TwoPi;
    return sweep;
}

} // namespace

std::string ToolTypeName(int type)
{
    static const char* const names[] = {"End Mill", "Drill",     "Diamond", "Square",     "Triangle",
                                        "Round",    "Threading", "Groove",  "Lathe Drill"};
    return type >= 0 && type <= 8 ? names[type] : "";
}

void MirrorPoint(double& x, double& y, double px, double py, double a)
{
    const double d = PointLineDistance(x, y, px, py, px + std::cos(a), py + std::sin(a));
    x += 2 * d * std::cos(a + HalfPi);
    y += 2 * d * std::sin(a + HalfPi);
}

void OffsetSegment(double& x1, double& y1, double& x2, double& y2, double d)
{
    const double a = VectorAngle(x2 - x1, y2 - y1);
    if (a == NoAngle)
        return;
    const double du = d * std::cos(a - HalfPi);
    const double dv = d * std::sin(a - HalfPi);
    x1 += du;
    y1 += dv;
    x2 += du;
    y2 += dv;
}

void TToolImage::ResetToolImage()
{
    m_elements.clear();
    ForgetLastPosition();
}

void TToolImage::AddToolElement(int kind, double p1, double p2, double p3, double p4, double p5, double p6)
{
    if (static_cast<int>(m_elements.size()) >= MaxToolElements)
        return;
    TEntityRecord e;
    e.kind = static_cast<std::uint8_t>(kind);
    e.val1 = p1;
    e.val2 = p2;
    e.val3 = p3;
    if (kind == EntityArc) {
        e.val6 = p4;
        e.val4 = p5;
        e.val5 = p6;
    } else if (kind == EntityLine) {
        e.val4 = p4;
        e.val5 = p5;
        e.val6 = p6;
    }
    m_elements.push_back(e);
}

void TToolImage::BuildMillToolImage(bool drill, double diameter, double cornerRadius, double length,
                                    double pointAngle)
{
    const double r = diameter / 2;
    const double c = cornerRadius;
    const double h = length;
    const auto side = [&](int n, double& x, double& y) {
        const double a = n * 45 * Degree;
        x = r * std::cos(a);
        y = r * std::sin(a);
    };
    double x = 0, y = 0;
    if (drill) {
        const double tip = coneLength(r, pointAngle, 118);
        if (h > 0) {
            addCircle(0, 0, tip, r);
            addCircle(0, 0, h, r);
            for (int n = 0; n < 8; ++n) {
                side(n, x, y);
                addLine(x, y, tip, x, y, c + h);
                addLine(x, y, tip, 0, 0, 0);
            }
        }
    } else {
        if (h > 0) {
            for (int n = 0; n < 8; ++n) {
                side(n, x, y);
                addLine(x, y, c, x, y, c + h);
            }
            addCircle(0, 0, c + h, r);
        }
        addCircle(0, 0, c, r);
        if (c > 0 && c < r)
            addCircle(0, 0, 0, r - c);
        if (c > 0) {
            // The corner's quarter circle in four half-planes, ten chords of 10 degrees
            // each, the last running 10 degrees past the side.
            const double k = r - c;
            for (int n = 1; n >= -8; --n) {
                const double t0 = (n - 1) * 10 * Degree;
                const double t1 = n * 10 * Degree;
                const double x0 = k + c * std::cos(t0), z0 = c + c * std::sin(t0);
                const double x1 = k + c * std::cos(t1), z1 = c + c * std::sin(t1);
                addLine(x0, 0, z0, x1, 0, z1);
                addLine(-x0, 0, z0, -x1, 0, z1);
                addLine(0, x0, z0, 0, x1, z1);
                addLine(0, -x0, z0, 0, -x1, z1);
            }
        }
    }
    RotateToolImage(10, 0, 0);
}

void TToolImage::BuildLatheToolImage(int shape, int orientation, const std::array<double, 7>& p)
{
    if (orientation < OdTurning || orientation > Facing)
        orientation = OdTurning;
    switch (shape) {
    case LatheDiamond:
    case LatheSquare:
    case LatheTriangle:
        addInsertWithAngle(p);
        orient(orientation);
        break;
    case LatheRound:
        addRoundInsert(p);
        orient(orientation);
        break;
    case LatheThreading:
        addThreadingInsert(orientation, p);
        break;
    case LatheGrooving:
        addGroovingInsert(orientation, p);
        break;
    case LatheDrill:
        addLatheDrill(p);
        break;
    default:
        break;
    }
}

void TToolImage::addInsertWithAngle(const std::array<double, 7>& p)
{
    const double al = p[0] * Degree, be = p[1] * Degree, r = p[3];
    const double start = be + Pi, end = TwoPi - al + be;
    AddToolElement(EntityArc, r, r, 0, r, start, end);

    // An intersection that does not exist (parallel lines) leaves out the lines that
    // would need its point.
    const Point2 e1{r + r * std::cos(end), r + r * std::sin(end)};
    Point2 i1;
    const bool firstFlank = meetVertical(e1, end + HalfPi, p[5], i1);
    if (firstFlank) {
        addLine(e1.u, e1.v, 0, i1.u, i1.v, 0);
        addLine(i1.u, i1.v, 0, i1.u, p[4], 0);
        addLine(i1.u, p[4], 0, p[2], p[4], 0);
    }

    const Point2 s1{r + r * std::cos(start), r + r * std::sin(start)};
    Point2 i2, i3, flankEnd;
    bool secondFlank = true;
    if (meetHorizontal(s1, HalfPi + be, p[5], i3) && i3.u < p[2]) {
        addLine(s1.u, s1.v, 0, i3.u, i3.v, 0);
        addLine(i3.u, i3.v, 0, p[2], p[5], 0);
        addLine(p[2], p[5], 0, p[2], p[4], 0);
        flankEnd = i3;
    } else if (meetVertical(s1, HalfPi + be, p[2], i2)) {
        addLine(s1.u, s1.v, 0, i2.u, i2.v, 0);
        addLine(i2.u, i2.v, 0, p[2], p[4], 0);
        flankEnd = i2;
    } else {
        secondFlank = false;
    }

    if (firstFlank && secondFlank) {
        Point2 a0 = e1, a1 = i1, b0 = s1, b1 = flankEnd;
        OffsetSegment(a0.u, a0.v, a1.u, a1.v, -p[6] / 2);
        OffsetSegment(b0.u, b0.v, b1.u, b1.v, p[6] / 2);
        const Intersection centre = LineLineIntersect(a0.u, a0.v, a1.u, a1.v, b0.u, b0.v, b1.u, b1.v);
        if (centre.status == 0)
            addCircle(centre.x1, centre.y1, 0, p[6] / 2);
    }
}

void TToolImage::addRoundInsert(const std::array<double, 7>& p)
{
    const double be = p[1] * Degree, r = p[3];
    addCircle(r, r, 0, r);
    const Intersection cut = LineCircleIntersect(p[2], 0, p[2], 1, r, r, r);
    if (cut.status == 0) {
        Point2 q{cut.x1, cut.y1};
        if (!cut.tangent && cut.y2 > cut.y1)
            q = {cut.x2, cut.y2};
        addLine(q.u, q.v, 0, q.u, p[4], 0);
        addLine(q.u, p[4], 0, p[5], p[4], 0);
    }
    const double ta = ThreeHalfPi + be;
    const Point2 t{r + r * std::cos(ta), r + r * std::sin(ta)};
    Point2 i;
    if (meetVertical(t, be, p[5], i)) {
        addLine(t.u, t.v, 0, i.u, i.v, 0);
        addLine(i.u, i.v, 0, i.u, p[4], 0);
    }
}

// The holder of a threading or grooving insert above its cutting edge (OD work): from
// the edge's left end at height `tip` round to its right end.
void TToolImage::addOdHolder(double width, double extension, double length, double holderWidth, double tip)
{
    addLine(0, tip, 0, 0, length, 0);
    addLine(0, length, 0, holderWidth, length, 0);
    addLine(holderWidth, length, 0, holderWidth, extension, 0);
    addLine(holderWidth, extension, 0, width, extension, 0);
    addLine(width, extension, 0, width, tip, 0);
}

// The same holder for ID work, lying along u from the edge's right end back to the
// origin; the picture is then moved below the reference point.
void TToolImage::addIdHolder(int orientation, double width, double extension, double length, double holderWidth,
                             double tip)
{
    addLine(width, holderWidth - tip, 0, width, holderWidth - extension, 0);
    addLine(width, holderWidth - extension, 0, length, holderWidth - extension, 0);
    addLine(length, holderWidth - extension, 0, length, 0, 0);
    addLine(length, 0, 0, 0, 0, 0);
    TranslateToolImage(0, -holderWidth);
    if (orientation == IdBackTurn)
        MirrorToolImage(0, 0, 0, 1);
}

void TToolImage::orientOdInsert(int orientation)
{
    if (orientation == OdBackTurn || orientation == Facing)
        MirrorToolImage(0, 0, 0, 1);
    if (orientation == Facing)
        RotateToolImage(-90, 0, 0);
}

void TToolImage::addThreadingInsert(int orientation, const std::array<double, 7>& p)
{
    const double w = p[0], ext = p[2], inset = p[3], len = p[4], hw = p[5];
    const double h = coneLength(inset, p[1], 60);
    if (orientation == IdBoring || orientation == IdBackTurn) {
        addLine(0, 0, 0, 0, hw - h, 0);
        addLine(0, hw - h, 0, inset, hw, 0);
        addLine(inset, hw, 0, w, hw - h, 0);
        addIdHolder(orientation, w, ext, len, hw, h);
        return;
    }
    addOdHolder(w, ext, len, hw, h);
    addLine(w, h, 0, inset, 0, 0);
    addLine(inset, 0, 0, 0, h, 0);
    orientOdInsert(orientation);
}

void TToolImage::addGroovingInsert(int orientation, const std::array<double, 7>& p)
{
    const double w = p[0], ext = p[2], cr = p[3], len = p[4], hw = p[5];
    const bool corners = cr > 0;
    const bool bottom = w > 2 * cr;
    if (orientation == IdBoring || orientation == IdBackTurn) {
        addLine(0, 0, 0, 0, hw - cr, 0);
        if (corners)
            AddToolElement(EntityArc, cr, hw - cr, 0, cr, HalfPi, Pi);
        if (bottom)
            addLine(cr, hw, 0, w - cr, hw, 0);
        if (corners)
            AddToolElement(EntityArc, w - cr, hw - cr, 0, cr, 0, HalfPi);
        addIdHolder(orientation, w, ext, len, hw, cr);
        return;
    }
    addOdHolder(w, ext, len, hw, cr);
    if (corners)
        AddToolElement(EntityArc, w - cr, cr, 0, cr, ThreeHalfPi, TwoPi);
    if (bottom)
        addLine(w - cr, 0, 0, cr, 0, 0);
    if (corners)
        AddToolElement(EntityArc, cr, cr, 0, cr, Pi, ThreeHalfPi);
    orientOdInsert(orientation);
}

void TToolImage::addLatheDrill(const std::array<double, 7>& p)
{
    const double r = p[3] / 2, len = p[4];
    const double t = coneLength(r, p[0], 118);
    addLine(0, 0, 0, t, r, 0);
    addLine(0, 0, 0, t, -r, 0);
    addLine(t, r, 0, t, -r, 0);
    addLine(t, r, 0, len, r, 0);
    addLine(t, -r, 0, len, -r, 0);
    // The break symbol at the shank end.
    AddToolElement(EntityArc, len, r / 2, 0, r / 2, ThreeHalfPi, TwoPi);
    AddToolElement(EntityArc, len, r / 2, 0, r / 2, 0, HalfPi);
    AddToolElement(EntityArc, len, -r / 2, 0, r / 2, HalfPi, ThreeHalfPi);
}

void TToolImage::orient(int orientation)
{
    switch (orientation) {
    case IdBoring:
        RotateToolImage(-90, 0, 0);
        break;
    case OdBackTurn:
        MirrorToolImage(0, 0, 0, 1);
        break;
    case IdBackTurn:
        RotateToolImage(-90, 0, 0);
        MirrorToolImage(0, 0, 0, 1);
        break;
    case Facing:
        MirrorToolImage(0, 0, 0, 1);
        RotateToolImage(-90, 0, 0);
        break;
    default:
        break;
    }
}

void TToolImage::RotateToolImage(double degrees, double cx, double cy)
{
    const double a = degrees * Degree;
    for (TEntityRecord& e : m_elements) {
        RotatePoint(e.val1, e.val2, cx, cy, a);
        if (e.kind == EntityLine)
            RotatePoint(e.val4, e.val5, cx, cy, a);
        if (e.kind == EntityArc && !IsFullCircle(e)) {
            e.val4 += a;
            e.val5 += a;
            if (e.val4 < 0)
                e.val4 += TwoPi;
            if (e.val5 < 0)
                e.val5 += TwoPi;
        }
    }
}

void TToolImage::TranslateToolImage(double du, double dv)
{
    for (TEntityRecord& e : m_elements) {
        e.val1 += du;
        e.val2 += dv;
        if (e.kind == EntityLine) {
            e.val4 += du;
            e.val5 += dv;
        }
    }
}

void TToolImage::MirrorToolImage(double x1, double y1, double x2, double y2)
{
    const double a = VectorAngle(x2 - x1, y2 - y1);
    if (a == NoAngle)
        return;
    for (TEntityRecord& e : m_elements) {
        MirrorPoint(e.val1, e.val2, x1, y1, a);
        if (e.kind == EntityLine)
            MirrorPoint(e.val4, e.val5, x1, y1, a);
        if (e.kind == EntityArc && !IsFullCircle(e)) {
            double start = 2 * a + TwoPi - e.val5;
            double end = 2 * a + TwoPi - e.val4;
            if (start > TwoPi || IsNearZero(start - TwoPi))
                start -= TwoPi;
            if (end > TwoPi)
                end -= TwoPi;
            e.val4 = start;
            e.val5 = end;
        }
    }
}

void TToolImage::DrawToolImage(Trwindow& window, Canvas& canvas, bool lathe, double x, double y, double z,
                               const ToolPointTurn& turn) const
{
    window.Setlinestyle(canvas, 0);
    // Where a point of the picture lands: lathe pictures lie in the plane that the lathe
    // view shows (u along Z, v along X); a turned picture goes through the rotary axes.
    const auto place = [&](double u, double v, double w, double& px, double& py, double& pz) {
        if (lathe) {
            px = x + v;
            py = 0;
            pz = z + u;
            return;
        }
        if (turn)
            turn(u, v, w);
        px = x + u;
        py = y + v;
        pz = z + w;
    };
    const auto moveTo = [&](double u, double v, double w) {
        double px, py, pz;
        place(u, v, w, px, py, pz);
        window.Moveto(canvas, px, py, pz);
    };
    const auto lineTo = [&](double u, double v, double w) {
        double px, py, pz;
        place(u, v, w, px, py, pz);
        window.Lineto(canvas, px, py, pz);
    };
    for (const TEntityRecord& e : m_elements) {
        switch (e.kind) {
        case EntityPoint: {
            double px, py, pz;
            place(e.val1, e.val2, e.val3, px, py, pz);
            window.DrawCross(canvas, px, py, pz);
            break;
        }
        case EntityLine:
            moveTo(e.val1, e.val2, e.val3);
            lineTo(e.val4, e.val5, e.val6);
            break;
        case EntityArc:
            if (lathe || turn) {
                // Chords of 2 degrees, the last ending exactly at the end angle.
                const double sweep = arcSweep(e);
                const auto at = [&](double b, bool first) {
                    const double u = e.val1 + e.val6 * std::cos(b), v = e.val2 + e.val6 * std::sin(b);
                    first ? moveTo(u, v, e.val3) : lineTo(u, v, e.val3);
                };
                at(e.val4, true);
                for (double b = 2 * Degree; b < sweep; b += 2 * Degree)
                    at(e.val4 + b, false);
                at(e.val4 + sweep, false);
            } else {
                window.DrawArc(canvas, x + e.val1, y + e.val2, e.val6, e.val4, e.val5, z + e.val3, 0, true);
            }
            break;
        default:
            break;
        }
    }
}

void TToolImage::drawWithMode(Trwindow& window, Canvas& canvas, bool exclusive, bool lathe, double x, double y,
                              double z, const ToolPointTurn& turn) const
{
    // The tool is not part of the path: what an extent fit measures stays as the path
    // left it.
    const Trwindow::DrawnExtents path = window.drawnExtents();
    // Exclusive-or shows on a black background, its negation on a white one; either way
    // drawing the same picture twice gives the background back.
    // One picture, so that its own lines, where they meet or lie on each other (the top
    // and bottom circles of a mill seen from above), do not cancel.
    canvas.setPenMode(exclusive ? (window.BlackScreen ? PenMode::Xor : PenMode::NotXor) : PenMode::Copy);
    if (exclusive)
        canvas.beginPicture();
    DrawToolImage(window, canvas, lathe, x, y, z, turn);
    if (exclusive)
        canvas.endPicture();
    canvas.setPenMode(PenMode::Copy);
    window.setDrawnExtents(path);
}

void TToolImage::ShowToolImage(Trwindow& window, Canvas& canvas, bool lathe, double x, double y, double z,
                               bool animate, bool recordAfter, const ToolPointTurn& turn)
{
    if (window.measuring()) {
        window.Moveto(canvas, x, y, z); // a pass that only measures the path shows no tool
        return;
    }
    window.DisplayFileON(false);
    if (animate) {
        toggleLastPicture(window, canvas, turn);
        m_lastX = x;
        m_lastY = y;
        m_lastZ = z;
        m_lastColor = window.GetColor();
        m_lastLathe = lathe;
    }
    drawWithMode(window, canvas, animate, lathe, x, y, z, turn);
    window.DisplayFileON(recordAfter);
    window.Moveto(canvas, x, y, z);
}

void TToolImage::toggleLastPicture(Trwindow& window, Canvas& canvas, const ToolPointTurn& turn)
{
    if (!HasLastPosition())
        return;
    // The picture goes as it came: in its own colour and axes, recording off.
    const bool recording = window.dfopen;
    const int color = window.GetColor();
    window.DisplayFileON(false);
    window.SetColor(canvas, m_lastColor);
    drawWithMode(window, canvas, true, m_lastLathe, m_lastX, m_lastY, m_lastZ, turn);
    window.SetColor(canvas, color);
    window.DisplayFileON(recording);
}

void TToolImage::RedrawAtLastPosition(Trwindow& window, Canvas& canvas, const ToolPointTurn& turn)
{
    toggleLastPicture(window, canvas, turn);
}

void TToolImage::EraseLastPicture(Trwindow& window, Canvas& canvas, const ToolPointTurn& turn)
{
    toggleLastPicture(window, canvas, turn);
    ForgetLastPosition();
}

Extents TToolImage::ToolImageExtents() const
{
    if (m_elements.empty())
        return {-1, -1, 5, 5};
    Extents box{1000, 1000, -1000, -1000};
    const auto grow = [&](double x, double y) {
        box.xmin = std::min(box.xmin, x);
        box.ymin = std::min(box.ymin, y);
        box.xmax = std::max(box.xmax, x);
        box.ymax = std::max(box.ymax, y);
    };
    for (const TEntityRecord& e : m_elements) {
        if (e.kind == EntityLine) {
            grow(e.val1, e.val2);
            grow(e.val4, e.val5);
        } else if (e.kind == EntityArc) {
            const Extents arc = ArcExtents(e.val1, e.val2, std::abs(e.val6), e.val4, e.val5);
            grow(arc.xmin, arc.ymin);
            grow(arc.xmax, arc.ymax);
        }
    }
    // A tenth more room on each side, outward whatever the bound's sign.
    const auto padLow = [](double v) { return IsNearZero(v) ? -0.1 : (v > 0 ? v * 0.9 : v * 1.1); };
    const auto padHigh = [](double v) { return IsNearZero(v) ? 0.1 : (v > 0 ? v * 1.1 : v * 0.9); };
    box.xmin = padLow(box.xmin);
    box.ymin = padLow(box.ymin);
    box.xmax = padHigh(box.xmax);
    box.ymax = padHigh(box.ymax);
    return box;
}

void CanvasToolImage::ShowToolImage(bool lathe, double x, double y, double z, bool animate)
{
    if (m_window && m_canvas)
        m_picture.ShowToolImage(*m_window, *m_canvas, lathe, x, y, z, animate, m_window->dfopen, m_turn);
}

void CanvasToolImage::ResetToolImage()
{
    EraseLastPicture();
    m_picture.ResetToolImage();
}

void CanvasToolImage::RedrawAtLastPosition()
{
    if (m_window && m_canvas)
        m_picture.RedrawAtLastPosition(*m_window, *m_canvas, m_turn);
}

void CanvasToolImage::EraseLastPicture()
{
    if (m_window && m_canvas)
        m_picture.EraseLastPicture(*m_window, *m_canvas, m_turn);
    else
        m_picture.ForgetLastPosition();
}

} // namespace vork
