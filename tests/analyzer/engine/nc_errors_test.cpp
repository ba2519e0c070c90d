#include "analyzer/engine/nc_errors.h"

#include "analyzer/engine/analyzer_settings.h"
#include "analyzer/engine/run_state.h"
#include "run_fakes.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using vork::ErrorAnswer;
using vork::TRunState;

TEST(NCErrorMessages, EveryNumber)
{
    TRunState s;
    s.ArcError = 0.25;
    s.BadFormatLetter = 'X';
    s.Rpm = 1200;
    s.Feed = 0;
    s.FeedPerRev = 0.004;
    s.Tool = 120;
    const std::string expected[] = {
        "",
        "Circular interpolation error = 0.25000",
        "-X- Axis over travel",
        "-X- Axis under travel",
        "-Y- Axis over travel",
        "-Y- Axis under travel",
        "-Z- Axis over travel",
        "-Z- Axis under travel",
        "Bad format for -X- Code",
        "Dwell amount not found",
        "Warning Threading in Css Mode",
        "Thread lead NOT found",
        "No feedrate specified S=1200.,IPM=0.",
        "Repeat count over 9999, taken as 9999",
        "Tool number too great, number = 120",
        "Circular degree error  = 0.25000",
        "Sub program file not found",
        "Peck Drill Increment NOT found",
        "Sub program level > 3",
        "",
    };
    for (int n = 0; n <= 19; ++n)
        EXPECT_EQ(vork::NCErrorMessage(n, s), expected[n]) << n;
    EXPECT_EQ(vork::NCErrorMessage(-1, s), "");
    s.FeedMode = vork::FeedPerRevolution;
    EXPECT_EQ(vork::NCErrorMessage(12, s), "No feedrate specified S=1200.,IPR=0.004");
    s.FeedMode = vork::FeedInverseTime;
    EXPECT_EQ(vork::NCErrorMessage(12, s), "No feedrate specified S=1200.,IPR=0.004");
}

// A block that failed half way: the position moved, the mode changed, A turned.
struct Failed {
    TRunState s;
    vork::AnalyzerSettings settings;
    runtest::ScriptedErrorDialog dialog;
    vork::DialogErrorReporter reporter{s, settings};

    Failed()
    {
        reporter.setDialog(&dialog);
        s.RawBlock = "G01 X5. A90.";
        s.Block = "A90.";
        s.PrevBlock = "G00 X1.";
        s.PrevX = 1, s.PrevY = 2, s.PrevZ = 3;
        s.CurX = 5, s.CurY = 2, s.CurZ = 3;
        s.PrevRotA = 0.5, s.RotA = 1.5;
        s.LastMode = vork::ModeRapid;
        s.Mode = vork::ModeLinear;
        settings.skip = true;
    }
};

TEST(ErrorReport, AnswersOfTheDialog)
{
    const struct {
        ErrorAnswer answer;
        std::string edited;
        bool retry;
        std::string block;
        double x, rotA;
        int mode;
    } cases[] = {
        {ErrorAnswer::Retry, "G01 X4.", true, "G01 X4.", 1, 0.5, vork::ModeRapid},
        {ErrorAnswer::Closed, "", true, "G01 X5. A90.", 1, 0.5, vork::ModeRapid}, // the block unedited
        {ErrorAnswer::Closed, "G01 X4.", true, "G01 X5. A90.", 1, 0.5, vork::ModeRapid}, // edits dropped
        {ErrorAnswer::Ignore, "G01 X4.", false, "G01 X5. A90.", 5, 1.5, vork::ModeLinear},
    };
    for (const auto& c : cases) {
        Failed f;
        f.dialog.answers = {{c.answer, c.edited}};
        f.reporter.ReportNCError(2);
        EXPECT_EQ(f.dialog.messages, std::vector<std::string>{"-X- Axis over travel"});
        EXPECT_EQ(f.dialog.blocks, std::vector<std::string>{"G01 X5. A90."});
        EXPECT_EQ(f.s.Retry, c.retry) << c.edited;
        EXPECT_EQ(f.s.Block, c.block) << c.edited;
        EXPECT_EQ(f.s.RawBlock, c.block) << c.edited;
        EXPECT_EQ(f.s.CurX, c.x) << c.edited;
        EXPECT_EQ(f.s.RotA, c.rotA) << c.edited;
        EXPECT_EQ(f.s.Mode, c.mode) << c.edited;
        EXPECT_FALSE(f.s.SegmentEnd);
        EXPECT_TRUE(f.settings.skip);
        EXPECT_EQ(f.s.PrevBlock, "G00 X1.");
    }

    Failed abort;
    abort.dialog.answers = {{ErrorAnswer::Abort, "G01 X4."}};
    abort.reporter.ReportNCError(12);
    EXPECT_TRUE(abort.s.SegmentEnd);
    EXPECT_FALSE(abort.s.Retry);
    EXPECT_FALSE(abort.settings.skip);
    EXPECT_EQ(abort.s.Block, "A90."); // the block goes on as it stood
    EXPECT_EQ(abort.s.RawBlock, "G01 X5. A90.");
    EXPECT_EQ(abort.s.CurX, 5);

    // Error 13 runs no retry and makes the block the previous one.
    Failed thirteen;
    thirteen.dialog.answers = {{ErrorAnswer::Closed, ""}};
    thirteen.reporter.ReportNCError(13);
    EXPECT_FALSE(thirteen.s.Retry);
    EXPECT_EQ(thirteen.s.PrevBlock, "G01 X5. A90.");
    EXPECT_EQ(thirteen.s.CurX, 5);
}

TEST(ErrorReport, SilentCases)
{
    // EDIT off, no dialog, the threading warning and numbers without a message: nothing
    // shown; EDIT off and no dialog leave Retry off.
    const struct {
        const char* what;
        int n;
        bool edit, dialog;
        bool retry;
    } cases[] = {
        {"EDIT off", 2, false, true, false},
        {"no dialog", 2, true, false, false},
        {"warning 10", 10, true, true, true},
        {"warning 10, EDIT off", 10, false, true, false},
        {"number 0", 0, true, true, true},
        {"number 19", 19, true, true, true},
    };
    for (const auto& c : cases) {
        Failed f;
        f.s.Retry = true;
        f.settings.edit = c.edit;
        if (!c.dialog)
            f.reporter.setDialog(nullptr);
        f.reporter.ReportNCError(c.n);
        EXPECT_TRUE(f.dialog.messages.empty()) << c.what;
        EXPECT_EQ(f.s.Retry, c.retry) << c.what;
        EXPECT_EQ(f.s.Block, "A90.") << c.what;
        EXPECT_EQ(f.s.CurX, 5) << c.what;
    }
}

} // namespace
