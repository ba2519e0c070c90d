#pragma once
// A drawing window on a 400 x 300 pixel recording canvas at 100 pixels per inch, set up
// the way the main window does it.
#include "analyzer/engine/drawing.h"
#include "analyzer/engine/drawing_recording_canvas.h"

namespace drawingtest {

struct Window {
    vork::RecordingCanvas canvas{{0, 0, 400, 300}, 100};
    vork::Trwindow win;

    // World window x..xx, y..yy (widened to the canvas aspect).
    explicit Window(double x = 0, double y = 0, double xx = 4, double yy = 3)
    {
        win.Init(canvas);
        win.SetAspect(400, 300);
        view(x, y, xx, yy);
    }

    void view(double x, double y, double xx, double yy)
    {
        win.SetExt(x, y, xx, yy);
        win.SetupCanvas(canvas);
    }
};

} // namespace drawingtest
