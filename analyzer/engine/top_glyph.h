#pragma once
// The glyph that shows how a 3D view is turned: a 4 by 2 by 1 block with the word TOP
// on its top face, drawn in the drawing window's current projection, every length
// times u (u = 1 / the window's scale keeps it the same size on the screen).
namespace vork {

class Trwindow;
class Canvas;

inline constexpr int TopGlyphColor = 13;

void DrawTopGlyph(Trwindow& window, Canvas& canvas, double u);

} // namespace vork
