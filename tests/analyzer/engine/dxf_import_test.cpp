#include "analyzer/engine/dxf_import.h"

#include "math/engine/mathlib.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using vork::DxfImportOptions;
using vork::DxfImportResult;
using vork::EntityArc;
using vork::EntityLine;
using vork::EntityPoint;
using vork::EntityText;
using vork::FixtureTable;
using vork::TEntityRecord;

namespace {

constexpr double Deg = vork::Pi / 180;

// A drawing from group code/value pairs written one per line as "code\nvalue", with the
// given line end; `entities` goes inside the ENTITIES section.
std::string Drawing(const std::string& entities, const std::string& eol = "\n")
{
    std::string text = "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1009\n  0\nENDSEC\n"
                       "  0\nSECTION\n  2\nENTITIES\n" +
                       entities + "  0\nENDSEC\n  0\nEOF\n";
    if (eol == "\n")
        return text;
    std::string out;
    for (char c : text)
        if (c == '\n')
            out += eol;
        else
            out += c;
    return out;
}

DxfImportResult Import(FixtureTable& table, const std::string& dxf, const DxfImportOptions& options = {})
{
    std::istringstream in(dxf);
    return vork::ImportDXF(in, "PART.DXF", options, table);
}

std::vector<TEntityRecord> Entities(const FixtureTable& table)
{
    std::vector<TEntityRecord> out;
    for (const auto& s : table.Slots())
        if (s.kind != vork::EntityFree)
            out.push_back(s);
    return out;
}

const std::string Sample = "  0\nPOINT\n  8\n1\n 10\n1.5\n 20\n-2\n 30\n0.25\n"
                           "  0\nLINE\n  8\n0\n 62\n3\n 10\n0\n 20\n0\n 30\n0\n 11\n4\n 21\n5\n 31\n6\n"
                           "  0\nTEXT\n  8\n0\n 10\n1\n 20\n2\n 30\n3\n 40\n0.5\n 50\n90\n  1\n 45%%127 x\n"
                           "  0\nCIRCLE\n  8\n0\n 10\n1\n 20\n1\n 30\n0\n 40\n2\n";

TEST(DxfImport, SampleEntitiesAreStoredByKindWithTheirGroupsAndCarriedColour)
{
    FixtureTable table;
    const auto result = Import(table, Drawing(Sample));
    EXPECT_TRUE(result.message.empty()) << result.message;
    EXPECT_EQ(result.stored, 4u);
    EXPECT_TRUE(table.loaded);
    EXPECT_TRUE(table.shown);
    const auto e = Entities(table);
    ASSERT_EQ(e.size(), 4u);

    EXPECT_EQ(e[0].kind, EntityPoint);
    EXPECT_EQ(e[0].entnum, 1);
    EXPECT_EQ(e[0].layer, 1);
    EXPECT_EQ(e[0].color, 9); // the start colour
    EXPECT_DOUBLE_EQ(e[0].val1, 1.5);
    EXPECT_DOUBLE_EQ(e[0].val2, -2);
    EXPECT_DOUBLE_EQ(e[0].val3, 0.25);

    EXPECT_EQ(e[1].kind, EntityLine);
    EXPECT_EQ(e[1].color, 3);
    EXPECT_DOUBLE_EQ(e[1].val4, 4);
    EXPECT_DOUBLE_EQ(e[1].val5, 5);
    EXPECT_DOUBLE_EQ(e[1].val6, 6);

    EXPECT_EQ(e[2].kind, EntityText);
    EXPECT_EQ(e[2].color, 3); // carried from the line
    EXPECT_EQ(e[2].text, " 45 Deg x");
    EXPECT_DOUBLE_EQ(e[2].val4, 0.5);
    EXPECT_DOUBLE_EQ(e[2].val5, 90 * Deg);

    EXPECT_EQ(e[3].kind, EntityArc);
    EXPECT_DOUBLE_EQ(e[3].val6, 2);
    EXPECT_DOUBLE_EQ(e[3].val4, 0);
    EXPECT_DOUBLE_EQ(e[3].val5, vork::TwoPi);
    EXPECT_TRUE(vork::IsFullCircle(e[3]));
}

bool SameEntities(const std::vector<TEntityRecord>& a, const std::vector<TEntityRecord>& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].kind != b[i].kind || a[i].entnum != b[i].entnum || a[i].color != b[i].color ||
            a[i].layer != b[i].layer || a[i].val1 != b[i].val1 || a[i].val2 != b[i].val2 ||
            a[i].val3 != b[i].val3 || a[i].val4 != b[i].val4 || a[i].val5 != b[i].val5 ||
            a[i].val6 != b[i].val6 || a[i].text != b[i].text)
            return false;
    return true;
}

TEST(DxfImport, LineEndsCrLfLfAndCrGiveTheSameTableAndWriteNoFile)
{
    FixtureTable lf;
    Import(lf, Drawing(Sample, "\n"));
    ASSERT_EQ(lf.Count(), 4u);
    for (const std::string eol : {"\r\n", "\r"}) {
        SCOPED_TRACE(eol.size());
        FixtureTable other;
        Import(other, Drawing(Sample, eol));
        EXPECT_TRUE(SameEntities(Entities(lf), Entities(other)));
    }

    const auto folder = std::filesystem::temp_directory_path() / "dxf_import_test";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const auto path = (folder / "PART.DXF").string();
    {
        std::ofstream(path, std::ios::binary) << Drawing(Sample, "\n");
    }
    FixtureTable fromFile;
    const auto result = vork::ImportDXFFile(path, {}, fromFile);
    EXPECT_EQ(result.stored, 4u);
    EXPECT_TRUE(SameEntities(Entities(lf), Entities(fromFile)));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()), 1);
    std::filesystem::remove_all(folder);
}

TEST(DxfImport, FileThatCannotBeOpenedIsNamedAndChangesNoFlag)
{
    FixtureTable table;
    const auto result = vork::ImportDXFFile("/nonexistent/NOPE.DXF", {}, table);
    EXPECT_TRUE(result.failed);
    EXPECT_NE(result.message.find("/nonexistent/NOPE.DXF"), std::string::npos);
    EXPECT_FALSE(table.loaded);
    EXPECT_FALSE(table.shown);
}

struct TransformCase {
    const char* name;
    DxfImportOptions options;
    std::string entity;
    std::array<double, 6> expected; // val1..val6
};

TEST(DxfImport, TransformsAndMapsTheLathe)
{
    DxfImportOptions turn90;
    turn90.rotationDegrees = 90;
    turn90.xBase = 1;
    DxfImportOptions turnAndMove = turn90;
    turnAndMove.xOffset = 10;
    turnAndMove.zOffset = -1;
    DxfImportOptions lathe;
    lathe.lathe = true;
    const std::string point = "  0\nPOINT\n 10\n2\n 20\n0\n 30\n0\n";
    const std::string line = "  0\nLINE\n 10\n5\n 20\n2\n 30\n0\n 11\n7\n 21\n3\n 31\n0\n";
    const std::string arc = "  0\nARC\n 10\n2\n 20\n0\n 30\n0\n 40\n3\n 50\n350\n 51\n10\n";
    const std::vector<TransformCase> cases = {
        {"rotation about base", turn90, point, {1, 1, 0, 0, 0, 0}},
        {"rotation then offset", turnAndMove, point, {11, 1, -1, 0, 0, 0}},
        {"arc angles turned, radius kept", turn90, arc, {1, 1, 0, 440 * Deg, 100 * Deg, 3}},
        {"lathe point", lathe, "  0\nPOINT\n 10\n5\n 20\n2\n 30\n0\n", {2, 0, 5, 0, 0, 0}},
        {"lathe line", lathe, line, {2, 0, 5, 3, 0, 7}},
        {"lathe arc", lathe, arc, {0, 0, 2, 350 * Deg, 10 * Deg, 3}},
        {"text without a height is 0.25 high", {}, "  0\nTEXT\n 10\n1\n 20\n2\n  1\nA\n", {1, 2, 0, 0.25, 0, 0}},
        {"circle without a radius is 0.25 wide", {}, "  0\nCIRCLE\n 10\n1\n 20\n2\n", {1, 2, 0, 0, 360 * Deg, 0.25}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FixtureTable table;
        Import(table, Drawing(c.entity), c.options);
        const auto e = Entities(table);
        ASSERT_EQ(e.size(), 1u);
        const std::array<double, 6> got = {e[0].val1, e[0].val2, e[0].val3, e[0].val4, e[0].val5, e[0].val6};
        for (std::size_t i = 0; i < 6; ++i)
            EXPECT_NEAR(got[i], c.expected[i], 1e-9) << "val" << i + 1;
    }
}

TEST(DxfImport, FaceBecomesFourClosedLinesNumberedInTurn)
{
    FixtureTable table;
    Import(table, Drawing("  0\nLINE\n 11\n1\n"
                          "  0\n3DFACE\n 10\n0\n 20\n0\n 11\n1\n 21\n0\n 12\n1\n 22\n1\n 13\n0\n 23\n1\n"));
    const auto e = Entities(table);
    ASSERT_EQ(e.size(), 5u);
    const double corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const auto& l = e[static_cast<std::size_t>(i) + 1];
        EXPECT_EQ(l.kind, EntityLine);
        EXPECT_EQ(l.entnum, i + 2);
        EXPECT_EQ(l.val1, corners[i][0]);
        EXPECT_EQ(l.val2, corners[i][1]);
        EXPECT_EQ(l.val4, corners[(i + 1) % 4][0]);
        EXPECT_EQ(l.val5, corners[(i + 1) % 4][1]);
    }
}

struct SelectCase {
    const char* name;
    std::string entities;
    DxfImportOptions options;
    std::vector<std::uint8_t> kinds;  // of the stored entities, in order
    std::vector<std::uint8_t> colors; // of the stored entities, in order
    bool endsInside = false;          // the drawing stops after `entities`
};

TEST(DxfImport, WhichEntitiesAreTakenAndTheirColours)
{
    DxfImportOptions layer0;
    layer0.allLayers = false;
    layer0.layer = 0;
    DxfImportOptions layer300; // compared as a byte: 300 is layer 44
    layer300.allLayers = false;
    layer300.layer = 300;
    DxfImportOptions red;
    red.startColor = 1;
    const std::vector<SelectCase> cases = {
        {"named layer reads as 0", "  0\nPOINT\n  8\nWALLS\n  0\nPOINT\n  8\n2\n", layer0, {EntityPoint}, {9}},
        {"layer compared as a byte", "  0\nPOINT\n  8\n44\n  0\nPOINT\n  8\n300.7\n", layer300,
         {EntityPoint, EntityPoint}, {9, 9}},
        {"colour 256 keeps, 16 taken, start colour", "  0\nPOINT\n 62\n256\n  0\nPOINT\n 62\n16\n  0\nPOINT\n",
         red, {EntityPoint, EntityPoint, EntityPoint}, {1, 16, 16}},
        {"names are case sensitive", "  0\nline\n 10\n1\n  0\nPOINT\n", {}, {EntityPoint}, {9}},
        {"entity names as values of other entities start nothing",
         "  0\nLWPOLYLINE\n  8\nPOINT\n 90\n2\n 10\n0\n 20\n0\n  0\nMTEXT\n  8\n0\n  1\nLINE\n  3\nLINE\n"
         "  0\nINSERT\n  2\nCIRCLE\n  0\nPOINT\n",
         {}, {EntityPoint}, {9}},
        {"nothing after the section end", "  0\nPOINT\n  0\nENDSEC\n  0\nSECTION\n  2\nOBJECTS\n  0\nLINE\n", {},
         {EntityPoint}, {9}},
        {"drawing ending inside an entity drops it", "  0\nPOINT\n  0\nLINE\n 10\n1\n 20\n", {}, {EntityPoint}, {9},
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FixtureTable table;
        std::string dxf = Drawing(c.entities);
        if (c.endsInside)
            dxf = dxf.substr(0, dxf.find(c.entities) + c.entities.size());
        const auto result = Import(table, dxf, c.options);
        EXPECT_FALSE(result.failed) << result.message;
        std::vector<std::uint8_t> kinds, colors;
        for (const auto& e : Entities(table))
            kinds.push_back(e.kind), colors.push_back(e.color);
        EXPECT_EQ(kinds, c.kinds);
        EXPECT_EQ(colors, c.colors);
    }
}

TEST(DxfImport, BadGroupCodeStopsWithFileAndLineKeepingWhatWasStored)
{
    FixtureTable table;
    const std::string dxf = "  0\nSECTION\n  2\nENTITIES\n  0\nPOINT\n  0\nPOINT\n 1x\nA\n  0\nPOINT\n";
    const auto result = Import(table, dxf);
    EXPECT_TRUE(result.failed);
    EXPECT_NE(result.message.find("PART.DXF"), std::string::npos) << result.message;
    EXPECT_NE(result.message.find("line 9"), std::string::npos) << result.message;
    EXPECT_EQ(table.Count(), 1u);
}

TEST(DxfImport, FullTableStopsOnceWithACountAndFurtherImportsUntilClear)
{
    std::string points;
    for (int i = 0; i < 2000; ++i)
        points += "  0\nPOINT\n 10\n" + std::to_string(i) + "\n";
    FixtureTable table;
    const auto first = Import(table, Drawing(points));
    EXPECT_TRUE(first.tableFull);
    EXPECT_EQ(first.stored, 1999u);
    EXPECT_NE(first.message.find("1999"), std::string::npos) << first.message;
    EXPECT_EQ(table.Count(), 1999u);
    EXPECT_EQ(table.Slots()[1999].kind, vork::EntityFree);
    ASSERT_NE(table.FindEntity(EntityPoint, 1999), nullptr);
    EXPECT_DOUBLE_EQ(table.FindEntity(EntityPoint, 1999)->val1, 1998);

    const auto again = Import(table, Drawing("  0\nLINE\n"));
    EXPECT_TRUE(again.tableFull);
    EXPECT_EQ(again.stored, 0u);
    EXPECT_EQ(table.FindEntity(EntityLine, 1), nullptr);

    table.Clear();
    EXPECT_EQ(table.Count(), 0u);
    EXPECT_FALSE(table.loaded);
    const auto afterClear = Import(table, Drawing("  0\nLINE\n"));
    EXPECT_FALSE(afterClear.tableFull);
    EXPECT_NE(table.FindEntity(EntityLine, 1), nullptr);
}

TEST(DxfImport, SecondImportAddsWithNewNumbers)
{
    FixtureTable table;
    Import(table, Drawing("  0\nPOINT\n 10\n1\n"));
    Import(table, Drawing("  0\nPOINT\n 10\n2\n"));
    ASSERT_NE(table.FindEntity(EntityPoint, 2), nullptr);
    EXPECT_DOUBLE_EQ(table.FindEntity(EntityPoint, 1)->val1, 1);
    EXPECT_DOUBLE_EQ(table.FindEntity(EntityPoint, 2)->val1, 2);
}

TEST(DxfImport, GarbledAndTruncatedDrawingsNeverCrash)
{
    const std::string base = Drawing(Sample, "\r\n");
    for (std::size_t cut = 0; cut < base.size(); cut += 7) {
        FixtureTable table;
        Import(table, base.substr(0, cut));
        std::string garbled = base;
        garbled[cut] = static_cast<char>(garbled[cut] ^ 0x5a);
        Import(table, garbled);
        EXPECT_LE(table.Count(), 8u);
    }
    // The two reference drawings (R12 and R2000), cut and garbled at many places.
    for (const char* name : {"FIXTURE12.DXF", "FIXTURE2000.DXF"}) {
        std::ifstream in(std::string(MRW_TEST_FIXTURES) + "/" + name, std::ios::binary);
        const std::string whole((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ASSERT_GT(whole.size(), 1000u);
        FixtureTable full;
        Import(full, whole);
        EXPECT_GT(full.Count(), 20u) << name;
        for (std::size_t at = 0; at < whole.size(); at += 251) {
            FixtureTable table;
            Import(table, whole.substr(0, at));
            std::string garbled = whole;
            for (std::size_t i = at; i < std::min(whole.size(), at + 40); i += 3)
                garbled[i] = static_cast<char>(garbled[i] * 31 + 7);
            Import(table, garbled);
        }
    }
}

} // namespace
