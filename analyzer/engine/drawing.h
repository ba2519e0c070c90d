#pragma once
// The drawing window: maps world coordinates (inches of the simulated machine) onto a
// canvas, with the lathe axis exchange, a perspective 3D view, clipping to the world
// window, dashes for wide pens and the drawn extents; while recording it logs every pen
// command in the display file, whose replay redraws the path in any later view.
// The canvas is passed with every call; a window owns none.
#include "analyzer/engine/drawing_canvas.h"
#include "analyzer/engine/drawing_display_file.h"
#include "analyzer/engine/figures.h"

#include <string>
#include <vector>

namespace platform {
class Prompter;
}

namespace vork {

class Trwindow {
public:
    Trwindow();
    ~Trwindow();
    Trwindow(const Trwindow&) = delete;
    Trwindow& operator=(const Trwindow&) = delete;

    // ---- Display file ----
    // Creates DFDir + DVW.DI~ empty and records into it. False (and reported) on failure.
    bool OpenDisplayFile();
    // Opens the existing DFDir + DVW.DI~ for replay; recording is then "on" until
    // DisplayFileON(false), as a replaying window sets it.
    bool ReOpenDisplayFile();
    // Replays the whole file onto the canvas with this window's view; the recording
    // state is as before afterwards.
    void PlayDisplay(Canvas& canvas);
    void DisplayFileON(bool yes) { dfopen = yes; }
    // Where file errors are reported (a message once per failure); none: only lastFileError.
    void setPrompter(platform::Prompter* prompter) { m_prompter = prompter; }
    const std::string& lastFileError() const { return m_fileError; }

    // ---- Set-up ----
    void Init(Canvas& canvas);
    void SetupCanvas(Canvas& canvas);
    void SetExt(double x, double y, double xx, double yy);
    void SetAspect(double w, double h);
    void SetDfDir(const std::string& folder);
    const std::string& Getdfdir() const { return DFDir; }
    void SetBlackScreen(bool yes) { BlackScreen = yes; }
    void SetLatheMode(bool on);
    void SetThreeD(bool on, double x, double y, double z);
    // Turns the eye point by mouse angles in degrees; false (eye unchanged) when the
    // eye sits at the origin.
    static bool Move3dEye(double dx, double dy, double& eyeX, double& eyeY, double& eyeZ);

    // ---- Pen ----
    void Setlinestyle(Canvas& canvas, int style);
    void SetColor(Canvas& canvas, int paletteIndex);
    int GetColor() const { return Pencolor; }
    void SetPenWidth(Canvas& canvas, double worldWidth);
    void Clearcanvas(Canvas& canvas);

    // ---- Coordinates ----
    void WorldtoPC(double xw, double yw, int& xpc, int& ypc) const;
    void pctoworld(int xpc, int ypc, double& xw, double& yw) const;
    // Paper (device) inches per world unit along x.
    double Getscale() const;
    void LatheCoords(double& x, double& y, double& z) const;
    // The perspective image of (x, y, z) in x and y; false, leaving them, for a point at
    // or behind the eye.
    bool ThreeD(double& x, double& y, double z) const;

    // ---- Drawing ----
    void Moveto(Canvas& canvas, double x, double y, double z);
    void Lineto(Canvas& canvas, double x, double y, double z);
    // The chords of a path arc (figures.h) at this window's scale; recorded as the arc
    // itself, and drawn as its record reads, so that a replay at the same scale draws
    // the very same chords.
    void DrawPathArc(Canvas& canvas, const PathArc& arc);

    // ---- Drawn extents ----
    void Reset_Drawn_Extents();
    void Set_Extents_To_Drawn(double frame);
    void Get_Extents_Drawn(double& x, double& y, double& xx, double& yy, double frame) const;
    struct DrawnExtents {
        double x, xx, y, yy;
    };
    DrawnExtents drawnExtents() const { return {dextx, dextxx, dexty, dextyy}; }
    void setDrawnExtents(const DrawnExtents& e)
    {
        dextx = e.x;
        dextxx = e.xx;
        dexty = e.y;
        dextyy = e.yy;
    }
    // Measuring only: moves and lines grow the drawn extents and move the position, yet
    // nothing reaches the canvas or the display file.
    void SetMeasuring(bool on) { m_measuring = on; }
    bool measuring() const { return m_measuring; }

    // ---- Figures ----
    void DrawArrow(Canvas& canvas, double x, double y, double z, double angle);
    void Draw_Axis(Canvas& canvas, bool eraseit);
    void DrawArc(Canvas& canvas, double x, double y, double radius, double startAngle,
                 double finishAngle, double z, double deltaZ, bool ccw);
    void DrawCross(Canvas& canvas, double x, double y, double z);
    void DrawRuler(Canvas& canvas, double xPos, double yPos, double zPos, bool eraseit);
    void Drawlabel(Canvas& canvas, double x, double y, double z, double size, const std::string& text);
    void DrawThread(Canvas& canvas, double sx, double sy, double fx, double fy, double lead, bool external);
    // Width of a text in world units at a label size.
    double TextWidthWorld(Canvas& canvas, const std::string& text, double size);

    // ---- State (names as the drawing code has always used them) ----
    double aspectratio = 0;
    double a = 0, b = 0;            // pixel x = a * world x + b
    double c = 0, d = 0;            // pixel y = c * world y + d
    double dextx = 0, dextxx = 0, dexty = 0, dextyy = 0; // drawn extents
    double extx = 0, exty = 0, extxx = 0, extyy = 0;     // world window
    double xpos = 0, ypos = 0, zpos = 0;                 // current position
    double clb = 0, crb = 0, ctb = 0, cbb = 0;           // clip box
    double xeye = 0, yeye = 0, zeye = 0;
    double D3_Sin1 = 0, D3_Sin2 = 0, D3_Cos1 = 0, D3_Cos2 = 0;
    double RHO = 0, Dist = 0;
    bool ThreeDMode = false;
    bool LatheMode = false;
    bool dfopen = false;
    bool BlackScreen = true;
    int Pencolor = 0;
    int xdpi = 0, ydpi = 0;
    double Pheight = 0, Pwidth = 0;
    std::string DFDir;

private:
    struct Point3 {
        double x, y, z;
    };
    void record(std::int32_t code, double p1, double p2 = 0, double p3 = 0, double p4 = 0);
    void drawArcChords(Canvas& canvas, const PathArc& arc);
    bool arcInsideWindow(const PathArc& arc) const;
    void reportFileError(const std::string& text);
    std::string displayFilePath() const;
    int clipLine(double& x1, double& y1, double& x2, double& y2);
    int outcode(double x, double y) const;
    double eyeDepth(const Point3& p) const;
    bool projectSegment(Point3& from, Point3& to) const;
    void drawPattern(Canvas& canvas, double nx, double ny, double px, double py, PenStyle style);
    PixelPoint toPixels(double xw, double yw) const;
    double nearPlane() const;
    void setBackgroundOrContrast(Canvas& canvas, bool background);

    DisplayFile dfile;
    TDisplayRecord m_arcCentre; // the first record of an arc being replayed
    std::vector<PixelPoint> m_chordRun; // pixels of an arc's chords on their way to the canvas
    platform::Prompter* m_prompter = nullptr;
    bool m_measuring = false;
    std::string m_fileError;
};

} // namespace vork
