#include "workspace/engine/insert_texts.h"
#include "workspace/engine/nc_macros.h"

#include "math/engine/expression.h"
#include "platform/ini.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

using testsupport::ScriptedPrompter;
using testsupport::TempFolder;
using Lines = std::vector<std::string>;

// ---- Expansion -----------------------------------------------------------------------

TEST(MacroExpansion, Cases)
{
    struct Case {
        const char* what;
        Lines lines;
        std::vector<std::pair<bool, std::string>> answers;
        const char* expected;
        std::vector<std::string> prompts;
    };
    const Case cases[] = {
        {"registers named by the piece before",
         {"G01 X# Y# F##"},
         {{true, "1.5"}, {true, "2"}},
         "G01 X1.5 Y2 F#\r\n",
         {"Enter Setting for Register -X-", "Enter Setting for Register -Y-"}},
        {"at the very start no register", {"#"}, {{true, "7"}}, "7\r\n", {"Enter Setting for Register --"}},
        {"the register carries over a line end", {"G00 Z", "#"}, {{true, "1"}}, "G00 Z\r\n1\r\n",
         {"Enter Setting for Register -Z-"}},
        {"an answer is a piece too", {"X#Y##S#"}, {{true, "3"}, {true, "4"}}, "X3Y#S4\r\n",
         {"Enter Setting for Register -X-", "Enter Setting for Register -S-"}},
        {"cancelled gives 0", {"X#"}, {{false, ""}}, "X0\r\n", {"Enter Setting for Register -X-"}},
        {"three lines, three line ends", {"G90", "", "M30"}, {}, "G90\r\n\r\nM30\r\n", {}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        ScriptedPrompter prompter;
        prompter.inputs.assign(k.answers.begin(), k.answers.end());
        EXPECT_EQ(mrw::expandMacro(k.lines, prompter), std::optional<std::string>(k.expected));
        std::vector<std::string> prompts;
        for (const auto& s : prompter.shown) {
            EXPECT_EQ(s.caption, "NC-Code Macro");
            prompts.push_back(s.text);
        }
        EXPECT_EQ(prompts, k.prompts);
    }
}

TEST(MacroExpansion, LimitsAreRefusedNeverCut)
{
    ScriptedPrompter prompter;
    prompter.inputs = {{true, std::string(80, '9')}, {true, std::string(79, '8')}};
    EXPECT_EQ(mrw::expandMacro({"X#"}, prompter), "X" + std::string(79, '8') + "\r\n");
    ASSERT_EQ(prompter.shown.size(), 3u);
    EXPECT_NE(prompter.shown[1].text.find("79 characters"), std::string::npos);

    ScriptedPrompter quiet;
    EXPECT_EQ(mrw::expandMacro({std::string(8189, 'A')}, quiet)->size(), 8191u);
    EXPECT_TRUE(quiet.shown.empty());
    EXPECT_EQ(mrw::expandMacro({std::string(8190, 'A')}, quiet), std::nullopt);
    ASSERT_EQ(quiet.shown.size(), 1u);
    EXPECT_NE(quiet.shown[0].text.find("8,191 characters"), std::string::npos);
}

TEST(MacroExpansion, MemoTextAndLines)
{
    EXPECT_EQ(mrw::macroLinesOf(""), Lines{});
    EXPECT_EQ(mrw::macroLinesOf("A\nB\n"), (Lines{"A", "B"}));
    EXPECT_EQ(mrw::macroLinesOf("A\r\n\nB"), (Lines{"A", "", "B"}));
    EXPECT_EQ(mrw::macroTextOf({"A", "", "B"}), "A\n\nB");
}

// ---- Store and dialog session ----------------------------------------------------------

namespace {

const std::string Database = "[MACHINE NAMES]\r\n"
                             "NUMBER=2\r\n"
                             "MACHINE1=Mill\r\n"
                             "MACHINE2=Lathe\r\n"
                             "[Mill]\r\n"
                             "DIGL=3\r\n"
                             "m3n=Drill Cycle\r\n"
                             "M3L1=G81 R# Z# F#\r\n"
                             "; kept as written\r\n"
                             "CMTSTART=(\r\n"
                             "M1N=Tool Change\r\n"
                             "M1L1=M06 T#\r\n"
                             "M1L2=G43 H##\r\n"
                             "[Lathe]\r\n"
                             "M1N=Lathe Macro\r\n";

class MacroStoreTest : public ::testing::Test {
protected:
    void SetUp() override { folder.write("WPOSTS.INI", Database); }
    std::string path() const { return folder.file("WPOSTS.INI"); }
    std::string read(const std::string& key) const { return platform::IniFile(path()).readString("Mill", key, "-"); }
    mrw::MacroSession session(const std::string& machine = "MILL")
    {
        return mrw::MacroSession(path(), machine, prompter);
    }
    TempFolder folder;
    ScriptedPrompter prompter;
};

} // namespace

TEST_F(MacroStoreTest, NamesInSlotOrderAndLines)
{
    mrw::NcMacroStore store(path(), "MILL");
    EXPECT_EQ(store.names(), (Lines{"Tool Change", "Drill Cycle"}));
    EXPECT_EQ(store.slotOf("Drill Cycle"), 3);
    EXPECT_EQ(store.slotOf("drill cycle"), 0);
    EXPECT_EQ(store.lines("Tool Change"), (Lines{"M06 T#", "G43 H##"}));
    EXPECT_EQ(mrw::NcMacroStore(path(), "Lathe").names(), Lines{"Lathe Macro"});
}

TEST_F(MacroStoreTest, SavingTakesTheLowestFreeSlotAndKeepsEveryOtherLine)
{
    mrw::NcMacroStore store(path(), "Mill");
    ASSERT_TRUE(store.save("Spot", {"G82 P#"}));
    EXPECT_EQ(read("M2N"), "Spot");
    EXPECT_EQ(read("M2L1"), "G82 P#");
    store.erase("Spot");
    EXPECT_EQ(folder.read("WPOSTS.INI"), Database);

    // Saving again moves a macro to a lower free slot.
    store.erase("Tool Change");
    ASSERT_TRUE(store.save("Drill Cycle", {"G83"}));
    EXPECT_EQ(store.slotOf("Drill Cycle"), 1);
    EXPECT_EQ(read("M3N"), "-");
    EXPECT_EQ(read("M3L1"), "-");
}

TEST_F(MacroStoreTest, ErasingRemovesEveryLineOfTheSlot)
{
    mrw::NcMacroStore store(path(), "Mill");
    Lines thirty;
    for (int i = 1; i <= 30; ++i)
        thirty.push_back("N" + std::to_string(i));
    ASSERT_TRUE(store.save("Long", thirty));
    EXPECT_EQ(store.lines("Long"), thirty);
    const Lines twentySix(thirty.begin(), thirty.begin() + 26);
    ASSERT_TRUE(store.save("Long", twentySix));
    EXPECT_EQ(store.lines("Long"), twentySix);
    store.erase("Long");
    ASSERT_TRUE(store.save("Other", twentySix));
    EXPECT_EQ(store.lines("Other"), twentySix);
    EXPECT_EQ(read("M2L27"), "-");
    EXPECT_EQ(read("M2L30"), "-");
}

TEST_F(MacroStoreTest, AHundredSlotsAreTheLimit)
{
    mrw::NcMacroStore store(path(), "Mill");
    for (int n = 1; n <= mrw::MacroSlots; ++n)
        platform::IniFile(path()).writeString("Mill", "M" + std::to_string(n) + "N", "Macro " + std::to_string(n));
    const std::string full = folder.read("WPOSTS.INI");

    auto s = session();
    ASSERT_TRUE(s.add({}));
    EXPECT_FALSE(s.save({"G00"}));
    EXPECT_NE(prompter.shown.back().text.find("All 100 macro slots"), std::string::npos);
    EXPECT_EQ(folder.read("WPOSTS.INI"), full);
    EXPECT_TRUE(s.modified());
    // A macro already stored keeps its own slot.
    EXPECT_TRUE(store.save("Macro 100", {"G01"}));
    EXPECT_EQ(store.slotOf("Macro 100"), 100);
}

TEST_F(MacroStoreTest, SwitchingSavesTheEditsOfTheMacroLeft)
{
    auto s = session();
    EXPECT_EQ(s.select(0, {}), (Lines{"M06 T#", "G43 H##"}));
    s.setModified(true);
    EXPECT_EQ(s.select(1, {"M06 T1", "G43 H1"}), Lines{"G81 R# Z# F#"});
    EXPECT_EQ(s.current(), "Drill Cycle");
    EXPECT_FALSE(s.modified());
    EXPECT_EQ(mrw::NcMacroStore(path(), "Mill").lines("Tool Change"), (Lines{"M06 T1", "G43 H1"}));
    EXPECT_EQ(read("M3L1"), "G81 R# Z# F#");
}

TEST_F(MacroStoreTest, AddRenameAndDelete)
{
    auto s = session();
    prompter.inputs = {{false, ""}};
    ASSERT_TRUE(s.add({}));
    EXPECT_EQ(s.names().back(), "New Macro");
    EXPECT_EQ(s.selected(), 2);
    EXPECT_EQ(read("M2N"), "-"); // nothing written before a save
    ASSERT_TRUE(s.save({"G28"}));
    EXPECT_EQ(read("M2N"), "New Macro");

    prompter.inputs = {{true, "Home"}};
    ASSERT_TRUE(s.editName({"G28", "G91"}));
    EXPECT_EQ(s.names(), (Lines{"Tool Change", "Drill Cycle", "Home"}));
    EXPECT_EQ(s.current(), "Home");
    EXPECT_EQ(mrw::NcMacroStore(path(), "Mill").lines("Home"), (Lines{"G28", "G91"}));
    EXPECT_EQ(mrw::NcMacroStore(path(), "Mill").slotOf("New Macro"), 0);
    EXPECT_EQ(prompter.shown.back().caption, "New Macro Description");

    prompter.buttons = {platform::Button::No};
    EXPECT_FALSE(s.remove());
    EXPECT_EQ(prompter.shown.back().caption, "MARROWIN");
    EXPECT_EQ(prompter.shown.back().text, "Delete Current Macro ?");
    EXPECT_FALSE(s.remove()); // the box's default button: No
    prompter.buttons = {platform::Button::Yes};
    ASSERT_TRUE(s.remove());
    EXPECT_EQ(s.names(), (Lines{"Tool Change", "Drill Cycle"}));
    EXPECT_EQ(s.selected(), -1);
    EXPECT_EQ(folder.read("WPOSTS.INI"), Database);
}

TEST_F(MacroStoreTest, NamesAlreadyListedAreRefused)
{
    auto s = session();
    prompter.inputs = {{true, "Drill Cycle"}};
    EXPECT_FALSE(s.add({}));
    EXPECT_EQ(prompter.shown.back().text, "A macro named \"Drill Cycle\" is already listed.");
    EXPECT_EQ(s.names().size(), 2u);

    // Two Adds cancelled: the second would be a second "New Macro".
    prompter.inputs = {{false, ""}, {false, ""}};
    EXPECT_TRUE(s.add({}));
    EXPECT_FALSE(s.add({}));
    EXPECT_EQ(s.names(), (Lines{"Tool Change", "Drill Cycle", "New Macro"}));

    ASSERT_TRUE(s.select(0, {}));
    prompter.inputs = {{true, " Drill Cycle "}};
    EXPECT_FALSE(s.editName({"M06 T#", "G43 H##"}));
    EXPECT_EQ(mrw::NcMacroStore(path(), "Mill").lines("Tool Change"), (Lines{"M06 T#", "G43 H##"}));
    EXPECT_EQ(mrw::NcMacroStore(path(), "Mill").lines("Drill Cycle"), Lines{"G81 R# Z# F#"});
}

TEST_F(MacroStoreTest, TheFreeSlotMarkNeverEndsTheListOrTheLines)
{
    auto s = session();
    prompter.inputs = {{true, "NOMORE"}};
    EXPECT_FALSE(s.add({}));
    EXPECT_NE(prompter.shown.back().text.find("free macro slot"), std::string::npos);
    EXPECT_EQ(s.names().size(), 2u);

    // A slot that reads as free but still holds lines (left by an older build).
    platform::IniFile ini(path());
    for (const auto& [key, value] : {std::pair{"M2N", "NOMORE"}, {"M2L1", "1"}, {"M2L2", "B"}, {"M2L3", "C"}})
        ini.writeString("Mill", key, value);
    mrw::NcMacroStore store(path(), "Mill");
    ASSERT_TRUE(store.save("X", {"1"}));
    EXPECT_EQ(store.slotOf("X"), 2);
    EXPECT_EQ(store.lines("X"), Lines{"1"});

    ASSERT_TRUE(store.save("End", {"G00", "NOMORE", "M30"}));
    EXPECT_EQ(store.lines("End"), (Lines{"G00", "NOMORE", "M30"}));
}

TEST_F(MacroStoreTest, FinishSavesAndExpands)
{
    auto s = session();
    EXPECT_EQ(s.finish({"G00"}).action, mrw::MacroSession::Outcome::Cancel);
    ASSERT_TRUE(s.select(1, {}));
    s.setModified(true);
    prompter.inputs = {{true, "0.1"}, {true, "-1."}, {true, "10"}};
    const auto out = s.finish({"G81 R# Z# F#", "G80"});
    EXPECT_EQ(out.action, mrw::MacroSession::Outcome::Insert);
    EXPECT_EQ(out.text, "G81 R0.1 Z-1. F10\r\nG80\r\n");
    EXPECT_EQ(mrw::NcMacroStore(path(), "Mill").lines("Drill Cycle"), (Lines{"G81 R# Z# F#", "G80"}));
}

TEST_F(MacroStoreTest, WithoutAMachineNothingIsListedOrWritten)
{
    auto s = session("");
    EXPECT_FALSE(s.hasMachine());
    EXPECT_TRUE(s.names().empty());
    EXPECT_FALSE(s.add({}));
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(folder.read("WPOSTS.INI"), Database);
}

TEST_F(MacroStoreTest, AFailedWriteIsReported)
{
    const std::string missing = folder.file("no/folder/WPOSTS.INI");
    mrw::MacroSession s(missing, "Mill", prompter);
    ASSERT_TRUE(s.add({}));
    EXPECT_FALSE(s.save({"G00"}));
    EXPECT_EQ(prompter.shown.back().text, "Unable to write to " + missing);
    EXPECT_TRUE(s.modified());
    EXPECT_EQ(s.finish({"G00"}).action, mrw::MacroSession::Outcome::StayOpen);
}

// ---- Comment and expression ------------------------------------------------------------

TEST(InsertTexts, CommentAsTypedWithinTheLimit)
{
    ScriptedPrompter prompter;
    EXPECT_EQ(mrw::commentInsertText("(", "TOOL CHANGE", ")", prompter), "(TOOL CHANGE)");
    EXPECT_EQ(mrw::commentInsertText("", std::string(255, 'C'), "", prompter)->size(), 255u);
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(mrw::commentInsertText("(", std::string(254, 'C'), ")", prompter), std::nullopt);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_NE(prompter.shown[0].text.find("255 characters"), std::string::npos);
}

TEST(InsertTexts, ExpressionInEveryNumberFormat)
{
    // The field shows the value with 5 decimals; that value is inserted.
    const auto result = vork::EvaluateExpression("2+23/64-.002", vork::WorkspaceExpressions());
    ASSERT_TRUE(result.ok());
    const std::string shown = vork::RealToShortStr(false, result.value);
    EXPECT_EQ(shown, "2.35738");
    const double value = vork::StrToReal(shown);

    const std::pair<int, const char*> cases[] = {{1, "2.3574"}, {2, "0023574"}, {3, "23574"}, {4, "0023574"}};
    for (const auto& [format, expected] : cases) {
        mrw::MachineSettings machine;
        machine.Format = format;
        ScriptedPrompter prompter;
        EXPECT_EQ(mrw::expressionInsertText(value, machine, prompter), std::optional<std::string>(expected))
            << format;
    }
    mrw::MachineSettings machine;
    machine.Digl = "2";
    machine.Digr = "3";
    ScriptedPrompter prompter;
    EXPECT_EQ(mrw::expressionInsertText(-value, machine, prompter), "-2.357");
    machine.Digr = "x";
    EXPECT_EQ(mrw::expressionInsertText(value, machine, prompter), std::nullopt);
    EXPECT_EQ(prompter.shown.size(), 1u);
}
