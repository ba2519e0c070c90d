#pragma once
// The tool image: the current cutting tool as a small wire-frame of points, lines and
// arcs around the tool's reference point, built from an operation's tool shape and drawn
// at the tool position without being recorded in the display file. Animated, each new
// picture first erases the last one by drawing it again in an exclusive-or pen mode.
//
// Milling tools: x, y across the tool, z along its axis (0 at the tip). Lathe tools use
// (u, v) = (offset along Z, offset along X) in the first two coordinates.
#include "analyzer/engine/entity_record.h"
#include "math/engine/mathlib.h"
#include "analyzer/engine/run_services.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace vork {

class Canvas;
class Trwindow;

inline constexpr int MaxToolElements = 200;
inline constexpr double NoToolPosition = -9999.9999;

// Lathe tool shapes (the operation's tool shape minus 2) and orientations.
enum LatheToolShape { LatheDiamond, LatheSquare, LatheTriangle, LatheRound, LatheThreading, LatheGrooving, LatheDrill };
enum LatheOrientation { OdTurning, IdBoring, NoOrientation, OdBackTurn, IdBackTurn, Facing };

// Turns a point of the picture (relative to the reference point) by the rotary axes.
using ToolPointTurn = std::function<void(double& x, double& y, double& z)>;

// "End Mill", "Drill", ... for tool types 0..8; any other an empty text.
std::string ToolTypeName(int type);

// Reflects (x, y) across the line through (px, py) of direction a (radians).
void MirrorPoint(double& x, double& y, double px, double py, double a);
// Moves the segment by d to the right of its direction (a negative d: to the left).
void OffsetSegment(double& x1, double& y1, double& x2, double& y2, double d);

class TToolImage {
public:
    TToolImage() { ResetToolImage(); }

    // Every element free, and no picture on the screen.
    void ResetToolImage();
    // Appends an element when fewer than MaxToolElements exist. An arc takes its centre
    // from p1..p3, its radius from p4 and its start and end angle from p5 and p6.
    void AddToolElement(int kind, double p1, double p2, double p3, double p4, double p5, double p6);

    void BuildMillToolImage(bool drill, double diameter, double cornerRadius, double length, double pointAngle);
    // shape 0..6 (LatheToolShape), orientation 0..5 (any other counts as 0), p1..p7 the
    // operation's shape parameters.
    void BuildLatheToolImage(int shape, int orientation, const std::array<double, 7>& p);

    void RotateToolImage(double degrees, double cx, double cy);
    void TranslateToolImage(double du, double dv);
    void MirrorToolImage(double x1, double y1, double x2, double y2);

    // Draws the picture at (x, y, z) with the window's current pen, solid.
    void DrawToolImage(Trwindow& window, Canvas& canvas, bool lathe, double x, double y, double z,
                       const ToolPointTurn& turn = {}) const;
    // Shows the picture at (x, y, z) with recording off; animated, the last picture is
    // erased first. Recording is then set to recordAfter and the pen moved to the tool.
    void ShowToolImage(Trwindow& window, Canvas& canvas, bool lathe, double x, double y, double z, bool animate,
                       bool recordAfter, const ToolPointTurn& turn = {});
    // Draws the animated picture again where it was last drawn, for a repaint that has
    // replaced the screen: the next animated call then erases it cleanly. Nothing when
    // no picture is on the screen; the recording state is kept.
    void RedrawAtLastPosition(Trwindow& window, Canvas& canvas, const ToolPointTurn& turn = {});
    // Takes the animated picture off the screen (drawn once more where it was) and
    // forgets it: its tool has left the spindle, or the machine has changed.
    void EraseLastPicture(Trwindow& window, Canvas& canvas, const ToolPointTurn& turn = {});

    // The box of the picture in its first two coordinates, padded outward for previews;
    // (-1, -1)-(5, 5) for an empty picture.
    Extents ToolImageExtents() const;

    const std::vector<TEntityRecord>& elements() const { return m_elements; }
    // The number of the next free element (1 when the image is empty).
    int ElementCount() const { return static_cast<int>(m_elements.size()) + 1; }

    // The image forgets where it was last drawn, so that the next picture erases nothing.
    void ForgetLastPosition() { m_lastX = NoToolPosition; }
    bool HasLastPosition() const { return m_lastX != NoToolPosition; }
    double LastX() const { return m_lastX; }
    double LastY() const { return m_lastY; }
    double LastZ() const { return m_lastZ; }

private:
    void addLine(double x1, double y1, double z1, double x2, double y2, double z2)
    {
        AddToolElement(EntityLine, x1, y1, z1, x2, y2, z2);
    }
    void addCircle(double cx, double cy, double cz, double r) { AddToolElement(EntityArc, cx, cy, cz, r, 0, TwoPi); }
    void addInsertWithAngle(const std::array<double, 7>& p);
    void addRoundInsert(const std::array<double, 7>& p);
    void addThreadingInsert(int orientation, const std::array<double, 7>& p);
    void addGroovingInsert(int orientation, const std::array<double, 7>& p);
    void addLatheDrill(const std::array<double, 7>& p);
    void addOdHolder(double width, double extension, double length, double holderWidth, double tip);
    void addIdHolder(int orientation, double width, double extension, double length, double holderWidth,
                     double tip);
    void orientOdInsert(int orientation);
    void orient(int orientation);
    void drawWithMode(Trwindow& window, Canvas& canvas, bool exclusive, bool lathe, double x, double y, double z,
                      const ToolPointTurn& turn) const;
    // Draws the last animated picture again in exclusive-or: it appears or goes.
    void toggleLastPicture(Trwindow& window, Canvas& canvas, const ToolPointTurn& turn);

    std::vector<TEntityRecord> m_elements;
    double m_lastX = NoToolPosition, m_lastY = 0, m_lastZ = 0;
    int m_lastColor = 0;      // the pen colour of the last animated picture, which its erasing needs
    bool m_lastLathe = false; // and the axes it was drawn in
};

// The run's tool image on a drawing window and canvas: nothing is drawn without both
// (a headless run). The rotary turn, when set, is applied to every drawn point.
class CanvasToolImage : public ToolImage {
public:
    explicit CanvasToolImage(TToolImage& picture, Trwindow* window = nullptr, Canvas* canvas = nullptr)
        : m_picture(picture), m_window(window), m_canvas(canvas)
    {
    }
    void setTarget(Trwindow* window, Canvas* canvas)
    {
        m_window = window;
        m_canvas = canvas;
    }
    void setTurn(ToolPointTurn turn) { m_turn = std::move(turn); }

    // A new tool: the last one's picture leaves the screen with it.
    void ResetToolImage() override;
    void ForgetLastPosition() override { m_picture.ForgetLastPosition(); }
    void EraseToolImage() override { EraseLastPicture(); }
    void ShowToolImage(bool lathe, double x, double y, double z, bool animate) override;
    // The main window's repaint after a replay (see TToolImage::RedrawAtLastPosition).
    void RedrawAtLastPosition();
    // See TToolImage::EraseLastPicture.
    void EraseLastPicture();

    TToolImage& picture() { return m_picture; }

private:
    TToolImage& m_picture;
    Trwindow* m_window;
    Canvas* m_canvas;
    ToolPointTurn m_turn;
};

} // namespace vork
