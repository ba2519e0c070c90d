#include "analyzer/engine/analyzer_routines.h"

#include "support/scripted_prompter.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(MinutesToHMS, WholeSecondsOfTheMinutes)
{
    const struct {
        double minutes;
        const char* text;
    } cases[] = {{0, "00:00:00"},
                 {125.5, "02:05:30"},
                 {6000, "100:00:00"},
                 {2.3, "00:02:18"},
                 {-5, "00:00:00"},
                 {59999999.99, "999999:59:59"},
                 // Past what the text shows (G1 X9999999999999999. F0.0001): capped, never negative.
                 {1e20, "999999:59:59"},
                 {std::numeric_limits<double>::infinity(), "999999:59:59"},
                 {std::numeric_limits<double>::quiet_NaN(), "00:00:00"}};
    for (const auto& c : cases)
        EXPECT_EQ(vork::MinutesToHMS(c.minutes), c.text) << c.minutes;
}

TEST(ExeRelativePath, BareNamesLieInTheProgramFolder)
{
    EXPECT_EQ(vork::ExeRelativePath("REVIZ.MCH", "/opt/vork/"), "/opt/vork/REVIZ.MCH");
    EXPECT_EQ(vork::ExeRelativePath("SUB\\A.MCH", "/opt/vork/"), "SUB\\A.MCH");
    EXPECT_EQ(vork::ExeRelativePath("C:\\M\\A.MCH", "/opt/vork/"), "C:\\M\\A.MCH");
}

TEST(NewFileName, FolderSeparatorAndExtension)
{
    const struct {
        const char* answer;
        const char* tapeDir;
        const char* name;
    } cases[] = {
        {"PART1", "c:\\HALVEN", "c:\\HALVEN\\PART1.TAP"},
        {"PART1.NC", "c:\\HALVEN", "c:\\HALVEN\\PART1.NC"},
        {"PART1", "c:\\HALVEN\\", "c:\\HALVEN\\PART1.TAP"},
        {"PART1", "", "PART1.TAP"},
        // A dot in the folder is no extension of the typed name.
        {"TYPED", ".", ".\\TYPED.TAP"},
        {"TYPED", "/srv/nc.v2/", "/srv/nc.v2/TYPED.TAP"},
        {"OLD.D\\TYPED", "", "OLD.D\\TYPED.TAP"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(vork::NewFileName(c.answer, c.tapeDir, "TAP"), c.name) << c.answer << " in " << c.tapeDir;
}

TEST(OperationFileFor, TheProgramsNameInTheOperationFolder)
{
    EXPECT_EQ(vork::OperationFileFor("/jobs/nc/X.TAP", "c:\\HALVEN"), "c:\\HALVEN\\X.opf");
    EXPECT_EQ(vork::OperationFileFor("/jobs/nc/X.TAP", "/ops/"), "/ops/X.opf");
}

TEST(SpeedSlider, PositionGivesDelayAndLabel)
{
    const struct {
        int position, speed;
        const char* label;
    } cases[] = {{1, 9, "10%"}, {5, 5, "50%"}, {10, 0, "100%"}};
    for (const auto& c : cases) {
        const vork::SliderSpeed s = vork::SpeedForSliderPosition(c.position);
        EXPECT_EQ(s.speed, c.speed) << c.position;
        EXPECT_EQ(s.label, c.label) << c.position;
    }
}

TEST(HandOffStart, OnlyTheExactFirstArgument)
{
    EXPECT_TRUE(vork::IsHandOffStart({"MRW2013"}));
    EXPECT_TRUE(vork::IsHandOffStart({"MRW2013", "more"}));
    EXPECT_FALSE(vork::IsHandOffStart({"mrw2013"}));
    EXPECT_FALSE(vork::IsHandOffStart({}));
    EXPECT_FALSE(vork::IsHandOffStart({"X.TAP", "MRW2013"}));
}

// Keeps the text each input box was opened with.
class OfferingPrompter : public testsupport::ScriptedPrompter {
public:
    std::vector<std::string> offered;
    bool inputString(const std::string& caption, const std::string& prompt, std::string& value) override
    {
        offered.push_back(value);
        return ScriptedPrompter::inputString(caption, prompt, value);
    }
};

TEST(InputNumber, AsksAgainWithTheMarkedAnswerUntilItEvaluates)
{
    OfferingPrompter prompter;
    prompter.inputs = {{true, "2*(3"}, {true, "2*3"}};
    double value = 0;
    ASSERT_TRUE(vork::InputNumber(prompter, "Enter Feedrate in IPM", 1.5, value));
    EXPECT_DOUBLE_EQ(value, 6.0);
    ASSERT_EQ(prompter.offered.size(), 2u);
    EXPECT_EQ(prompter.offered[0], "1.5000");
    EXPECT_NE(prompter.offered[1].find(" >>"), std::string::npos);
    std::vector<std::string> warnings;
    for (const auto& box : prompter.shown)
        if (box.kind == platform::MessageKind::Warning)
            warnings.push_back(box.text);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0], "Error in Expression      \n\nIllegal or missing parenthese\n\n" + prompter.offered[1]);
}

TEST(InputNumber, EmptyIsZeroAndCancelGivesNothing)
{
    testsupport::ScriptedPrompter prompter;
    prompter.inputs = {{true, ""}};
    double value = 7;
    ASSERT_TRUE(vork::InputNumber(prompter, "p", 1.5, value));
    EXPECT_DOUBLE_EQ(value, 0.0);

    prompter.inputs = {{false, ""}};
    value = 7;
    EXPECT_FALSE(vork::InputNumber(prompter, "p", 1.5, value));
    EXPECT_DOUBLE_EQ(value, 7.0);
}

} // namespace
