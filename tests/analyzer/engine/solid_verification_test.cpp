#include "analyzer/engine/solid_verification.h"

#include "analyzer/engine/motion_file.h"
#include "example_run.h"
#include "platform/file_replace.h"
#include "platform/ini.h"
#include "platform/textfile.h"
#include "support/temp_folder.h"
#include "support/user_rights.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <filesystem>
#include <functional>
#include <iterator>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using vork::TMotionRecord;
using vork::TOperationRecord;

std::string Fixture(const std::string& name) { return testsupport::readFixture(MRW_TEST_FIXTURES, name); }

TMotionRecord Move(int opnum, int mode, double sx, double sy, double sz, double ex, double ey, double ez,
                   double feed = 0, double cx = 0, double cy = 0, double radius = 0, double rplane = 0)
{
    TMotionRecord r;
    r.opnum = static_cast<std::int16_t>(opnum);
    r.mode = static_cast<std::uint8_t>(mode);
    r.sx = sx, r.sy = sy, r.sz = sz;
    r.ex = ex, r.ey = ey, r.ez = ez;
    r.feed = feed;
    r.cx = cx, r.cy = cy, r.radius = radius;
    r.rplane = rplane;
    return r;
}

void WriteMotion(const std::string& path, const std::vector<TMotionRecord>& records)
{
    std::string bytes;
    for (const TMotionRecord& r : records) {
        const auto encoded = vork::EncodeMotionRecord(r);
        bytes.append(reinterpret_cast<const char*>(encoded.data()), encoded.size());
    }
    ASSERT_TRUE(platform::saveFileAtomic(path, bytes, nullptr, false));
}

TOperationRecord Op(int opnum, int optype, double toolnum, double speed, double feed, double feedmode)
{
    TOperationRecord op;
    op.opnum = static_cast<std::int16_t>(opnum);
    op.optype = static_cast<std::uint8_t>(optype);
    op.toolnum = static_cast<float>(toolnum);
    op.speed = static_cast<float>(speed);
    op.feed = static_cast<float>(feed);
    op.feedmode = static_cast<float>(feedmode);
    return op;
}

void P(TOperationRecord& op, int n, double v) { op.p[static_cast<std::size_t>(n - 1)] = static_cast<float>(v); }

struct Export {
    testsupport::TempFolder folder;
    vork::TOperationTable table;
    vork::ClExportJob job;
    Export()
    {
        job.motionPath = folder.file("VORK.MOT");
        job.clPath = folder.file("VORK2K.APT");
        job.operations = &table;
    }
    vork::ClExportResult run(const std::vector<TMotionRecord>& records)
    {
        WriteMotion(job.motionPath, records);
        return vork::WriteCLFile(job, nullptr);
    }
    std::vector<std::string> lines() { return platform::splitLines(folder.read("VORK2K.APT")); }
};

TEST(ClExport, MillJobGolden)
{
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8"); // the CL file never takes the locale's comma
    Export e;
    e.job.ncFileName = "C:\\NC\\BRACKET.TAP";
    e.job.stock.edit = {"-0.50000", "-0.50000", "0.10000", "5.00000", "3.00000", "-1.60000", "0.5"};
    TOperationRecord endMill = Op(10, 1, 1, 2500.5, 20, 1);
    endMill.tooldia = 0.5f;
    endMill.cornerrad = 0.75f; // larger than the tool: written as 0
    endMill.zhome = 1;
    P(endMill, 1, 3);
    TOperationRecord drill = Op(20, 1, 2, 1000, 5, 2);
    drill.tshape = 1;
    drill.tooldia = 0.25f;
    drill.xhome = 1, drill.yhome = 2, drill.zhome = 3;
    P(drill, 1, 4);
    P(drill, 2, 118);
    TOperationRecord unposted = Op(30, 1, 3, 100, 1, 1);
    vork::SetFlagBit(unposted.flags, 0, false);
    e.table.slot(1) = endMill;
    e.table.slot(2) = drill;
    e.table.slot(3) = unposted;
    const vork::ClExportResult result = e.run({
        Move(10, 0, 0, 0, 1, 1, 1, 0.1),
        Move(10, 1, 1, 1, 0.1, 1, 1, -0.25, 20),
        Move(10, 3, 1, 1, -0.25, 2, 2, -0.3, 20, 1, 2, 1), // helical: the next arc sits at -0.3
        Move(10, 2, 2, 2, -0.25, 3, 1, -0.5, 15, 2, 1, 1),
        Move(10, 2, 3, 1, -0.5, 3, 1, -0.5, 15, 3, 1, 0.00001), // no radius: nothing at all
        Move(20, 1, 1, 2, 3, 1.5, 2.5, 0.1, 5),
        Move(20, 4, 1.5, 2.5, 0.1, 1.5, 2.5, -0.5, 5, 0, 0, 0, 0.1),
        Move(30, 1, 0, 0, 0, 9, 9, 9, 1),
        Move(10, 1, 0, 0, 0, 8, 8, 8, 20), // after its slot was passed
    });
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_TRUE(result.written);
    EXPECT_EQ(e.folder.read("VORK2K.APT"), Fixture("mill.apt"));
    EXPECT_EQ(result.leftOut, (std::map<int, int>{{10, 1}}));
}

TEST(ClExport, LatheJobGoldenLeavesTheTableAsItWas)
{
    Export e;
    e.job.ncFileName = "SHAFT.TAP";
    e.job.stock.mode = 1;
    e.job.stock.edit = {"0.1", "3", "2.5", "0.0", "0.0", "0.0", "0.5"};
    TOperationRecord diamond = Op(1, 0, 1203, 500, 0.01, 2);
    diamond.lcomp = 2;
    diamond.tshape = 2;
    diamond.tooldia = 0.0625f;
    diamond.xhome = 2, diamond.zhome = 1;
    P(diamond, 1, 80);
    P(diamond, 2, 5);
    P(diamond, 4, 0.03125);
    P(diamond, 7, 0.5);
    TOperationRecord thread = Op(2, 0, 5, 800, 0.0625, 2);
    thread.lcomp = 5;
    thread.tshape = 6;
    thread.xhome = 1.5, thread.zhome = 0.5;
    P(thread, 1, 0.3464);
    TOperationRecord groove = Op(3, 0, 7, 300, 0.002, 2);
    groove.lcomp = 1;
    groove.tshape = 7;
    groove.tooldia = 0.25f;
    groove.xhome = 2, groove.zhome = -1;
    P(groove, 1, 0.125);
    P(groove, 3, 0.5);
    e.table.slot(1) = diamond;
    e.table.slot(2) = thread;
    e.table.slot(3) = groove;
    const vork::ClExportResult result = e.run({
        Move(1, 0, 1, 2, 0, 0.1, 1.5, 0),
        Move(1, 1, 0.1, 1.5, 0, -2, 1.5, 0, 0.01),
        Move(1, 2, -2, 1.5, 0, -2.5, 1.0, 0, 0.01, -2, 1.0, 0.5),
        Move(1, 5, -2.5, 1.0, 0, -1, 0.5, 0, 0.05, 0, 0, 0, 0.05),
        Move(1, 3, -1, 0.5, 0, -1, 0.5, 0, 0.05, -1, 0.5, 0),
        Move(2, 5, 0.5, 0.5, 0, -1, 0.45, 0, 0.0625, 0, 0, 0, 0.0625),
        Move(3, 1, -1.5, 1.0, 0, -1.5, 0.0, 0, 0.002),
    });
    EXPECT_TRUE(result.written);
    EXPECT_TRUE(result.leftOut.empty());
    EXPECT_EQ(e.folder.read("VORK2K.APT"), Fixture("lathe.apt"));
    EXPECT_FLOAT_EQ(e.table.slot(3).tooldia, 0.25f);
}

TEST(ClExport, ToolShapesOrientationsAndNoseOffsets)
{
    struct Case {
        const char* name;
        int optype, lcomp, shape;
        double tooldia, cornerrad, p1, p2, p3, p4, p5, p7;
        const char* toolLine; // "" for none
        const char* from;
        const char* start;    // the first move's start point
    };
    const Case cases[] = {
        {"square, 4", 0, 4, 3, 0.1, 0, 90, 0, 0, 0.5, 0, 0.0156, "PPRINT/TURN SQUARE 0.5000 0.0156 -45.0000",
         "FROM/2.00000,0.0,1.00000", "GOTO/1.05000,0.0,-0.05000"},
        {"triangle, 1", 0, 1, 4, 0.1, 0, 60, 3, 0, 0.25, 0, 0.0312, "PPRINT/TURN TRIANGLE 0.2500 0.0312 27.0000",
         "FROM/2.00000,0.0,1.00000", "GOTO/1.05000,0.0,0.05000"},
        {"round, 6", 0, 6, 5, 0.1, 0, 0, 0, 0, 0, 0, 0.125, "PPRINT/TURN CIRCLE 0.1250", "FROM/2.00000,0.0,1.00000",
         "GOTO/1.05000,0.0,0.05000"},
        {"lathe drill, 3", 0, 3, 8, 0.1, 0, 118, 0, 0, 0.5, 6, 0, "CUTTER/ 0.50000,0.0,0,0,31.00000,0,6.00000",
         "FROM/2.00000,0.0,1.00000", "GOTO/1.00000,0.0,0.00000"},
        {"diamond, 5", 0, 5, 2, 0.1, 0, 80, 5, 0, 0.5, 0, 0.0156, "PPRINT/TURN DIAMOND 0.5000 0.0156 80.0000 -325.0000",
         "FROM/2.00000,0.0,1.00000", "GOTO/0.95000,0.0,-0.05000"},
        {"groove, 5", 0, 5, 7, 0.4, 0, 0.125, 0, 0.5, 0.01, 0, 0, "PPRINT/TURN GROOVE 0.0100 0.1250 0.5000 -180.0000",
         "FROM/2.00000,0.0,1.00000", "GOTO/0.99000,0.0,-0.01000"},
        {"groove, 2", 0, 2, 7, 0.4, 0, 0.125, 0, 0.5, 0, 0, 0, "PPRINT/TURN GROOVE 0.0021 0.1250 0.5000 180.0000",
         "FROM/2.00000,0.0,1.00000", "GOTO/1.00000,0.0,0.00000"},
        {"no shape line", 0, 3, 1, 0.1, 0, 0, 0, 0, 0, 0, 0, "", "FROM/2.00000,0.0,1.00000", "GOTO/1.00000,0.0,0.00000"},
        {"end mill with corner", 1, 0, 0, 0.5, 0.1, 3, 0, 0, 0, 0, 0, "CUTTER/ 0.50000,0.10000,0,0,0,0,3.00000",
         "FROM/2.00000,3.00000,1.00000", "GOTO/0.00000,1.00000,0.00000"},
        {"corner past the radius, within the diameter", 1, 0, 0, 0.5, 0.4, 3, 0, 0, 0, 0, 0,
         "CUTTER/ 0.50000,0.40000,0,0,0,0,3.00000", "FROM/2.00000,3.00000,1.00000", "GOTO/0.00000,1.00000,0.00000"},
        {"kind 2", 2, 0, 0, 0.5, 0, 3, 0, 0, 0, 0, 0, "CUTTER/ 0.50000,0.00000,0,0,0,0,3.00000",
         "FROM/2.00000,0.0,1.00000", "GOTO/1.00000,0.0,0.00000"},
    };
    for (const Case& c : cases) {
        Export e;
        TOperationRecord op = Op(1, c.optype, 4, 100, 1, 1);
        op.lcomp = static_cast<float>(c.lcomp);
        op.tshape = static_cast<float>(c.shape);
        op.tooldia = static_cast<float>(c.tooldia);
        op.cornerrad = static_cast<float>(c.cornerrad);
        op.xhome = 2, op.yhome = 3, op.zhome = 1;
        P(op, 1, c.p1), P(op, 2, c.p2), P(op, 3, c.p3), P(op, 4, c.p4), P(op, 5, c.p5), P(op, 7, c.p7);
        e.table.slot(1) = op;
        ASSERT_TRUE(e.run({Move(1, 1, 0, 1, 0, 0, 2, 0)}).written);
        std::vector<std::string> expected = {"LOADTL/ 4", "SPINDL/ 100,  CLW", "FEDRAT/1.0000, IPM", c.from, c.start};
        if (*c.toolLine)
            expected.insert(expected.begin(), c.toolLine);
        const auto lines = e.lines();
        ASSERT_GE(lines.size(), 3 + expected.size()) << c.name;
        EXPECT_EQ(std::vector<std::string>(lines.begin() + 3, lines.begin() + 3 + static_cast<long>(expected.size())),
                  expected)
            << c.name;
    }
}

TEST(ClExport, NothingToWriteOrNowhereToWrite)
{
    Export e;
    e.table.slot(1) = Op(1, 1, 1, 100, 1, 1);
    EXPECT_FALSE(e.run({}).written);
    EXPECT_FALSE(platform::readFileBytes(e.job.clPath));
    e.job.clPath = e.folder.file("missing/VORK2K.APT");
    const vork::ClExportResult result = e.run({Move(1, 1, 0, 0, 0, 1, 1, 1)});
    EXPECT_FALSE(result.written);
    EXPECT_NE(result.error.find(e.job.clPath), std::string::npos);
}

mode_t ModeOf(const std::string& path)
{
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// The CL file is the user's: it keeps its mode, a link to it stays a link to the file
// written, a file the user may not write is refused, and a link another user planted
// where a temporary file of this process might go is never followed.
TEST(ClExport, TheFileIsReplacedAsTheUsersOwn)
{
    const std::vector<TMotionRecord> moves = {Move(1, 1, 0, 0, 0, 1, 1, 1)};
    {
        Export e;
        e.table.slot(1) = Op(1, 1, 1, 100, 1, 1);
        e.folder.write("VORK2K.APT", "OLD");
        ::chmod(e.job.clPath.c_str(), 0600);
        e.folder.write("notes", "NOTES");
        std::filesystem::create_symlink(e.folder.file("notes"), e.job.clPath + ".~" + std::to_string(::getpid()));
        ASSERT_TRUE(e.run(moves).written);
        EXPECT_EQ(e.lines().back(), "FINI");
        EXPECT_EQ(ModeOf(e.job.clPath), 0600u);
        EXPECT_FALSE(std::filesystem::is_symlink(e.job.clPath));
        EXPECT_EQ(e.folder.read("notes"), "NOTES");
    }
    {
        Export e;
        e.table.slot(1) = Op(1, 1, 1, 100, 1, 1);
        e.folder.write("TARGET.APT", "OLD");
        std::filesystem::create_symlink(e.folder.file("TARGET.APT"), e.job.clPath);
        ASSERT_TRUE(e.run(moves).written);
        EXPECT_TRUE(std::filesystem::is_symlink(e.job.clPath));
        EXPECT_EQ(platform::splitLines(e.folder.read("TARGET.APT")).back(), "FINI");
    }
    {
        Export e;
        e.table.slot(1) = Op(1, 1, 1, 100, 1, 1);
        e.folder.write("VORK2K.APT", "OLD");
        ::chmod(e.job.clPath.c_str(), 0444);
        ::chmod(e.folder.path().c_str(), 0777);
        WriteMotion(e.job.motionPath, moves);
        // The motion file is the run's own scratch file: the user's, as the run made it.
        if (testsupport::runningAsRoot()) {
            ASSERT_EQ(::chown(e.job.motionPath.c_str(), testsupport::NobodyId, testsupport::NobodyId), 0);
        }
        const vork::ClExportResult result =
            testsupport::asOrdinaryUser([&] { return vork::WriteCLFile(e.job, nullptr); });
        EXPECT_FALSE(result.written);
        EXPECT_EQ(result.error, platform::writeProtectedText(e.job.clPath));
        EXPECT_EQ(e.folder.read("VORK2K.APT"), "OLD");
        EXPECT_EQ(ModeOf(e.job.clPath), 0444u);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(e.folder.path()), {}), 2); // no scraps
    }
}

TEST(ClExport, ValuesThatAreNotNumbersAreRefusedAndTheLastFileKept)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        const char* what;
        std::function<void(TOperationRecord&)> damage;
        TMotionRecord move;
        const char* error;
    } cases[] = {
        {"home", [](TOperationRecord& op) { op.xhome = std::numeric_limits<float>::quiet_NaN(); },
         Move(7, 1, 0, 0, 0, 1, 1, 1), "Operation 7 holds"},
        {"diameter", [](TOperationRecord& op) { op.tooldia = std::numeric_limits<float>::infinity(); },
         Move(7, 1, 0, 0, 0, 1, 1, 1), "Operation 7 holds"},
        {"end point", [](TOperationRecord&) {}, Move(7, 1, 0, 0, 0, nan, 1, 1), "A move of Operation 7 holds"},
        {"arc radius", [](TOperationRecord&) {}, Move(7, 3, 1, 0, 0, -1, 0, 0, 1, 0, 0, -inf),
         "A move of Operation 7 holds"},
        {"feed", [](TOperationRecord&) {}, Move(7, 1, 0, 0, 0, 1, 1, 1, nan), "A move of Operation 7 holds"},
        {"tool shape", [](TOperationRecord& op) { op.tshape = std::numeric_limits<float>::quiet_NaN(); },
         Move(7, 1, 0, 0, 0, 1, 1, 1), "Operation 7 holds"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Export e;
        TOperationRecord op = Op(7, 1, 4, 100, 1, 1);
        c.damage(op);
        e.table.slot(1) = op;
        e.folder.write("VORK2K.APT", "OLD");
        const vork::ClExportResult result = e.run({Move(7, 0, 0, 0, 5, 0, 0, 1), c.move});
        EXPECT_FALSE(result.written);
        EXPECT_EQ(result.error.rfind(c.error, 0), 0u) << result.error;
        EXPECT_NE(result.error.find(e.job.clPath + " was not written"), std::string::npos) << result.error;
        EXPECT_EQ(e.folder.read("VORK2K.APT"), "OLD");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(e.folder.path()), {}), 2); // no scraps
    }

    // The stock leaves out a move that is not on the part.
    testsupport::TempFolder folder;
    const std::string motion = folder.file("VORK.MOT");
    WriteMotion(motion, {Move(1, 1, 0, 0, 0, 4, 2, -1), Move(1, 1, 0, 0, 0, inf, nan, -9), Move(1, 1, 0, 0, 0, 0, 0, 0)});
    vork::VerifySettings s;
    s.edit[6] = "0";
    ASSERT_TRUE(vork::CalculateExtents(motion, s));
    EXPECT_EQ(s.edit, (std::array<std::string, 7>{"0.00000", "0.00000", "0.00000", "4.00000", "2.00000", "-1.00000",
                                                  "0"}));
}

TEST(ClExport, StockFromTheMoves)
{
    testsupport::TempFolder folder;
    const std::string motion = folder.file("VORK.MOT");
    vork::VerifySettings s;
    EXPECT_FALSE(vork::CalculateExtents(motion, s)); // no motion file
    // Extents x 0..4, y 0..2, z -1..0.1 (the rapid's 0.2 counts as 0.1).
    WriteMotion(motion, {Move(1, 0, 0, 0, 0, 0, 0, 0.2), Move(1, 1, 0, 0, 0, 4, 2, -1),
                         Move(-1, 1, 0, 0, 0, 50, 50, -50), Move(1, 9, 0, 0, 0, 60, 60, 60)});
    ASSERT_TRUE(vork::CalculateExtents(motion, s));
    EXPECT_EQ(s.edit, (std::array<std::string, 7>{"-0.50000", "-0.50000", "0.10000", "5.00000", "3.00000", "-1.60000",
                                                  "0.5"}));

    // An arc widens the box by its quadrant points: a CCW half circle about (2, 0) of
    // radius 1 from 0 to 180 degrees reaches y 1.
    WriteMotion(motion, {Move(1, 3, 3, 0, 0, 1, 0, 0, 1, 2, 0, 1)});
    ASSERT_TRUE(vork::CalculateExtents(motion, s));
    EXPECT_EQ(s.edit[4], "2.00000");
    // Clockwise the same points give the lower half.
    WriteMotion(motion, {Move(1, 2, 3, 0, 0, 1, 0, 0, 1, 2, 0, 1)});
    ASSERT_TRUE(vork::CalculateExtents(motion, s));
    EXPECT_EQ(s.edit[1], "-1.50000");

    // Turning ignores rapids: length = Z extent + offset, diameter = 2 x largest X + offset.
    vork::VerifySettings t;
    t.mode = 1;
    t.edit[0] = "7";
    WriteMotion(motion, {Move(1, 0, 0, 0, 0, 5, 9, 0), Move(1, 1, 0, 0, 0, -3, 1.25, 0), Move(1, 1, 0, 0, 0, 0, 0.5, 0)});
    ASSERT_TRUE(vork::CalculateExtents(motion, t));
    EXPECT_EQ(t.edit, (std::array<std::string, 7>{"7", "3.50000", "3.00000", "0.0", "0.0", "0.0", "0.5"}));

    // Only rapids in turning: nothing counts, nothing changes.
    WriteMotion(motion, {Move(1, 0, 0, 0, 0, 5, 9, 0)});
    vork::VerifySettings u = t;
    EXPECT_FALSE(vork::CalculateExtents(motion, u));
    EXPECT_EQ(u.edit, t.edit);
}

// Runs `program` of the example folder and exports the run as VORK2K.APT beside it;
// the lines of the file, none when the export failed.
std::vector<std::string> RunAndExport(examplerun::ExampleRun& example, const std::string& program)
{
    if (!example.run(program))
        return {};
    example.session->motion.close();
    vork::ClExportJob job;
    job.motionPath = example.folder.file("VORK.MOT");
    job.clPath = example.folder.file("VORK2K.APT");
    job.operations = &example.operations;
    if (!vork::WriteCLFile(job, nullptr).written)
        return {};
    return platform::splitLines(example.folder.read("VORK2K.APT"));
}

// The bracket example run and exported: its ZX arc (N150, from (-0.6, -0.6, 0.1)) is
// a circle about a centre at the arc's own Y, and the stock stays the path's.
TEST(ClExport, BracketExampleArcCentreInItsPlane)
{
    examplerun::ExampleRun example("Mill 1.MCH", "BRACKET.OPF");
    ASSERT_TRUE(example.ready);
    example.copy("BRACKET.TAP");
    const auto lines = RunAndExport(example, "BRACKET.TAP");
    ASSERT_FALSE(lines.empty());
    const auto n150 = std::find(lines.begin(), lines.end(), "GOTO/ -0.20000,-0.60000,0.50000");
    ASSERT_NE(n150, lines.end());
    // About the Y axis through the centre (-0.6, -0.6, 0.5): the next point lies on it.
    EXPECT_EQ(*std::prev(n150), "CIRCLE/ -0.60000,-0.60000,0.50000,0,-1,0,0.40000");

    // N160, in the YZ plane from (-0.2, -0.6, 0.5): about the X axis through Y -0.6, Z 0.9.
    const auto n160 = std::find(lines.begin(), lines.end(), "GOTO/ -0.20000,-0.20000,0.90000");
    ASSERT_NE(n160, lines.end());
    EXPECT_EQ(*std::prev(n160), "CIRCLE/ -0.20000,-0.60000,0.90000,1,0,0,0.40000");

    vork::VerifySettings stock;
    ASSERT_TRUE(vork::CalculateExtents(example.folder.file("VORK.MOT"), stock));
    // The path's lowest X and Y, -0.6, less the offset: the ZX arc reaches no further.
    EXPECT_EQ(stock.edit[0], "-1.10000");
    EXPECT_EQ(stock.edit[1], "-1.10000");
}

// Arcs of the ZX and YZ planes, full circles, helices and arcs whose ends are level
// with each other, run and exported: each circle turns about its plane's own axis
// through the block's centre, clockwise or counter-clockwise as the block says.
TEST(ClExport, ArcsOfEveryPlaneTurnAboutTheirOwnAxis)
{
    examplerun::ExampleRun example("Mill 1.MCH", "BRACKET.OPF");
    ASSERT_TRUE(example.ready);
    example.folder.write("PLANES.TAP", "T1 M06\r\n"
                                       "G00 X2. Y1. Z0.\r\n"
                                       "G18 G03 X2. Z0. I-1. K0. F10.\r\n"
                                       "G03 X1. Y3. Z1. I-1. K0.\r\n"
                                       "G19 G00 X1. Y2. Z0.\r\n"
                                       "G03 Y2. Z0. J-1. K0.\r\n"
                                       "G02 X3. Y1. Z-1. J-1. K0.\r\n"
                                       "G17 G00 X-0.6 Y-0.6 Z0.1\r\n"
                                       "G18 G03 X-0.2 Z0.1 R0.4\r\n"
                                       "G00 X-0.6\r\n"
                                       "G02 X-0.2 Z0.1 R0.4\r\n");
    const auto lines = RunAndExport(example, "PLANES.TAP");
    ASSERT_FALSE(lines.empty());
    std::vector<std::string> arcs; // each CIRCLE with the GOTO after it
    for (auto at = lines.begin(); at != lines.end(); ++at)
        if (at->rfind("CIRCLE/", 0) == 0 && std::next(at) != lines.end())
            arcs.push_back(*at + " " + *std::next(at));
    EXPECT_EQ(arcs, (std::vector<std::string>{
                        // ZX full circle about Y through (1, 1, 0), and a ZX helix climbing Y
                        "CIRCLE/ 1.00000,1.00000,0.00000,0,1,0,1.00000 GOTO/ 2.00000,1.00000,0.00000",
                        "CIRCLE/ 1.00000,1.00000,0.00000,0,1,0,1.00000 GOTO/ 1.00000,3.00000,1.00000",
                        // YZ full circle about X, and a clockwise YZ helix climbing X
                        "CIRCLE/ 1.00000,1.00000,0.00000,1,0,0,1.00000 GOTO/ 1.00000,2.00000,0.00000",
                        "CIRCLE/ 1.00000,1.00000,0.00000,-1,0,0,1.00000 GOTO/ 3.00000,1.00000,-1.00000",
                        // Ends level in Z: the centre below them counter-clockwise, above clockwise
                        // (a chord as long as the radius takes the radius 0.001 shorter)
                        "CIRCLE/ -0.40000,-0.60000,-0.24525,0,1,0,0.39900 GOTO/ -0.20000,-0.60000,0.10000",
                        "CIRCLE/ -0.40000,-0.60000,0.44525,0,-1,0,0.39900 GOTO/ -0.20000,-0.60000,0.10000",
                    }));
}

// The height an XY circle sits at is where the path last went, also when that was a
// drilling cycle: its holes end at the R plane, as their last GOTO says.
TEST(ClExport, AnXyArcAfterADrillingCycleSitsAtTheCyclesLastHeight)
{
    examplerun::ExampleRun example("Mill 1.MCH", "BRACKET.OPF");
    ASSERT_TRUE(example.ready);
    example.folder.write("HOLES.TAP", "T1 M06\r\n"
                                      "G00 X0. Y0. Z1.\r\n"
                                      "G99 G81 X1. Y0. Z-.5 R.1 F5.\r\n"
                                      "G80\r\n"
                                      "G17 G02 X3. Y0. I1. J0. F10.\r\n");
    const auto lines = RunAndExport(example, "HOLES.TAP");
    ASSERT_FALSE(lines.empty());
    const auto circle = std::find_if(lines.begin(), lines.end(),
                                     [](const std::string& l) { return l.rfind("CIRCLE/", 0) == 0; });
    ASSERT_NE(circle, lines.end());
    const auto lastGoto = std::find_if(std::make_reverse_iterator(circle), lines.rend(),
                                       [](const std::string& l) { return l.rfind("GOTO/", 0) == 0; });
    ASSERT_NE(lastGoto, lines.rend());
    EXPECT_EQ(*lastGoto, "GOTO/ 1.0000,0.0000,0.10000");
    EXPECT_EQ(*circle, "CIRCLE/ 2.00000,0.00000,0.10000,0,0,-1,1.00000");
    EXPECT_EQ(*std::next(circle), "GOTO/ 3.00000,0.00000,0.10000");
}

TEST(ClExport, StockHoldsArcsOfEveryPlane)
{
    testsupport::TempFolder folder;
    const std::string motion = folder.file("VORK.MOT");
    const auto circle = [](int plane, double sx, double sy, double sz) {
        TMotionRecord r = Move(1, 3, sx, sy, sz, sx, sy, sz, 10, 1, 1, 1);
        r.arcPlane = static_cast<std::int16_t>(plane);
        r.cz = 0;
        return r;
    };
    const struct {
        TMotionRecord arc;
        std::array<std::string, 6> stock;
    } cases[] = {
        // Full circles about (1, 1, 0) of radius 1: in ZX from X 0 to 2 and Z -1 to 1.
        {circle(1, 2, 1, 0), {"0.00000", "1.00000", "1.00000", "2.00000", "0.00000", "-2.00000"}},
        {circle(2, 1, 2, 0), {"1.00000", "0.00000", "1.00000", "0.00000", "2.00000", "-2.00000"}},
        {circle(0, 2, 1, 0), {"0.00000", "0.00000", "0.00000", "2.00000", "2.00000", "0.00000"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arc.arcPlane);
        WriteMotion(motion, {c.arc});
        vork::VerifySettings s;
        s.edit[6] = "0";
        ASSERT_TRUE(vork::CalculateExtents(motion, s));
        EXPECT_EQ(std::vector<std::string>(s.edit.begin(), s.edit.begin() + 6),
                  std::vector<std::string>(c.stock.begin(), c.stock.end()));
    }
}

TEST(ClExport, SettingsUnderDv)
{
    testsupport::TempFolder folder;
    platform::IniFile ini(folder.file("ZV.INI"));
    vork::VerifySettings s;
    s.mode = 5;
    vork::ExchangeVerifySettings(s, ini, false);
    EXPECT_EQ(s.mode, 0);
    EXPECT_EQ(s.edit[6], "0.5");
    s.mode = 1;
    s.edit[2] = "2*PI";
    vork::ExchangeVerifySettings(s, ini, true);
    EXPECT_EQ(ini.readString("dv", "edit3", ""), "2*PI");
    EXPECT_EQ(ini.readInt("DV", "MTYPE", 0), 1);
    vork::VerifySettings back;
    vork::ExchangeVerifySettings(back, ini, false);
    EXPECT_EQ(back.mode, 1);
    EXPECT_EQ(back.edit, s.edit);
}

} // namespace
