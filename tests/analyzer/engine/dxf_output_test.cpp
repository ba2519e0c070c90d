#include "analyzer/engine/dxf_output.h"

#include "platform/textfile.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"
#include "support/user_rights.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>

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

std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Choosing the output keeps an existing file of that name until the drawing replaces it
// whole, with the file's mode; through a link, the link's target is replaced.
TEST(DxfOutput, TheChosenFileIsReplacedWholeNeverEmptied)
{
    testsupport::TempFolder folder;
    folder.write("PATH.DXF", "OLD");
    ::chmod(folder.file("PATH.DXF").c_str(), 0640);
    std::filesystem::create_symlink(folder.file("PATH.DXF"), folder.file("LINK.DXF"));
    testsupport::ScriptedPrompter script;
    platform::Prompter* prompter = &script;
    vork::TDxfOutput out(prompter);
    ASSERT_TRUE(out.OpenOutputFile(folder.file("LINK.DXF")));
    out.WriteOutputElement(1, 0, 0, 0, 1, 1, 1);
    EXPECT_EQ(folder.read("PATH.DXF"), "OLD"); // not emptied, not cut off
    out.Checkpoint();
    const std::string empty = Fixture("empty_path.dxf");
    const std::string trailer = platform::joinLinesCrLf(vork::DxfTrailerLines());
    const std::string line = platform::joinLinesCrLf(vork::DxfElementLines(1, 0, 0, 0, 1, 1, 1));
    const std::string drawing = empty.substr(0, empty.size() - trailer.size()) + line + trailer;
    EXPECT_EQ(folder.read("PATH.DXF"), drawing);
    EXPECT_TRUE(std::filesystem::is_symlink(folder.file("LINK.DXF")));
    struct stat st{};
    ASSERT_EQ(::stat(folder.file("PATH.DXF").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    out.Finish();
    EXPECT_EQ(folder.read("PATH.DXF"), drawing);
    EXPECT_EQ(FilesIn(folder.path()), (std::vector<std::string>{"LINK.DXF", "PATH.DXF"})); // no scraps
    EXPECT_TRUE(script.shown.empty());

    // A file the user may not write is refused, also where its folder may be written.
    ::chmod(folder.path().c_str(), 0777);
    ::chmod(folder.file("PATH.DXF").c_str(), 0444);
    std::string error;
    EXPECT_FALSE(testsupport::asOrdinaryUser([&] { return out.OpenOutputFile(folder.file("PATH.DXF"), &error); }));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(out.DxfOutputOn());
    ::chmod(folder.file("PATH.DXF").c_str(), 0644);
    EXPECT_EQ(folder.read("PATH.DXF"), drawing);
}

// Writes a drawing to PATH.DXF (which holds "OLD") under a file size limit: 0 when the
// output then is off, told once that the file is left as it was, and the file and its
// folder are as they were.
int WriteUnderASizeLimit(const testsupport::TempFolder& folder)
{
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{20000, 20000};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    testsupport::ScriptedPrompter script;
    platform::Prompter* prompter = &script;
    vork::TDxfOutput out(prompter);
    bool sound = out.OpenOutputFile(folder.file("PATH.DXF"));
    for (int i = 0; i < 2000; ++i)
        out.WriteOutputElement(1, i, 0, 0, 1, 1, 1);
    out.Checkpoint();
    out.Finish();
    sound = sound && !out.DxfOutputOn() && script.shown.size() == 1 &&
            script.shown[0].text.find(folder.file("PATH.DXF") + " is left as it was") != std::string::npos &&
            folder.read("PATH.DXF") == "OLD" && FilesIn(folder.path()) == std::vector<std::string>{"PATH.DXF"};
    return sound ? 0 : 1;
}

// A write that fails midway (here at the file size limit, in a process of its own)
// turns the output off, says so and leaves the chosen file as it was, with no scraps.
TEST(DxfOutput, AFailedWriteLeavesTheChosenFileAsItWas)
{
    testsupport::TempFolder folder;
    folder.write("PATH.DXF", "OLD");
    EXPECT_EXIT(std::_Exit(WriteUnderASizeLimit(folder)), testing::ExitedWithCode(0), "");
}

} // namespace
