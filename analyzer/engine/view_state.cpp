#include "analyzer/engine/view_state.h"

#include "analyzer/engine/drawing.h"
#include "math/engine/mathlib.h"
#include "platform/numbers.h"

#include <cmath>
#include <numbers>
#include <utility>

namespace vork {

void ViewState::armZoom()
{
    previous = current;
    zoomArmed = true;
}

void ViewState::zoomTo(double x1, double y1, double x2, double y2)
{
    if (x2 < x1)
        std::swap(x1, x2);
    if (y2 < y1)
        std::swap(y1, y2);
    current = {x1, y1, x2, y2};
    resetScroll();
}

void ViewState::swapPrevious()
{
    std::swap(current, previous);
    resetScroll();
}

void ViewState::selectView(int index)
{
    latheView = false;
    switch (index) {
    case ViewXZ: threeD = true, eye = {50, 0, 0}; break;
    case ViewYZ: threeD = true, eye = {0, -50, 0}; break;
    case View3D: threeD = true, eye = EyePoint{}; break;
    case ViewLathe:
        threeD = false, eye = EyePoint{};
        latheView = true;
        break;
    default: threeD = false, eye = EyePoint{}; break;
    }
}

void ViewState::pan(int horizontal, int vertical, const ViewExtents& shown)
{
    const double dx = (shown.xmax - shown.xmin) * (horizontal - scrollOffX) / 100.0;
    const double dy = -(shown.ymax - shown.ymin) * (vertical - scrollOffY) / 100.0;
    current.xmin += dx;
    current.xmax += dx;
    current.ymin += dy;
    current.ymax += dy;
    scrollOffX = horizontal;
    scrollOffY = vertical;
}

CursorReadout CursorReadoutFor(double worldX, double worldY, bool latheView)
{
    if (latheView)
        return {"X" + platform::formatFixed(worldY, 4), "Z" + platform::formatFixed(worldX, 4)};
    return {"X" + platform::formatFixed(worldX, 4), "Y" + platform::formatFixed(worldY, 4)};
}

namespace {
int signOf(int v)
{
    return (v > 0) - (v < 0);
}
}

bool TurnEyeByDrag(EyePoint& eye, int x, int y, int& lastX, int& lastY)
{
    if (x == lastX || y == lastY)
        return false;
    const bool turned = Trwindow::Move3dEye(signOf(x - lastX), -signOf(y - lastY), eye.x, eye.y, eye.z);
    lastX = x;
    lastY = y;
    return turned;
}

bool PolarFromEye(const EyePoint& eye, PolarEye& polar)
{
    const double d = std::sqrt(eye.x * eye.x + eye.y * eye.y + eye.z * eye.z);
    if (IsNearZero(d))
        return false;
    const double azimuth = VectorAngle(eye.x, eye.y);
    polar.distance = d;
    polar.azimuth = azimuth == NoAngle ? 0.0 : azimuth; // straight above or below: any will do
    polar.elevation = ArcCosine(eye.z / d);
    return true;
}

EyePoint EyeFromPolar(const PolarEye& polar)
{
    const double d = polar.distance;
    return {d * std::sin(polar.elevation) * std::cos(polar.azimuth),
            d * std::sin(polar.elevation) * std::sin(polar.azimuth), d * std::cos(polar.elevation)};
}

bool SpinEye(EyePoint& eye, SpinDirection direction)
{
    PolarEye polar;
    if (direction == SpinDirection::Centre) {
        polar = {86.603, 3.927, 0.956};
        eye = EyeFromPolar(polar);
        return true;
    }
    if (!PolarFromEye(eye, polar))
        return false;
    const double step = SpinStepDegrees * std::numbers::pi / 180.0;
    switch (direction) {
    case SpinDirection::Up: polar.elevation += step; break;
    case SpinDirection::Down: polar.elevation -= step; break;
    case SpinDirection::Left: polar.azimuth -= step; break;
    case SpinDirection::Right: polar.azimuth += step; break;
    case SpinDirection::Centre: break;
    }
    eye = EyeFromPolar(polar);
    return true;
}

bool ScaleEyeDistance(EyePoint& eye, double factor)
{
    PolarEye polar;
    if (!PolarFromEye(eye, polar))
        return false;
    polar.distance *= factor;
    eye = EyeFromPolar(polar);
    return true;
}

bool PresetEye(const std::string& name, EyePoint& eye)
{
    static const std::pair<const char*, EyePoint> presets[] = {
        {"Isometric", {-50, -50, 50}}, {"Right Side", {-50, 0, 0}}, {"Left Side", {50, 0, 0}},
        {"Front", {0, 50, 0}},         {"Back", {0, -50, 0}},       {"Top", {0, 0, 50}}};
    for (const auto& [presetName, point] : presets) {
        if (name == presetName) {
            PolarEye polar;
            PolarFromEye(point, polar);
            eye = EyeFromPolar(polar);
            return true;
        }
    }
    return false;
}

std::string EyeDistanceText(const EyePoint& eye)
{
    return "d: " + RealToShortStr(true, std::sqrt(eye.x * eye.x + eye.y * eye.y + eye.z * eye.z));
}

} // namespace vork
