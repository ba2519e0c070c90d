#include "analyzer/ui/three_d_setup_dialog.h"

#include "analyzer/engine/analyzer_settings.h"
#include "analyzer/ui/qt_canvas.h"

#include <QLabel>
#include <QLineEdit>

#include <gtest/gtest.h>

using namespace vork;

namespace {

struct Dialog {
    ViewState view;
    AnalyzerSettings settings;
    ThreeDSetupDialog dialog{view, settings};
    QLineEdit* field(const char* name) { return dialog.findChild<QLineEdit*>(name); }
    QString distance() { return dialog.findChild<QLabel*>("distance")->text(); }
};

TEST(ThreeDSetupDialog, ControlsMoveTheViewsEyeAndShowIt)
{
    Dialog d;
    d.dialog.show();
    d.dialog.choosePreset("Top");
    EXPECT_EQ(d.field("eyeZ")->text(), "50.00000");
    EXPECT_EQ(d.distance(), "d: 50.");
    EXPECT_NEAR(d.view.eye.z, 50, 1e-9);
    const QImage& preview = d.dialog.preview().image();
    EXPECT_NE(preview.pixel(preview.width() / 2, preview.height() / 2 - 5), qRgb(255, 255, 255))
        << "the preview shows the axis and the glyph";

    d.dialog.moveEye(true);
    EXPECT_NEAR(d.view.eye.z, 55, 1e-9);
    d.dialog.spin(SpinDirection::Centre);
    EXPECT_NEAR(d.view.eye.x, -50, 0.05);
}

TEST(ThreeDSetupDialog, AnEyeTypedAtTheOriginKeepsTheOldOne)
{
    Dialog d;
    d.dialog.show();
    d.field("eyeX")->setText("0");
    d.field("eyeY")->setText("0");
    d.field("eyeZ")->setText("2-2");
    d.dialog.takeFields();
    EXPECT_EQ(d.view.eye, (EyePoint{-50, -50, 50}));
    EXPECT_EQ(d.field("eyeZ")->text(), "50.00000");

    d.field("eyeX")->setText("10");
    d.field("eyeY")->setText("0");
    d.field("eyeZ")->setText("5*2");
    d.dialog.takeFields();
    EXPECT_EQ(d.view.eye, (EyePoint{10, 0, 10}));
}

} // namespace
