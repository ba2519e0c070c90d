// The drawing in the analyzer's real window: arcs of the path in the display file, the
// view a machine brings, and the extent fit.
#include "analyzer/ui/main_window.h"

#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

#include <QApplication>
#include <QComboBox>

#include <gtest/gtest.h>

#include <filesystem>

using namespace vork;

namespace {

std::string exampleFile(const std::string& name)
{
    return testsupport::exampleFile(name);
}

// The example mill and lathe, the mill loaded at start.
struct Window {
    testsupport::TempFolder folder;
    testsupport::ScriptedPrompter prompter;
    std::unique_ptr<Tmdvform> window;

    Window()
    {
        folder.write("MILL.MCH", exampleFile("Mill 1.MCH"));
        folder.write("LATHE.MCH", exampleFile("Lathe 1.MCH"));
        folder.write("ZV.INI", "[DV]\r\nDEFMCH=MILL.MCH\r\nSPEED=0\r\n[DIRECTORIES]\r\nTAPEDIR=" + folder.path() +
                                   "\r\n");
        window = std::make_unique<Tmdvform>(folder.path(), &prompter);
        window->resize(1000, 700);
        window->show();
        QApplication::processEvents();
    }
    void runToEnd()
    {
        for (int presses = 0; presses < 10 && !window->session().state.EndOfProgram; ++presses) {
            prompter.buttons = {platform::Button::No};
            window->Start();
        }
    }
    std::uintmax_t displayFileSize() const
    {
        return std::filesystem::file_size(window->workFolder() + "DVW.DI~");
    }
};

// Rounds of arcs in all three planes, helices among them, with the animated tool.
std::string arcProgram(int rounds)
{
    std::string text = "G20 G17 G90\r\nG00 X0. Y0. Z0.\r\nG01 X1. F20.\r\n";
    for (int i = 0; i < rounds; ++i) {
        text += "G17 G03 X0. Y1. I-1. J0.\r\nG02 X1. Y0. R1.\r\nG03 X1. Y0. Z-0.1 I-1. J0.\r\n"
                "G18 G02 X0. Z0.9 R1.\r\nG19 G03 Y0.5 Z0.4 J0.5 K0.\r\nG17 G01 X1. Y0. Z0.\r\n";
    }
    return text + "M30\r\n";
}

TEST(DrawingWindow, ARefreshShowsTheArcsTheRunDrewFromOneRecordEach)
{
    Window w;
    w.folder.write("ARCS.TAP", arcProgram(1));
    w.window->LoadFile(w.folder.file("ARCS.TAP"));
    w.runToEnd();
    ASSERT_TRUE(w.window->session().state.EndOfProgram);
    const std::uintmax_t oneRound = w.displayFileSize();
    const QImage run = w.window->canvas().image().copy();

    w.window->RepaintDrawing();
    EXPECT_EQ(w.window->canvas().image(), run); // the same picture, the tool where it stopped

    // Ten times the arcs: the file grows by a few records an arc, not by their chords.
    Window longer;
    longer.folder.write("ARCS.TAP", arcProgram(10));
    longer.window->LoadFile(longer.folder.file("ARCS.TAP"));
    longer.runToEnd();
    EXPECT_LT(longer.displayFileSize() - oneRound, 9 * 6 * 6 * 20u); // six blocks a round, six records each
}

TEST(DrawingWindow, EachMachineBringsItsOwnView)
{
    Window w;
    ASSERT_TRUE(w.window->LoadMachine(w.folder.file("LATHE.MCH")));
    EXPECT_TRUE(w.window->view().latheView);
    EXPECT_TRUE(w.window->drawingWindow().LatheMode);
    ASSERT_TRUE(w.window->LoadMachine(w.folder.file("MILL.MCH")));
    EXPECT_FALSE(w.window->view().latheView);
    EXPECT_FALSE(w.window->drawingWindow().LatheMode);
    EXPECT_EQ(w.window->findChild<QComboBox*>("viewCombo")->currentText(), "XY - View");

    // A view of the user's own choice stays with the next mill.
    w.window->SelectView(ViewXZ);
    ASSERT_TRUE(w.window->LoadMachine(w.folder.file("MILL.MCH")));
    EXPECT_EQ(w.window->findChild<QComboBox*>("viewCombo")->currentText(), "XZ - View");
}

} // namespace
