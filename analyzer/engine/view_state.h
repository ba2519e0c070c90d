#pragma once
// What part of the world the main drawing area shows and from where: the extents, the
// previous extents of the last zoom, the eye point of the 3D projection, the view
// chosen, the scroll offsets of the last pan and the two-step zoom. Also the eye point's
// polar form, as the "3D View Setup" dialog turns and moves it.
#include <string>

namespace vork {

struct ViewExtents {
    double xmin = -10, ymin = -7, xmax = 10, ymax = 7;
    friend bool operator==(const ViewExtents&, const ViewExtents&) = default;
};

struct EyePoint {
    double x = -50, y = -50, z = 50;
    friend bool operator==(const EyePoint&, const EyePoint&) = default;
};

// The items of the view combo, in their order.
enum ViewSelection : int { ViewXY = 0, ViewXZ = 1, ViewYZ = 2, View3D = 3, ViewLathe = 4 };
inline constexpr const char* ViewNames[] = {"XY - View", "XZ - View", "YZ - View", "3D - View", "Lathe - View"};

struct ViewState {
    ViewExtents current;
    ViewExtents previous{0, 0, 0, 0}; // all 0 until the first zoom
    EyePoint eye;
    bool threeD = false;
    bool latheView = false;
    int scrollOffX = 0; // scroll bar positions at the last pan
    int scrollOffY = 0;
    bool zoomArmed = false;
    bool zoomDragging = false;

    // Zoom: the current extents become the previous ones, and the next drag draws the window.
    void armZoom();
    // The zoom window's corners in world coordinates, in any order: the new extents.
    void zoomTo(double x1, double y1, double x2, double y2);
    // Previous: current and previous extents change places.
    void swapPrevious();
    // The view combo: projection and eye by item; the extents stay.
    void selectView(int index);
    // A scroll ended with the bars at these positions: the view moves by the bars' movement
    // since the last pan, in percent of the width and height shown (down moves it down).
    // `shown` are the extents as drawn, widened to the drawing area's proportions.
    void pan(int horizontal, int vertical, const ViewExtents& shown);
    // The scroll bars were put back to 0.
    void resetScroll() { scrollOffX = scrollOffY = 0; }
};

// The cursor readouts for a world position: "X..." over "Y..."; in the lathe view the
// drawing's y is the machine's X and its x the machine's Z.
struct CursorReadout {
    std::string upper, lower;
};
CursorReadout CursorReadoutFor(double worldX, double worldY, bool latheView);

// A 3D drag moved the mouse from (lastX, lastY) to (x, y): when it moved both across and
// up or down, the eye turns one step in azimuth and one in elevation and the last position
// follows; otherwise nothing changes. True when the eye turned.
bool TurnEyeByDrag(EyePoint& eye, int x, int y, int& lastX, int& lastY);

// ---- The eye point's polar form ----

struct PolarEye {
    double distance = 0;
    double azimuth = 0;   // direction of (x, y), radians
    double elevation = 0; // angle from +Z, radians
};
// False for an eye at the origin, which has no direction.
bool PolarFromEye(const EyePoint& eye, PolarEye& polar);
EyePoint EyeFromPolar(const PolarEye& polar);

enum class SpinDirection { Up, Down, Left, Right, Centre };
inline constexpr double SpinStepDegrees = 5.0;
// One step of the star spinner; Centre gives the default eye. False (eye unchanged) for
// an eye at the origin.
bool SpinEye(EyePoint& eye, SpinDirection direction);
// The distance times factor, direction kept. False (eye unchanged) at the origin.
bool ScaleEyeDistance(EyePoint& eye, double factor);
// The presets of the dialog by name ("Isometric", "Right Side", ...); false for another name.
inline constexpr const char* EyePresetNames[] = {"Isometric", "Right Side", "Left Side", "Front", "Back", "Top"};
bool PresetEye(const std::string& name, EyePoint& eye);
// The distance label: "d: " and the distance with 5 decimals, trailing zeros removed.
std::string EyeDistanceText(const EyePoint& eye);

} // namespace vork
