#include "analyzer/engine/dxf_output.h"

#include "platform/textfile.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <clocale>

namespace {

constexpr double Pi = 3.141592653589793;

std::string Fixture(const std::string& name) { return testsupport::readFixture(MRW_TEST_FIXTURES, name); }

std::string Joined(const std::vector<std::string>& lines)
{
    std::string out;
    for (const std::string& line : lines)
        out += line + "|";
    return out;
}

TEST(DxfOutput, Elements)
{
    struct Case {
        const char* name;
        int mode;
        double p[6];
        std::string expected;
    };
    const Case cases[] = {
        {"rapid is dashed", 0, {1, 2, 3, -0.25, 0, 1.5},
         "  0|LINE|  8|0|  6|DASHED| 10|1.000000000000| 20|2.000000000000| 30|3.000000000000| 11|-0.250000000000| 21|0.000000000000| 31|1.500000000000|"},
        {"feed is plain", 1, {1, 2, 3, 4, 5, 6},
         "  0|LINE|  8|0| 10|1.000000000000| 20|2.000000000000| 30|3.000000000000| 11|4.000000000000| 21|5.000000000000| 31|6.000000000000|"},
        {"lathe thread pass is dashed", 5, {-1, 0.5, 0, 0, 0.5, 0},
         "  0|LINE|  8|0|  6|DASHED| 10|-1.000000000000| 20|0.500000000000| 30|0.000000000000| 11|0.000000000000| 21|0.500000000000| 31|0.000000000000|"},
        {"drill point", 4, {1, 2, -0.5, 0.1, 0, 0}, "  0|POINT|  8|0| 10|1.000000000000| 20|2.000000000000| 30|-0.500000000000|"},
        {"CCW full circle from 0", 3, {1, 1, 0, 2, 0, 2 * Pi},
         "  0|CIRCLE|  8|0| 10|1.000000000000| 20|1.000000000000| 30|0.000000000000| 40|2.000000000000|"},
        {"CCW full circle from 90", 3, {1, 1, 0, 2, Pi / 2, Pi / 2 + 2 * Pi},
         "  0|CIRCLE|  8|0| 10|1.000000000000| 20|1.000000000000| 30|0.000000000000| 40|2.000000000000|"},
        {"CW full circle from 0", 2, {1, 1, 0, 2, 0, -2 * Pi},
         "  0|CIRCLE|  8|0| 10|1.000000000000| 20|1.000000000000| 30|0.000000000000| 40|2.000000000000|"},
        {"CW quarter 90 to 0", 2, {0, 0, -0.25, 1, Pi / 2, 0},
         "  0|ARC|  8|0| 10|0.000000000000| 20|0.000000000000| 30|-0.250000000000| 40|1.000000000000| 50|0.000000000000| 51|90.000000000000|"},
        {"dwell writes nothing", 9, {1, 2, 3, 4, 5, 6}, ""},
    };
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    for (const char* locale : {"C", "de_DE.UTF-8"}) {
        std::setlocale(LC_NUMERIC, locale);
        for (const Case& c : cases)
            EXPECT_EQ(Joined(vork::DxfElementLines(c.mode, c.p[0], c.p[1], c.p[2], c.p[3], c.p[4], c.p[5])), c.expected)
                << c.name << " " << locale;
    }
    std::setlocale(LC_NUMERIC, saved.c_str());

    // An arc of the ZX plane (angles from Z toward X) in the object coordinates of its
    // normal +Y: their X axis runs along -X and their Y axis along Z.
    vork::DxfArc zx;
    zx.centre = {1, 2, 3};
    zx.radius = 0.5;
    zx.start = 0;
    zx.end = Pi / 2;
    zx.first = {0, 0, 1};
    zx.second = {1, 0, 0};
    EXPECT_EQ(Joined(vork::DxfArcLines(3, zx)),
              "  0|ARC|  8|0| 10|-1.000000000000| 20|3.000000000000| 30|2.000000000000| 40|0.500000000000|"
              " 50|90.000000000000| 51|180.000000000000|210|0.000000000000|220|1.000000000000|230|0.000000000000|");
}

TEST(DxfOutput, FileIsWholeBetweenRunsAndAtTheEnd)
{
    testsupport::TempFolder folder;
    platform::Prompter* prompter = nullptr;
    vork::TDxfOutput out(prompter);
    EXPECT_FALSE(out.DxfOutputOn());
    out.WriteOutputElement(1, 0, 0, 0, 1, 1, 1); // off: nothing
    ASSERT_TRUE(out.OpenOutputFile(folder.file("PATH.DXF")));
    EXPECT_TRUE(out.DxfOutputOn());
    const std::string empty = Fixture("empty_path.dxf");
    const std::string trailer = platform::joinLinesCrLf(vork::DxfTrailerLines());
    const std::string header = empty.substr(0, empty.size() - trailer.size());
    out.Checkpoint();
    EXPECT_EQ(folder.read("PATH.DXF"), empty);

    const std::string line = platform::joinLinesCrLf(vork::DxfElementLines(1, 0, 0, 0, 1, 1, 1));
    const std::string point = platform::joinLinesCrLf(vork::DxfElementLines(4, 1, 1, 0, 0, 0, 0));
    out.WriteOutputElement(1, 0, 0, 0, 1, 1, 1);
    out.Checkpoint();
    EXPECT_EQ(folder.read("PATH.DXF"), header + line + trailer);
    out.WriteOutputElement(4, 1, 1, 0, 0, 0, 0);
    out.Checkpoint();
    out.Checkpoint();
    EXPECT_EQ(folder.read("PATH.DXF"), header + line + point + trailer);

    // A second file: the first is finished with its trailer, the second starts afresh.
    ASSERT_TRUE(out.OpenOutputFile(folder.file("NEXT.DXF")));
    EXPECT_EQ(folder.read("PATH.DXF"), header + line + point + trailer);
    // A file that cannot be created leaves the output where it was.
    std::string error;
    EXPECT_FALSE(out.OpenOutputFile(folder.file("no/such/folder.dxf"), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(out.path(), folder.file("NEXT.DXF"));
    out.WriteOutputElement(4, 1, 1, 0, 0, 0, 0);
    out.Finish();
    EXPECT_FALSE(out.DxfOutputOn());
    EXPECT_EQ(folder.read("NEXT.DXF"), header + point + trailer);
}

TEST(DxfOutput, WriteErrorIsReportedOnceAndTurnsTheOutputOff)
{
    testsupport::ScriptedPrompter script;
    platform::Prompter* prompter = &script;
    vork::TDxfOutput out(prompter);
    ASSERT_TRUE(out.OpenOutputFile("/dev/full"));
    for (int i = 0; i < 2000; ++i)
        out.WriteOutputElement(1, i, 0, 0, 1, 1, 1);
    out.Checkpoint();
    out.Checkpoint();
    EXPECT_FALSE(out.DxfOutputOn());
    ASSERT_EQ(script.shown.size(), 1u);
    EXPECT_NE(script.shown[0].text.find("/dev/full"), std::string::npos);
}

} // namespace
