#include "analyzer/engine/setup_questionnaire.h"

#include "platform/textfile.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace vork;

namespace {

const std::string I1Prompt = "Machine type 1 = Mill,2 = Lathe,3 = Punch,4 = Edm,5 = Flame";

struct Editor {
    testsupport::ScriptedPrompter prompter;
    SetupQuestionnaire q{prompter};
    std::vector<std::string> memo;
    int asks = 0;

    Editor()
    {
        q.onMemoLine = [this](const std::string& line) { memo.push_back(line); };
        q.onMemoClear = [this] { memo.clear(); };
        q.onMemoReplaceLast = [this](const std::string& line) { memo.back() = line; };
        q.onAsk = [this] { ++asks; };
    }
    std::string asked() const { return std::string(1, q.asking().type) + std::to_string(q.asking().index); }
    bool memoHas(const std::string& line) const { return std::find(memo.begin(), memo.end(), line) != memo.end(); }
    // Keeps every value and lists what a whole round of the group asks.
    std::vector<std::string> round(int group)
    {
        q.startGroup(group);
        std::vector<std::string> seen;
        const int start = q.QuestPtr;
        while (q.waiting() && seen.size() < 500) {
            seen.push_back(asked());
            const int before = q.QuestPtr;
            q.answer(q.entryText());
            if (q.QuestPtr < before && q.QuestPtr <= start)
                break;
        }
        return seen;
    }
    bool asks_(const std::vector<std::string>& list, const std::string& p) const
    {
        return std::find(list.begin(), list.end(), p) != list.end();
    }
};

TEST(SetupQuestionnaire, MachineTypeIsAskedUntilInRangeAndAtClearsIt)
{
    Editor e;
    e.q.startGroup(0);
    ASSERT_TRUE(e.q.waiting());
    EXPECT_EQ(e.asked(), "I1");
    EXPECT_EQ(e.memo.at(0), "************ Machine type  ************");
    EXPECT_EQ(e.memo.back(), I1Prompt + " [1]") << "a long prompt: one blank before the bracket";
    EXPECT_EQ(e.q.entryText(), "1");
    EXPECT_FALSE(e.q.Dirty) << "nothing changed yet";
    EXPECT_EQ(e.q.Helpnum, 101);
    e.q.enter("1");
    EXPECT_FALSE(e.q.Dirty) << "the same value again changes nothing";
    e.q.startGroup(0);

    e.q.enter("7");
    EXPECT_EQ(e.asked(), "I1");
    EXPECT_EQ(e.q.copy.mach_int[1], 7);
    EXPECT_EQ(e.q.entryText(), "7");
    e.q.none();
    EXPECT_EQ(e.asked(), "I1");
    EXPECT_EQ(e.q.copy.mach_int[1], -9999);
    EXPECT_EQ(e.q.entryText(), "NONE");
    e.q.enter("2");
    EXPECT_TRUE(e.q.Dirty);
    EXPECT_TRUE(e.memoHas(I1Prompt + " [2]")) << "the answered question shows its new value";
    EXPECT_EQ(e.asked(), "I126");
    EXPECT_TRUE(e.memoHas("Custom Post options are:"));
    EXPECT_EQ(e.q.copy.mach_int[1], 2);
}

TEST(SetupQuestionnaire, AnswersAreEvaluatedCutAndCheckedForSixteenBits)
{
    Editor e;
    e.q.startGroup(8); // I89, I90, ...
    ASSERT_EQ(e.asked(), "I89");
    e.q.enter("2*3");
    EXPECT_EQ(e.q.copy.mach_int[89], 6);
    ASSERT_EQ(e.asked(), "I90");
    const int old90 = e.q.copy.mach_int[90];
    e.q.enter("abc");
    EXPECT_EQ(e.q.copy.mach_int[90], old90) << "letters leave the value";
    EXPECT_FALSE(e.prompter.shown.empty()) << "the expression error is shown";
    e.q.previous(); // back to I90
    ASSERT_EQ(e.asked(), "I90");
    e.q.enter("40000");
    EXPECT_EQ(e.q.copy.mach_int[90], old90);
    EXPECT_TRUE(e.memoHas("Please enter a whole number from -32768 to 32767 !!"));
    e.q.previous();
    e.q.enter("2.5");
    EXPECT_EQ(e.q.copy.mach_int[90], 2) << "rounded half to even";

    e.q.startGroup(1);
    ASSERT_EQ(e.asked(), "S34");
    e.q.enter("ABCDEFGHIJ");
    EXPECT_EQ(e.q.copy.Mach_Str[34], "ABCDEFGH");
    ASSERT_EQ(e.asked(), "S1");
    e.q.enter("NONE");
    EXPECT_EQ(e.q.copy.Mach_Str[1], "NONE");
    ASSERT_EQ(e.asked(), "S7");
    e.q.top();
    e.q.enter("@");
    EXPECT_EQ(e.q.copy.Mach_Str[34], "NONE");
    EXPECT_EQ(e.asked(), "S1");

    e.q.startGroup(5);
    ASSERT_EQ(e.asked(), "R5");
    e.q.enter("1/4");
    EXPECT_FLOAT_EQ(e.q.copy.Mach_real[5], 0.25f);
    e.q.previous();
    EXPECT_EQ(e.q.entryText(), "0.2500");
    e.q.enter("1E39"); // beyond single precision: the value stays
    EXPECT_FLOAT_EQ(e.q.copy.Mach_real[5], 0.25f);
    EXPECT_TRUE(e.memoHas("Please enter a number from -3.4E+38 to 3.4E+38 !!"));
}

TEST(SetupQuestionnaire, LatheSpindleRangesFollowTheirCount)
{
    Editor e;
    e.q.copy.mach_int[1] = 2;
    e.q.startGroup(6);
    ASSERT_EQ(e.asked(), "I79");
    e.q.enter("2");
    std::vector<std::string> asked;
    std::vector<std::string> prompts;
    while (e.asked() != "I96") {
        asked.push_back(e.asked());
        prompts.push_back(e.q.asking().prompt);
        e.q.answer(e.q.entryText());
    }
    EXPECT_EQ(asked, (std::vector<std::string>{"R22", "R28", "I80", "R23", "R29", "I81"}));
    EXPECT_EQ(prompts[3], "Maximum Speed for Spindle Range #2");
    EXPECT_TRUE(e.memoHas("For Speed range #2 :"));
    e.q.enter("3");
    EXPECT_EQ(e.asked(), "I96");
    EXPECT_EQ(e.memo.at(e.memo.size() - 2), "Please answer with a 1 thru 2 !!");
    e.q.next(); // navigation does not end this repetition
    EXPECT_EQ(e.asked(), "I96");
    e.q.enter("2");
    EXPECT_EQ(e.asked(), "I79") << "round again from the first question";
}

TEST(SetupQuestionnaire, PunchAxisNamesAskTheRotatingToolAndNoZ)
{
    Editor e;
    e.q.copy.mach_int[1] = 3;
    const std::vector<std::string> punch = e.round(1);
    EXPECT_TRUE(e.asks_(punch, "S31"));
    EXPECT_TRUE(e.asks_(punch, "S2"));
    EXPECT_FALSE(e.asks_(punch, "S3")) << "no -Z- questions";
    EXPECT_FALSE(e.asks_(punch, "S6"));

    e.q.copy.mach_int[1] = 1;
    const std::vector<std::string> mill = e.round(1);
    EXPECT_FALSE(e.asks_(mill, "S31"));
    EXPECT_TRUE(e.asks_(mill, "S3"));
    EXPECT_TRUE(e.asks_(mill, "S11"));
}

TEST(SetupQuestionnaire, EndlessLoopsEnd)
{
    // A punch has no spindle questions: said once, then it waits for navigation.
    Editor e;
    e.q.copy.mach_int[1] = 3;
    e.q.startGroup(6);
    EXPECT_FALSE(e.q.waiting());
    EXPECT_TRUE(e.q.idle());
    EXPECT_EQ(std::count(e.memo.begin(), e.memo.end(), SetupQuestionnaire::NotRequiredText), 1);
    e.q.next();
    EXPECT_TRUE(e.q.idle());
    e.q.startGroup(7);
    EXPECT_EQ(e.asked(), "I86");

    // Printing a value outside its range prints it as it stands.
    e.q.copy.mach_int[1] = 9;
    e.q.copy.mach_int[79] = 12;
    const std::vector<std::string> lines = e.q.print();
    EXPECT_NE(std::find(lines.begin(), lines.end(), SetupQuestionnaire::printLine(I1Prompt, "9")), lines.end());
}

TEST(SetupQuestionnaire, ChoosingAGroupEndsTheQuestionWithoutStoring)
{
    Editor e;
    e.q.startGroup(0);
    e.q.enter("1");
    ASSERT_EQ(e.asked(), "I126");
    e.q.startGroup(3);
    EXPECT_EQ(e.asked(), "I43");
    EXPECT_EQ(e.memo.front(), "***************  -M- Codes ***************") << "the memo starts afresh";
    EXPECT_EQ(e.q.copy.mach_int[126], 0);
    EXPECT_EQ(e.q.QuestPtr, 0);
}

TEST(SetupQuestionnaire, NavigationMovesBetweenQuestionNumbers)
{
    Editor e;
    e.q.startGroup(8); // 0 I89, 1 I90, 2 I91, 3 I101 I92 (mill), 4 I106, 5 I111
    e.q.previous();
    EXPECT_EQ(e.asked(), "I111") << "the last after the first";
    e.q.next();
    EXPECT_EQ(e.asked(), "I89") << "the first after the last";
    e.q.bottom();
    EXPECT_EQ(e.asked(), "I111");
    e.q.previous();
    EXPECT_EQ(e.asked(), "I106");
    e.q.top();
    EXPECT_EQ(e.asked(), "I89");
    e.q.next();
    e.q.next();
    e.q.next();
    ASSERT_EQ(e.asked(), "I101");
    e.q.top(); // the rest of the question number is still asked first
    EXPECT_EQ(e.asked(), "I92");
    e.q.answer(e.q.entryText());
    EXPECT_EQ(e.asked(), "I89");
}

TEST(SetupQuestionnaire, PrintingListsEveryGroupWithoutWaiting)
{
    Editor e;
    e.q.Numbering = true;
    const int asksBefore = e.asks;
    const std::vector<std::string> lines = e.q.print();
    ASSERT_GT(lines.size(), 200u);
    EXPECT_EQ(lines[0], std::string(61, '*'));
    EXPECT_EQ(lines[1], "Machine Setup -- Untitled");
    EXPECT_EQ(lines[3], " ");
    EXPECT_EQ(lines[4], "************ Machine type  ************");
    EXPECT_EQ(lines[5], "Integer # 1");
    EXPECT_EQ(lines[6], I1Prompt + "[1]") << "a long prompt takes the bracket right after it";
    const std::string s34 = "      Alpha character for Sequence Numbers";
    EXPECT_NE(std::find(lines.begin(), lines.end(), s34 + std::string(57 - s34.size(), ' ') + "[N]"), lines.end())
        << "the printout's bracket is in column 58";
    EXPECT_EQ(SetupQuestionnaire::memoLine(s34, "N"), s34 + std::string(58 - s34.size(), ' ') + "[N]")
        << "the memo's in column 59";
    for (const char* heading : {"************ Axis Names ************", "************ -G- Codes ************",
                                "************* Spindle parameters **************",
                                "********** Tool/Cutter compensation codes ************"})
        EXPECT_NE(std::find(lines.begin(), lines.end(), heading), lines.end()) << heading;
    EXPECT_EQ(std::find(lines.begin(), lines.end(), SetupQuestionnaire::NotRequiredText), lines.end());
    // A prompt longer than the column takes the bracket right after it.
    EXPECT_EQ(SetupQuestionnaire::printLine(std::string(60, 'x'), "1"), std::string(60, 'x') + "[1]");
    EXPECT_EQ(SetupQuestionnaire::memoLine(std::string(60, 'x'), "1"), std::string(60, 'x') + " [1]");
    // The loop of the shown group starts again afterwards.
    EXPECT_TRUE(e.q.waiting());
    EXPECT_EQ(e.asks, asksBefore + 1);
}

TEST(SetupQuestionnaire, SaveOpenAndTheirFailures)
{
    testsupport::TempFolder folder;
    Editor e;
    e.q.startGroup(0);
    e.q.enter("2");
    EXPECT_TRUE(e.q.needsName());
    e.q.finished = true; // as on closing: no questions afterwards
    ASSERT_TRUE(e.q.saveAs(folder.file("LATHE.MCH")));
    EXPECT_FALSE(e.q.Dirty);
    EXPECT_FALSE(e.q.waiting());
    e.q.finished = false;
    ASSERT_TRUE(e.q.save());
    EXPECT_EQ(e.q.caption(), "Machine Setup -- LATHE.MCH");
    const auto lines = platform::readTextLines(folder.file("LATHE.MCH"));
    ASSERT_TRUE(lines);
    EXPECT_EQ(*lines, FormatMachineFile(e.q.copy));
    EXPECT_EQ(lines->size(), 300u);
    EXPECT_TRUE(e.q.waiting()) << "the questions start again";
    EXPECT_FALSE(e.q.Dirty) << "asking again changes nothing";

    // A failed write is reported and keeps the editor dirty.
    e.q.enter("1");
    ASSERT_TRUE(e.q.Dirty);
    EXPECT_FALSE(e.q.saveAs(folder.file("gone/X.MCH")));
    EXPECT_TRUE(e.q.Dirty);
    ASSERT_FALSE(e.prompter.shown.empty());
    EXPECT_NE(e.prompter.shown.back().text.find("gone/X.MCH"), std::string::npos);
    EXPECT_EQ(e.q.Mfilename, folder.file("LATHE.MCH"));

    // An unreadable file is reported and changes nothing.
    e.q.copy.mach_int[1] = 4;
    EXPECT_FALSE(e.q.open(folder.file("MISSING.MCH")));
    EXPECT_EQ(e.q.copy.mach_int[1], 4);
    EXPECT_EQ(e.q.Mfilename, folder.file("LATHE.MCH"));

    ASSERT_TRUE(e.q.open(folder.file("LATHE.MCH")));
    EXPECT_EQ(e.q.copy.mach_int[1], 2);
    EXPECT_EQ(e.asked(), "I1");
}

} // namespace

namespace {

TEST(SetupQuestionnaire, RepeatsShowTheirMessageAndLegendAndPairsRepeatTogether)
{
    Editor e;
    e.q.startGroup(2);
    while (e.asked() != "I10")
        e.q.answer(e.q.entryText());
    e.q.enter("8");
    ASSERT_EQ(e.asked(), "I11");
    e.q.enter("2");
    EXPECT_EQ(e.asked(), "I10") << "the pair is asked again";
    EXPECT_EQ(e.memo.at(e.memo.size() - 2), "Please enter a 1 through 7 !!!");
    e.q.enter("3");
    e.q.enter("2");
    while (e.asked() != "I17")
        e.q.answer(e.q.entryText());
    e.q.enter("5");
    ASSERT_EQ(e.asked(), "I17");
    const std::vector<std::string> tail(e.memo.end() - 5, e.memo.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"Please enter a 0  or 1 !!", "Machine Defaults to : ",
                                              "  0 = Incremental Mode.", "  1 = Absolute Mode.",
                                              SetupQuestionnaire::memoLine("Default mode", "5")}));
}

} // namespace
