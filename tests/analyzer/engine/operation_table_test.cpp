#include "analyzer/engine/operation_table.h"

#include "analyzer/engine/analyzer_settings.h"
#include "analyzer/engine/tool_image.h"
#include "example_operations.h"
#include "platform/folders.h"
#include "platform/ini.h"
#include "platform/textfile.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"
#include "support/unreadable_file.h"
#include "support/user_rights.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

using platform::Button;
using testsupport::ScriptedPrompter;
using testsupport::TempFolder;
using vork::TOperationRecord;
using vork::TOperationTable;

namespace {

// A record's bytes laid down one field at a time, independently of the encoder.
struct Bytes {
    std::string b;
    Bytes& u8(int v) { return b.push_back(static_cast<char>(v)), *this; }
    Bytes& i16(int v) { return u8(v & 0xFF).u8((v >> 8) & 0xFF); }
    Bytes& f32(float f)
    {
        const auto u = std::bit_cast<std::uint32_t>(f);
        for (int i = 0; i < 4; ++i)
            u8(static_cast<int>((u >> (8 * i)) & 0xFF));
        return *this;
    }
    Bytes& text(const std::string& s, int lengthByte = -1)
    {
        u8(lengthByte < 0 ? static_cast<int>(s.size()) : lengthByte);
        b += s;
        b.append(80 - s.size(), '\0');
        return *this;
    }
};

// Operation opnum, tool, flags as stored; every real its parameter number (1..30).
std::string goldenRecord(int opnum, int flags, const std::string& desc1, int lengthByte = -1)
{
    Bytes r;
    r.i16(opnum).i16(-1).u8(flags).u8(12).u8(0);
    for (int n = 1; n <= 30; ++n)
        r.f32(static_cast<float>(n) + 0.5f);
    r.text(desc1, lengthByte).text("SECOND").text("").text("");
    return r.b;
}

TOperationRecord goldenValues(int opnum, const std::string& desc1)
{
    TOperationRecord r;
    r.opnum = static_cast<std::int16_t>(opnum);
    r.color = 12;
    r.optype = 0;
    float n = 1.5f;
    for (float* f : {&r.toolnum, &r.offsetnum, &r.tooldia, &r.feed, &r.feedmode, &r.speed, &r.spindle, &r.range,
                     &r.coolant, &r.stock, &r.xhome, &r.yhome, &r.zhome, &r.lcomp, &r.glx, &r.glz, &r.fixoff,
                     &r.tshape, &r.cornerrad})
        *f = n++;
    for (float& f : r.p)
        f = n++;
    for (float& f : r.spare)
        f = n++;
    r.desc = {desc1, "SECOND", "", ""};
    return r;
}

TEST(OperationRecord, IsFourHundredFiftyOneBytesFieldByField)
{
    const std::string golden = goldenRecord(-300, 1, "ROUGH");
    ASSERT_EQ(golden.size(), vork::OperationRecordSize);
    const TOperationRecord values = goldenValues(-300, "ROUGH");
    const auto bytes = vork::EncodeOperationRecord(values);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), golden);
    EXPECT_EQ(vork::DecodeOperationRecord(bytes.data()), values);

    // A text longer than the field is cut to 80 characters; a length byte past 80
    // reads as 80.
    TOperationRecord longText = values;
    longText.desc[0] = std::string(90, 'X');
    const auto cut = vork::EncodeOperationRecord(longText);
    EXPECT_EQ(cut[127], 80);
    const std::string overlong = goldenRecord(1, 1, std::string(80, 'Y'), 200);
    const auto read = vork::DecodeOperationRecord(reinterpret_cast<const std::uint8_t*>(overlong.data()));
    EXPECT_EQ(read.desc[0], std::string(80, 'Y'));
    EXPECT_EQ(read.desc[1], "SECOND");
}

TEST(OperationRecord, TemplateAndFlagBits)
{
    const TOperationRecord t = vork::OperationTemplate();
    const auto bytes = vork::EncodeOperationRecord(t);
    Bytes expected;
    expected.i16(-1).i16(-1).u8(1).u8(1).u8(1);
    for (float f : {0.f, 0.f, 0.f, 0.f, 1.f, 0.f, 1.f, 1.f, 1.f})
        expected.f32(f);
    expected.b.append(21 * 4, '\0');
    for (int n = 0; n < 4; ++n)
        expected.text("");
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), expected.b);

    std::uint8_t flags = 0x81;
    vork::SetFlagBit(flags, 0, false);
    EXPECT_EQ(flags, 0x80);
    vork::SetFlagBit(flags, 3, true);
    EXPECT_EQ(flags, 0x88);
    EXPECT_TRUE(vork::TestFlagBit(flags, 3));
    EXPECT_FALSE(vork::TestFlagBit(flags, 0));
}

std::string records(int count, int flags = 0)
{
    std::string file;
    for (int n = 1; n <= count; ++n)
        file += goldenRecord(n * 10, flags, "OP " + std::to_string(n));
    return file;
}

struct Loaded {
    TempFolder folder;
    ScriptedPrompter prompter;
    TOperationTable table;
    bool ok = false;
    explicit Loaded(const std::string& bytes)
    {
        folder.write("JOB.OPF", bytes);
        ok = table.Loadfile(folder.file("JOB.OPF"), &prompter);
    }
};

TEST(OperationFile, LoadFillsSlotsInOrderAllPostedAndTheRestTemplate)
{
    const struct {
        const char* what;
        std::string bytes;
        int loaded;
        std::size_t messages;
    } cases[] = {
        {"three records", records(3), 3, 0},
        {"two records and a partial one", records(2) + std::string(100, '\x7f'), 2, 0},
        {"fifty-five records", records(55), 50, 1},
        {"empty file", "", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Loaded l(c.bytes);
        EXPECT_TRUE(l.ok);
        EXPECT_EQ(l.prompter.shown.size(), c.messages);
        EXPECT_EQ(l.table.OperationCount(), c.loaded);
        for (int n = 1; n <= c.loaded; ++n) {
            EXPECT_EQ(l.table.slot(n).opnum, n * 10);
            EXPECT_EQ(l.table.slot(n).flags, 1); // stored 0, loaded posted
            EXPECT_EQ(l.table.slot(n).desc[0], "OP " + std::to_string(n));
        }
        for (int n = c.loaded + 1; n <= vork::OperationSlots; ++n)
            EXPECT_EQ(l.table.slot(n), vork::OperationTemplate()) << n;
        EXPECT_EQ(l.table.RecentFiles.first(), l.folder.file("JOB.OPF"));
    }
}

TEST(OperationFile, ValuesThatAreNotNumbersLoadAsZeroAndSaveAsZeroNamingTheOperation)
{
    // Reals start at byte 7, four bytes each: tooldia is the 3rd, xhome the 11th, p7 the 26th.
    const auto put = [](std::string& record, int real, float value) {
        std::memcpy(record.data() + 7 + 4 * (real - 1), &value, sizeof value);
    };
    std::string damaged = goldenRecord(20, 0, "NAN");
    put(damaged, 3, std::numeric_limits<float>::infinity());
    put(damaged, 11, std::numeric_limits<float>::quiet_NaN());
    std::string negative = goldenRecord(30, 0, "-INF");
    put(negative, 26, -std::numeric_limits<float>::infinity());
    Loaded l(goldenRecord(10, 0, "SOUND") + damaged + negative);
    ASSERT_TRUE(l.ok);
    EXPECT_EQ(l.table.OperationCount(), 3);
    EXPECT_EQ(l.table.slot(1).xhome, 11.5f);
    EXPECT_EQ(l.table.slot(2).tooldia, 0.0f);
    EXPECT_EQ(l.table.slot(2).xhome, 0.0f);
    EXPECT_EQ(l.table.slot(2).yhome, 12.5f); // the sound values of the record stay
    EXPECT_EQ(l.table.slot(3).p[6], 0.0f);
    ASSERT_EQ(l.prompter.shown.size(), 1u);
    EXPECT_EQ(l.prompter.shown[0].text, "Operations 20, 30 in\n" + l.folder.file("JOB.OPF") +
                                            "\nheld values that are not numbers or out of range: they were taken as 0");

    // An operation edited to a value that is not a number is written with 0 in its place.
    l.table.slot(1).feed = std::numeric_limits<float>::infinity();
    ScriptedPrompter told;
    ASSERT_TRUE(l.table.Save(l.folder.file("OUT.OPF"), &told));
    const std::string bytes = l.folder.read("OUT.OPF");
    ASSERT_EQ(bytes.size(), 3 * vork::OperationRecordSize);
    EXPECT_EQ(vork::DecodeOperationRecord(reinterpret_cast<const std::uint8_t*>(bytes.data())).feed, 0.0f);
    ASSERT_EQ(told.shown.size(), 1u);
    EXPECT_EQ(told.shown[0].text.rfind("Operation 10 held values that are not numbers", 0), 0u);
    EXPECT_TRUE(std::isinf(l.table.slot(1).feed)); // saving leaves the table as it was
}

TEST(OperationFile, AbsurdValuesLoadAsZeroNamingTheOperation)
{
    // Finite values no operation holds: a length compensation of -1.66e25, a corner
    // radius of 6.3e-39; a million and a billionth are the last values kept.
    const auto put = [](std::string& record, int real, float value) {
        std::memcpy(record.data() + 7 + 4 * (real - 1), &value, sizeof value);
    };
    std::string huge = goldenRecord(20, 0, "HUGE");
    put(huge, 14, -1.66e25f);  // lcomp
    put(huge, 18, 2.0f);       // tshape: a diamond insert, drawn by its orientation
    std::string tiny = goldenRecord(30, 0, "TINY");
    put(tiny, 19, 6.3e-39f);   // cornerrad
    put(tiny, 18, 0.0f);       // an end mill
    std::string edge = goldenRecord(40, 0, "EDGE");
    put(edge, 11, -1e6f);
    put(edge, 12, 1e-9f);
    Loaded l(huge + tiny + edge);
    ASSERT_TRUE(l.ok);
    EXPECT_EQ(l.table.slot(1).lcomp, 0.0f);
    EXPECT_EQ(l.table.slot(1).tshape, 2.0f);
    EXPECT_EQ(l.table.slot(2).cornerrad, 0.0f);
    EXPECT_EQ(l.table.slot(3).xhome, -1e6f);
    EXPECT_EQ(l.table.slot(3).yhome, 1e-9f);
    ASSERT_EQ(l.prompter.shown.size(), 1u);
    EXPECT_EQ(l.prompter.shown[0].text.rfind("Operations 20, 30 in\n", 0), 0u) << l.prompter.shown[0].text;

    // The tool pictures build from what was loaded, and from an orientation edited far
    // out of range, without a count that runs past its type.
    vork::TToolImage image;
    TOperationTable table(&image);
    table.slot(1) = l.table.slot(1);
    table.slot(2) = l.table.slot(2);
    for (int n : {1, 2}) {
        image.ResetToolImage();
        table.SetCurrentTIM(n);
        EXPECT_FALSE(image.elements().empty()) << n;
    }
    table.slot(1).lcomp = -1.66e25f;
    image.ResetToolImage();
    table.SetCurrentTIM(1);
    EXPECT_FALSE(image.elements().empty());
}

TEST(OperationFile, MissingFileLeavesTheTableAndTheRecentList)
{
    Loaded l(records(2));
    ASSERT_TRUE(l.ok);
    EXPECT_FALSE(l.table.Loadfile(l.folder.file("NONE.OPF"), &l.prompter));
    EXPECT_FALSE(l.table.Loadfile(l.folder.path(), &l.prompter)); // a folder is no file
    ASSERT_EQ(l.prompter.shown.size(), 2u);
    EXPECT_EQ(l.prompter.shown[0].text, "Error Opening Operation File");
    EXPECT_EQ(l.prompter.shown[0].kind, platform::MessageKind::Error);
    EXPECT_EQ(l.table.OperationCount(), 2);
    EXPECT_EQ(l.table.RecentFiles.entries().size(), 1u);
}

// A program just opened takes its own operations or none: never the last program's, also
// when its operations file is there but cannot be read.
TEST(OperationFile, AProgramStartsWithItsOwnOperationsOrNone)
{
    Loaded l(records(2));
    ASSERT_TRUE(l.ok);
    EXPECT_FALSE(l.table.LoadForProgram(l.folder.file("NONE.OPF"), &l.prompter));
    EXPECT_EQ(l.table.OperationCount(), 0);
    EXPECT_TRUE(l.prompter.shown.empty());

    Loaded again(records(2));
    ASSERT_TRUE(again.ok);
    testsupport::writeUnreadable(again.folder, "LOCKED.OPF", "");
    EXPECT_TRUE(testsupport::asOrdinaryUser(
        [&] { return again.table.LoadForProgram(again.folder.file("LOCKED.OPF"), &again.prompter); }));
    EXPECT_EQ(again.table.OperationCount(), 0);
    ASSERT_EQ(again.prompter.shown.size(), 1u); // why it was not read
    EXPECT_TRUE(again.table.LoadForProgram(testsupport::examplePath("BRACKET.OPF"), &again.prompter));
    EXPECT_EQ(again.table.OperationCount(), 3);
}

TEST(OperationFile, SaveThenLoadGivesTheSameTablePosted)
{
    TempFolder folder;
    TOperationTable table;
    for (int n = 1; n <= vork::OperationSlots; ++n) {
        table.slot(n) = goldenValues(n, "OP");
        table.slot(n).flags = 0;
    }
    ASSERT_TRUE(table.Save(folder.file("ALL.OPF"), nullptr));
    EXPECT_EQ(folder.read("ALL.OPF").size(), 50 * vork::OperationRecordSize);

    TOperationTable back;
    ASSERT_TRUE(back.Loadfile(folder.file("ALL.OPF"), nullptr));
    for (int n = 1; n <= vork::OperationSlots; ++n) {
        TOperationRecord expected = table.slot(n);
        expected.flags = 1;
        EXPECT_EQ(back.slot(n), expected) << n;
    }

    // Only the operations before the first empty slot are written.
    table.slot(3).opnum = -1;
    ASSERT_TRUE(table.Save(folder.file("TWO.OPF"), nullptr));
    EXPECT_EQ(folder.read("TWO.OPF").size(), 2 * vork::OperationRecordSize);
    table.clearops();
    ASSERT_TRUE(table.Save(folder.file("ALL.OPF"), nullptr));
    EXPECT_EQ(folder.read("ALL.OPF"), "");
}

TEST(OperationFile, FailedSaveKeepsTheOldFile)
{
    TempFolder folder;
    // A name at the length limit leaves no room for the temporary file beside it.
    const std::string name = std::string(250, 'J') + ".OPF";
    folder.write(name, "OLD");
    TOperationTable table;
    exampleops::fillBracket(table);
    ScriptedPrompter prompter;
    EXPECT_FALSE(table.Save(folder.file(name), &prompter));
    EXPECT_EQ(folder.read(name), "OLD");
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text.rfind("Error Writing Operation File", 0), 0u);
}

TEST(OperationFile, DialogsStartInTheDrawingFolderWhenItExists)
{
    TempFolder folder;
    vork::AnalyzerSettings settings;
    settings.drawDir = folder.path();
    EXPECT_EQ(vork::OperationFileFolder(settings), folder.path());
    settings.drawDir = folder.file("MISSING/");
    EXPECT_EQ(vork::OperationFileFolder(settings), platform::programFolder());
}

TEST(OperationFile, RecentListKeepsFourAndReloadsTheHandedOverJob)
{
    TempFolder folder;
    TOperationTable table;
    for (const char* name : {"A.OPF", "B.OPF", "C.OPF", "D.OPF", "E.OPF"}) {
        folder.write(name, records(1));
        ASSERT_TRUE(table.Loadfile(folder.file(name), nullptr));
    }
    EXPECT_EQ(table.RecentFiles.entries(),
              (std::vector<std::string>{folder.file("E.OPF"), folder.file("D.OPF"), folder.file("C.OPF"),
                                        folder.file("B.OPF")}));
    platform::IniFile ini(folder.file("ZV.INI"));
    table.RecentFiles.write(ini);
    EXPECT_EQ(ini.readInt("Operationsdlg.OvcMenuMRU1.Items", "Count", 0), 4);

    // What MRW2013 leaves in ZV.INI for a job: the NC file's name with ".OPF" first.
    folder.write("JOB.OPF", records(2));
    folder.write("ZV.INI", "[Operationsdlg.OvcMenuMRU1.Items]\r\nCount=1\r\n0=" + folder.file("job.opf") + "\r\n");
    TOperationTable job;
    job.RecentFiles.read(platform::IniFile(folder.file("ZV.INI")));
    EXPECT_TRUE(job.LoadLastFile(nullptr));
    EXPECT_EQ(job.OperationCount(), 2);

    folder.write("ZV.INI", "[Operationsdlg.OvcMenuMRU1.Items]\r\nCount=1\r\n0=" + folder.file("GONE.OPF") + "\r\n");
    TOperationTable gone;
    gone.RecentFiles.read(platform::IniFile(folder.file("ZV.INI")));
    gone.slot(1).opnum = 7;
    EXPECT_FALSE(gone.LoadLastFile(nullptr));
    EXPECT_EQ(gone.slot(1).opnum, 7);
}

TEST(OperationTable, ToolLookupByToolWord)
{
    TOperationTable table;
    const auto op = [&](int n, int opnum, float tool, float offset) {
        table.slot(n).opnum = static_cast<std::int16_t>(opnum);
        table.slot(n).toolnum = tool;
        table.slot(n).offsetnum = offset;
    };
    op(1, -1, 12, 3); // an empty slot is passed over
    op(2, 10, 12, 2);
    op(3, 20, 12, 3);
    op(4, 30, 12, 3);
    op(5, 40, 4.5f, 0);
    op(6, 50, 5.5f, 0);
    const struct {
        double tool;
        bool lathe;
        int slot;
    } cases[] = {
        {1203, true, 3}, {1202, true, 2}, {1204, true, -1}, {12, false, 2}, {4, false, 5},
        {6, false, 6},   {5, false, -1},  {99, false, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(table.Tooltoopnum(c.tool, c.lathe), c.slot) << c.tool << (c.lathe ? " lathe" : " mill");
}

TEST(OperationTable, CurrentLookupsTreatAnythingButASlotAsNone)
{
    TOperationTable table;
    table.slot(50).opnum = 5;
    table.slot(50).color = 9;
    table.slot(50).tshape = 7.4f;
    table.slot(50).xhome = 2;
    table.slot(1).tshape = std::bit_cast<float>(0x7fc00000u); // not a number
    EXPECT_EQ(table.CurrentOpcolor(50), 9);
    EXPECT_EQ(table.CurrentToolShape(50), 7);
    EXPECT_EQ(table.CurrentToolShape(1), 0);
    EXPECT_EQ(table.OperationNumber(50), 5);
    EXPECT_EQ(table.Home(50).x, 2);
    for (int none : {-1, 0, 51}) {
        EXPECT_EQ(table.CurrentOpcolor(none), 1);
        EXPECT_EQ(table.CurrentToolShape(none), -1);
        EXPECT_EQ(table.OperationNumber(none), -1);
    }
}

std::vector<std::string> list(const TOperationTable& table)
{
    std::vector<std::string> out;
    for (int n = 1; n <= vork::OperationSlots && !table.slot(n).empty(); ++n)
        out.push_back(std::to_string(table.slot(n).opnum) + table.slot(n).desc[0]);
    return out;
}

void fill(TOperationTable& table, const std::vector<std::pair<int, std::string>>& ops)
{
    table.clearops();
    int n = 1;
    for (const auto& [opnum, desc] : ops) {
        table.slot(n).opnum = static_cast<std::int16_t>(opnum);
        table.slot(n++).desc[0] = desc;
    }
}

TEST(OperationTable, SortPutsNegativeNumbersAfterPositivesAndEmptySlotsLast)
{
    TOperationTable table;
    fill(table, {{-5, ""}, {10, ""}});
    table.slot(4).opnum = 3; // an operation after an empty slot
    table.SortByOpNumber();
    EXPECT_EQ(list(table), (std::vector<std::string>{"3", "10", "-5"}));
    // Equal numbers come out as the exchange sort leaves them.
    fill(table, {{20, "a"}, {10, ""}, {20, "b"}, {5, ""}});
    table.SortByOpNumber();
    EXPECT_EQ(list(table), (std::vector<std::string>{"5", "10", "20b", "20a"}));
}

TEST(OperationTable, DeleteCurrentAsksAndClearsTheMarkAndTheRunSlot)
{
    TOperationTable table;
    fill(table, {{10, ""}, {20, ""}, {30, ""}, {40, ""}});
    ScriptedPrompter prompter;
    std::int16_t runSlot = 2;

    EXPECT_FALSE(table.DeleteCurrent(prompter, runSlot)); // nothing marked
    table.MarkedOpnum = 25;
    EXPECT_FALSE(table.DeleteCurrent(prompter, runSlot)); // no such operation
    EXPECT_TRUE(prompter.shown.empty());

    table.MarkedOpnum = 20;
    prompter.buttons = {Button::No};
    EXPECT_FALSE(table.DeleteCurrent(prompter, runSlot));
    EXPECT_EQ(list(table).size(), 4u);

    prompter.buttons = {Button::Yes};
    EXPECT_TRUE(table.DeleteCurrent(prompter, runSlot));
    EXPECT_EQ(prompter.shown.back().text, "Sure You Want to Delete OP 20");
    EXPECT_EQ(list(table), (std::vector<std::string>{"10", "30", "40"}));
    EXPECT_EQ(table.MarkedOpnum, -1);
    EXPECT_EQ(runSlot, -1);

    prompter.buttons = {Button::No, Button::Yes};
    EXPECT_FALSE(table.DeleteAll(prompter));
    EXPECT_EQ(list(table).size(), 3u);
    EXPECT_TRUE(table.DeleteAll(prompter));
    EXPECT_EQ(prompter.shown.back().text, "Are You Sure you want to delete All Operations?");
    EXPECT_EQ(table.slot(1), vork::OperationTemplate());
}

TEST(OperationTable, RenumberByTheAnsweredIncrement)
{
    const struct {
        bool ok;
        const char* answer;
        std::vector<std::string> numbers;
        bool refused;
    } cases[] = {
        {true, "5", {"5", "10", "15"}, false},
        {true, " 100 ", {"100", "200", "300"}, false},
        {true, "ten", {"10", "20", "30"}, false}, // not a whole number: 10
        {true, "10922", {"10922", "21844", "32766"}, false},
        {true, "10923", {"7", "8", "9"}, true}, // past 32767
        {true, "0", {"7", "8", "9"}, true},
        {true, "-1", {"7", "8", "9"}, true},
        {false, "5", {"7", "8", "9"}, false}, // cancelled
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        TOperationTable table;
        fill(table, {{7, ""}, {8, ""}, {9, ""}});
        ScriptedPrompter prompter;
        prompter.inputs = {{c.ok, c.answer}};
        EXPECT_EQ(table.Renumber(prompter), c.ok && !c.refused);
        EXPECT_EQ(list(table), c.numbers);
        ASSERT_FALSE(prompter.shown.empty());
        EXPECT_EQ(prompter.shown[0].text, "Increment to Renumber By");
        EXPECT_EQ(prompter.shown.size(), c.refused ? 2u : 1u);
        EXPECT_EQ(table.slot(4).opnum, -1);
    }
}

TEST(OperationTable, ToolDescriptionPerShape)
{
    TOperationTable table;
    TOperationRecord& r = table.slot(1);
    r.tooldia = 12.5f;
    r.p = {80, 3, 0.5f, 0.03125f, 4, 1, 0.5f};
    const auto desc = [&](int shape, float corner = 0) {
        r.tshape = static_cast<float>(shape);
        r.cornerrad = corner;
        return table.ToolDesc(1);
    };
    EXPECT_EQ(desc(0), "12.5 Diameter Standard End Mill");
    EXPECT_EQ(desc(0, 2), "12.5 Diameter Bull Nose End Mill");
    EXPECT_EQ(desc(0, 6.25f), "12.5 Diameter Ball Nose End Mill");
    EXPECT_EQ(desc(1), "12.5 Diameter Drill 3. Tip Angle");
    EXPECT_EQ(desc(2), "80. Degree Diamond, 0.5 I.C., 3. Lead Angle");
    EXPECT_EQ(desc(3), "Square, 0.5 I.C., 3. Lead Angle");
    EXPECT_EQ(desc(4), "Triangle, 0.5 I.C., 3. Lead Angle");
    EXPECT_EQ(desc(5), "Round, 0.5 I.C.");
    EXPECT_EQ(desc(6), "Threading, 80. Wide");
    EXPECT_EQ(desc(7), "Grooving, 80. Wide");
    EXPECT_EQ(desc(8), "0.03125 Diameter Drill 4. Long, 80. Tip Angle");
    EXPECT_EQ(desc(9), "Tool Shape Not Defined");
}

TEST(OperationTable, CurrentToolImageIsBuiltFromTheOperationsShape)
{
    vork::TToolImage image;
    TOperationTable table(&image);
    TOperationRecord& r = table.slot(1);
    r.opnum = 10;
    r.tooldia = 1;
    r.p = {2, 90, 0.5f, 0.1f, 2, 0.75f, 0.5f};
    const struct {
        int shape, lcomp;
        std::size_t elements;
    } cases[] = {
        {0, 0, 10},                 // end mill: p1 its length
        {1, 0, 18},                 // drill
        {3, 1, 8}, {3, 0, 8},       // square insert; lcomp 0 draws OD turning
        {6, 2, 7}, {7, 1, 8}, {8, 1, 8},
        {9, 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shape);
        r.tshape = static_cast<float>(c.shape);
        r.lcomp = static_cast<float>(c.lcomp);
        if (c.shape >= 2)
            r.p = {90, 0, 0.5f, 0.1f, 2, 0.75f, 0.5f};
        image.ResetToolImage();
        table.SetCurrentTIM(1);
        EXPECT_EQ(image.elements().size(), c.elements);
    }
    // The drill's length is p1 and its point angle p2: 90 degrees on a diameter of 1 is a
    // cone of 0.5, and the top of a drill 3 long is at 3.
    r.tshape = 1;
    r.p[0] = 3;
    r.p[1] = 90;
    image.ResetToolImage();
    table.SetCurrentTIM(1);
    EXPECT_NEAR(image.elements()[0].val3, 0.5, 1e-12);
    EXPECT_NEAR(image.elements()[1].val3, 3, 1e-12);
    // ID boring turns the insert below the reference point.
    r.tshape = 3;
    r.lcomp = 2;
    image.ResetToolImage();
    table.SetCurrentTIM(1);
    EXPECT_NEAR(image.elements()[0].val2, -0.1, 1e-6);
}

TEST(OperationFile, ExampleJobsAreWhatTheWriterWrites)
{
    const struct {
        const char* file;
        void (*fill)(TOperationTable&);
        int operations;
    } cases[] = {{"BRACKET.OPF", exampleops::fillBracket, 3}, {"SHAFT.OPF", exampleops::fillShaft, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        TOperationTable expected;
        c.fill(expected);
        TempFolder folder;
        ASSERT_TRUE(expected.Save(folder.file("X.OPF"), nullptr));
        EXPECT_EQ(platform::readFileBytes(testsupport::examplePath(c.file)), folder.read("X.OPF"));
        ScriptedPrompter prompter;
        TOperationTable loaded;
        EXPECT_TRUE(loaded.Loadfile(testsupport::examplePath(c.file), &prompter));
        EXPECT_TRUE(prompter.shown.empty());
        EXPECT_EQ(loaded.OperationCount(), c.operations);
    }
}

} // namespace
