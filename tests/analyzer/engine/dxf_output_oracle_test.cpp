// The path drawings read by an independent DXF library: python3-ezdxf must read every
// file whole, audit it without errors and find one entity per move the run wrote.
// Skipped where ezdxf is not installed.
#include "analyzer/engine/dxf_output.h"
#include "platform/textfile.h"
#include "example_run.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <sstream>
#include <utility>
#include <vector>

namespace {

const std::string Script = std::string(MRW_TEST_FIXTURES) + "/dxf_oracle.py";

bool HaveEzdxf() { return std::system("/usr/bin/python3 -c 'import ezdxf' >/dev/null 2>&1") == 0; }

std::string Output(const std::string& command)
{
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen((command + " 2>&1").c_str(), "r"), pclose);
    std::string out;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe.get()))
        out.append(buffer, n);
    return out;
}

// What ezdxf finds in the file: "errors N" and a "KIND COUNT" line per kind.
std::string Audit(const std::string& file)
{
    return Output("/usr/bin/python3 '" + Script + "' audit '" + file + "'");
}

// Each arc and circle of the file as ezdxf places it in the world: the kind, then the
// world start, middle and end of an arc, or the centre, radius and normal of a circle.
std::vector<std::pair<std::string, std::vector<double>>> ArcsInTheWorld(const std::string& file)
{
    std::istringstream lines(Output("/usr/bin/python3 '" + std::string(MRW_TEST_FIXTURES) +
                                    "/dxf_arc_points.py' '" + file + "'"));
    std::vector<std::pair<std::string, std::vector<double>>> out;
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream in(line);
        std::pair<std::string, std::vector<double>> arc;
        in >> arc.first;
        for (double v = 0; in >> v;)
            arc.second.push_back(v);
        out.push_back(arc);
    }
    return out;
}

std::string Expected(const std::map<std::string, int>& counts)
{
    std::string out = "errors 0\n";
    for (const auto& [kind, count] : counts)
        if (count)
            out += kind + " " + std::to_string(count) + "\n";
    return out;
}

constexpr double Pi = 3.141592653589793;

TEST(DxfOutputOracle, EveryKindReadsAndAuditsClean)
{
    if (!HaveEzdxf())
        GTEST_SKIP() << "python3-ezdxf is not installed";
    testsupport::TempFolder folder;
    platform::Prompter* prompter = nullptr;
    vork::TDxfOutput out(prompter);
    ASSERT_TRUE(out.OpenOutputFile(folder.file("KINDS.DXF")));
    out.Checkpoint();
    EXPECT_EQ(Audit(folder.file("KINDS.DXF")), Expected({}));
    out.WriteOutputElement(0, 1, 2, 3, -0.25, 0, 1.5);
    out.WriteOutputElement(1, 1, 2, 3, 4, 5, 6);
    out.WriteOutputElement(5, -1, 0.5, 0, 0, 0.5, 0);
    out.WriteOutputElement(4, 1, 2, -0.5, 0.1, 0, 0);
    out.WriteOutputElement(3, 1, 1, 0, 2, 0, 2 * Pi);
    out.WriteOutputElement(3, 1, 1, 0, 2, Pi / 2, Pi / 2 + 2 * Pi);
    out.WriteOutputElement(2, 0, 0, -0.25, 1, Pi / 2, 0);
    out.Checkpoint(); // the file reads whole while the analyzer stays open
    EXPECT_EQ(Audit(folder.file("KINDS.DXF")), Expected({{"LINE", 3}, {"POINT", 1}, {"CIRCLE", 2}, {"ARC", 1}}));
    // Starting another file finishes this one.
    ASSERT_TRUE(out.OpenOutputFile(folder.file("NEXT.DXF")));
    EXPECT_EQ(Audit(folder.file("KINDS.DXF")), Expected({{"LINE", 3}, {"POINT", 1}, {"CIRCLE", 2}, {"ARC", 1}}));
}

// Counts what the run hands to the output, by the entity it becomes.
class CountingDxf : public vork::DxfOutput {
public:
    explicit CountingDxf(vork::TDxfOutput& out) : m_out(out) {}
    bool DxfOutputOn() const override { return m_out.DxfOutputOn(); }
    void WriteOutputElement(int mode, double p1, double p2, double p3, double p4, double p5, double p6) override
    {
        const auto lines = vork::DxfElementLines(mode, p1, p2, p3, p4, p5, p6);
        if (!lines.empty())
            ++counts[lines[1]];
        m_out.WriteOutputElement(mode, p1, p2, p3, p4, p5, p6);
    }
    void WriteOutputArc(int mode, const vork::DxfArc& arc) override
    {
        const auto lines = vork::DxfArcLines(mode, arc);
        if (!lines.empty())
            ++counts[lines[1]];
        m_out.WriteOutputArc(mode, arc);
    }
    std::map<std::string, int> counts;

private:
    vork::TDxfOutput& m_out;
};

TEST(DxfOutputOracle, ExampleProgramsPathIsReadWhole)
{
    if (!HaveEzdxf())
        GTEST_SKIP() << "python3-ezdxf is not installed";
    const struct {
        const char* program;
        const char* operations;
        const char* machine;
    } cases[] = {{"BRACKET.TAP", "BRACKET.OPF", "Mill 1.MCH"}, {"SHAFT.TAP", "SHAFT.OPF", "Lathe 1.MCH"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.program);
        examplerun::ExampleRun example(c.machine, c.operations);
        ASSERT_TRUE(example.ready);
        example.copy(c.program);
        testsupport::TempFolder& folder = example.folder;
        platform::Prompter* outPrompter = &example.prompter;
        vork::TDxfOutput out(outPrompter);
        CountingDxf counting(out);
        example.services.dxf = &counting;
        ASSERT_TRUE(out.OpenOutputFile(folder.file("PATH.DXF")));
        ASSERT_TRUE(example.run(c.program, [&] { out.Checkpoint(); }));
        EXPECT_GT(counting.counts["LINE"], 10);
        EXPECT_EQ(Audit(folder.file("PATH.DXF")), Expected(counting.counts));
        out.Finish();
        EXPECT_EQ(Audit(folder.file("PATH.DXF")), Expected(counting.counts));
    }
}

// Arcs in the ZX and YZ planes of a mill lie where they were cut: a CAD program finds
// their ends at the blocks' points and a full turn as a circle about the plane's normal;
// a helix is drawn flat at its end's height, ending at the block's end.
TEST(DxfOutputOracle, MillArcsLieInTheirOwnPlane)
{
    if (!HaveEzdxf())
        GTEST_SKIP() << "python3-ezdxf is not installed";
    examplerun::ExampleRun example("Mill 1.MCH", "");
    ASSERT_TRUE(example.ready);
    testsupport::TempFolder& folder = example.folder;
    folder.write("ARCS.TAP", "G00 X0. Y1. Z0.\r\n"
                             "G18 G02 X1. Z1. R1.\r\n" // about (0, 1, 1), clockwise seen from +Y
                             "G03 X2. Z0. R1.\r\n"     // about (1, 1, 0)
                             "G02 X2. Z0. I-1. K0.\r\n" // a full turn about (1, 1, 0)
                             "G17 G03 X1. Y2. I-1. J0.\r\n"
                             "G19 G03 Y2. Z0. J-1. K0.\r\n"  // a full turn about (1, 1, 0)
                             "G03 Y1. Z1. J-1. K0.\r\n"      // about (1, 1, 0)
                             "G18 G00 X2. Y1. Z0.\r\n"
                             "G02 X1. Y3. Z1. I-1. K0.\r\n"); // a helix along Y
    platform::Prompter* outPrompter = &example.prompter;
    vork::TDxfOutput out(outPrompter);
    example.services.dxf = &out;
    ASSERT_TRUE(out.OpenOutputFile(folder.file("ARCS.DXF")));
    ASSERT_TRUE(example.run("ARCS.TAP"));
    out.Finish();

    const double h = std::sqrt(0.5);
    const std::vector<std::pair<std::string, std::vector<double>>> expected = {
        // An arc runs counter-clockwise about its normal: a clockwise block from its end.
        {"ARC", {1, 1, 1, h, 1, 1 - h, 0, 1, 0}},
        {"ARC", {1, 1, 1, 1 + h, 1, h, 2, 1, 0}},
        {"CIRCLE", {1, 1, 0, 1, 0, 1, 0}},
        {"ARC", {2, 1, 0, 1 + h, 1 + h, 0, 1, 2, 0}},
        {"CIRCLE", {1, 1, 0, 1, 1, 0, 0}},
        {"ARC", {1, 2, 0, 1, 1 + h, h, 1, 1, 1}},
        {"ARC", {1, 3, 1, 1 + h, 3, h, 2, 3, 0}},
    };
    const auto found = ArcsInTheWorld(folder.file("ARCS.DXF"));
    ASSERT_EQ(found.size(), expected.size());
    for (std::size_t k = 0; k < found.size(); ++k) {
        EXPECT_EQ(found[k].first, expected[k].first) << k;
        ASSERT_EQ(found[k].second.size(), expected[k].second.size()) << k;
        for (std::size_t v = 0; v < found[k].second.size(); ++v)
            EXPECT_NEAR(found[k].second[v], expected[k].second[v], 1e-9) << "arc " << k << " value " << v;
    }
    EXPECT_EQ(Audit(folder.file("ARCS.DXF")), Expected({{"LINE", 2}, {"ARC", 5}, {"CIRCLE", 2}}));
}

} // namespace
