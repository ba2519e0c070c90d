#include "analyzer/engine/drawing.h"
#include "analyzer/engine/tool_image.h"
#include "analyzer/ui/qt_canvas.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace vork;

namespace {

// An animated tool image on the window's image, black or white background.
struct Screen {
    ImageCanvas canvas{QSize(300, 200)};
    Trwindow win;
    TToolImage picture;

    explicit Screen(bool black)
    {
        win.Init(canvas);
        win.SetAspect(300, 200);
        win.SetExt(0, 0, 3, 2);
        win.SetupCanvas(canvas);
        win.SetBlackScreen(black);
        win.Clearcanvas(canvas);
        win.SetColor(canvas, 4);
        picture.BuildMillToolImage(false, 0.6, 0.1, 0.5, 0);
    }
    void show(double x, double y, bool animate = true)
    {
        picture.ShowToolImage(win, canvas, false, x, y, 0, animate, false);
    }
    QImage image() const { return canvas.image().copy(); }
};

TEST(ToolImageOnScreen, AnimatedPicturesEraseTheirPredecessorExactly)
{
    for (const bool black : {true, false}) {
        SCOPED_TRACE(black ? "black background" : "white background");
        Screen blank(black);
        const QImage background = blank.image();

        Screen once(black);
        once.show(2, 1);
        const QImage atSecond = once.image();
        ASSERT_NE(atSecond, background);

        Screen twice(black);
        twice.show(2, 1);
        twice.show(2, 1); // erased and drawn again
        EXPECT_EQ(twice.image(), atSecond);

        Screen reset(black);
        reset.show(2, 1);
        reset.picture.ForgetLastPosition(); // as a new tool does; the next picture erases nothing
        reset.show(2, 1);
        EXPECT_EQ(reset.image(), background);

        Screen moved(black);
        moved.show(1, 1);
        moved.show(2, 1);
        EXPECT_EQ(moved.image(), atSecond);

        // A new path colour before the next picture: the last one is still erased cleanly.
        Screen recoloured(black);
        recoloured.win.SetColor(recoloured.canvas, 2);
        recoloured.show(1, 1);
        recoloured.win.SetColor(recoloured.canvas, 4);
        recoloured.show(2, 1);
        EXPECT_EQ(recoloured.image(), atSecond);

        // A repaint replaces the screen: the picture is drawn again where it was, so the
        // next one leaves no ghost.
        Screen repainted(black);
        repainted.show(1, 1);
        repainted.win.Clearcanvas(repainted.canvas);
        repainted.picture.RedrawAtLastPosition(repainted.win, repainted.canvas);
        repainted.show(2, 1);
        EXPECT_EQ(repainted.image(), atSecond);
    }
}

// Seen from above, the mill's top and bottom circles lie on each other and its side
// lines shrink to points: still the animated picture is the whole outline, as the one
// drawn without animation is.
TEST(ToolImageOnScreen, AnimatedPictureShowsTheWholeOutline)
{
    for (const bool black : {true, false}) {
        SCOPED_TRACE(black ? "black background" : "white background");
        Screen still(black);
        still.show(2, 1, false);

        Screen animated(black);
        animated.show(2, 1);
        EXPECT_EQ(animated.image(), still.image());
        animated.show(1.5, 1); // while the run moves
        animated.show(2, 1);   // and where it stops
        EXPECT_EQ(animated.image(), still.image());
    }
}

// A new tool takes the last one's picture off the screen, in whichever view and axes
// the picture was drawn: what stays is the new tool's picture alone.
TEST(ToolImageOnScreen, ANewToolTakesTheLastOnesPictureWithIt)
{
    struct View {
        const char* name;
        bool threeD;
        bool lathe;
    };
    for (const View view : {View{"XY", false, false}, View{"3D", true, false}, View{"lathe", false, true}}) {
        for (const bool black : {true, false}) {
            SCOPED_TRACE(std::string(view.name) + (black ? ", black background" : ", white background"));
            const auto screen = [&] {
                auto s = std::make_unique<Screen>(black);
                s->win.SetThreeD(view.threeD, 5, -5, 5);
                s->win.SetLatheMode(view.lathe);
                s->win.SetExt(-3, -2, 3, 2);
                s->win.SetupCanvas(s->canvas);
                s->win.Clearcanvas(s->canvas);
                return s;
            };
            const auto newTool = [&](TToolImage& picture) {
                picture.BuildMillToolImage(true, 0.2, 0, 1, 118); // the drill that follows the mill
            };

            auto onlyNew = screen();
            onlyNew->picture.ResetToolImage();
            newTool(onlyNew->picture);
            onlyNew->picture.ShowToolImage(onlyNew->win, onlyNew->canvas, view.lathe, 2, 1, 0, true, false);

            auto changed = screen();
            CanvasToolImage tool(changed->picture, &changed->win, &changed->canvas);
            tool.ShowToolImage(view.lathe, 1, 1, 0, true); // the mill's last place
            ASSERT_NE(changed->image(), onlyNew->image());
            tool.ResetToolImage(); // the tool change
            newTool(changed->picture);
            tool.ShowToolImage(view.lathe, 2, 1, 0, true);
            EXPECT_EQ(changed->image(), onlyNew->image());

            // A machine of another kind: the picture goes, and a repaint brings no ghost back.
            tool.EraseLastPicture();
            EXPECT_EQ(changed->image(), screen()->image());
            tool.RedrawAtLastPosition();
            EXPECT_EQ(changed->image(), screen()->image());
        }
    }
}

} // namespace
