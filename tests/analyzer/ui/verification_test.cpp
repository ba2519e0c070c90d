#include "analyzer/ui/solids_verification.h"

#include "analyzer/engine/motion_file.h"
#include "analyzer/ui/window_commands.h"
#include "analyzer/ui/main_window.h"
#include "analyzer/ui/verification_dialogs.h"
#include "platform/ini.h"
#include "platform/qt/latin1.h"
#include "platform/textfile.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace vork;

namespace {

std::string exampleFile(const std::string& name)
{
    return testsupport::exampleFile(name);
}

void WriteMoves(const std::string& path, const std::vector<TMotionRecord>& records)
{
    MotionFile file;
    ASSERT_TRUE(file.recreate(path));
    for (const TMotionRecord& r : records)
        file.append(r);
    ASSERT_TRUE(file.close());
}

TMotionRecord Linear(double x, double y, double z)
{
    TMotionRecord r;
    r.opnum = 1;
    r.mode = 1;
    r.ex = x, r.ey = y, r.ez = z;
    return r;
}

TEST(VerificationDialog, ModesFieldsExtentsAndSettings)
{
    testsupport::TempFolder folder;
    testsupport::ScriptedPrompter prompter;
    const std::string motion = folder.file("VORK.MOT");
    folder.write("ZV.INI", "[DV]\r\nMTYPE=1\r\nEDIT1=7\r\n");
    TTorvelinDlg dialog(folder.file("ZV.INI"), [&] { return motion; }, prompter);
    dialog.show();
    QApplication::processEvents();
    EXPECT_EQ(dialog.windowTitle(), "Solids Verification");
    EXPECT_TRUE(dialog.calculateButton()->isDefault());

    // Turning from the settings: its labels, its picture, the block fields off.
    EXPECT_TRUE(dialog.turning()->isChecked());
    EXPECT_EQ(dialog.edit(1)->text(), "7");
    EXPECT_EQ(dialog.edit(7)->text(), "0.5");
    EXPECT_EQ(dialog.label(1)->text(), "Face -Z-");
    EXPECT_EQ(dialog.label(3)->text(), "Diameter");
    EXPECT_FALSE(dialog.edit(5)->isEnabled());
    EXPECT_FALSE(dialog.label(5)->isEnabled());
    EXPECT_TRUE(dialog.cylinderPicture()->isVisible());
    EXPECT_FALSE(dialog.blockPicture()->isVisible());

    dialog.milling()->click();
    EXPECT_EQ(dialog.label(1)->text(), "-X- Origin");
    EXPECT_EQ(dialog.label(4)->text(), "Length");
    EXPECT_TRUE(dialog.edit(5)->isEnabled());
    EXPECT_TRUE(dialog.blockPicture()->isVisible());

    // No moves: the fields stay and the user is told.
    dialog.CalculateExtents();
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(dialog.edit(1)->text(), "7");

    WriteMoves(motion, {Linear(0, 0, 0.1), Linear(4, 2, -1)});
    dialog.CalculateExtents();
    EXPECT_EQ(dialog.edit(1)->text(), "-0.50000");
    EXPECT_EQ(dialog.edit(6)->text(), "-1.60000");

    // A typed expression is evaluated when the field is left.
    dialog.edit(2)->setText("2*3");
    emit dialog.edit(2)->editingFinished();
    EXPECT_NE(dialog.edit(2)->text(), "2*3");

    dialog.accept();
    platform::IniFile ini(folder.file("ZV.INI"));
    EXPECT_EQ(ini.readInt("DV", "MTYPE", -1), 0);
    EXPECT_EQ(ini.readString("DV", "EDIT6", ""), "-1.60000");
    EXPECT_EQ(ini.readString("DV", "EDIT2", ""), platform::toBytes(dialog.edit(2)->text()));
}

TEST(VerificationDialog, WorkingWindowShowsPercentAndCancelOnlyCloses)
{
    TWorkingDlg working;
    working.reset("Preparing Solid File ...");
    EXPECT_TRUE(working.isVisible());
    EXPECT_EQ(working.windowTitle(), "Preparing Solid File ...");
    EXPECT_TRUE(working.windowFlags() & Qt::WindowStaysOnTopHint);
    working.SetPercent(42);
    EXPECT_EQ(working.meter()->value(), 42);
    QTest::mouseClick(working.cancelButton(), Qt::LeftButton);
    EXPECT_TRUE(working.closed);
    EXPECT_FALSE(working.isVisible());
    working.SetPercent(60); // the work goes on
    EXPECT_EQ(working.meter()->value(), 60);
    working.Reset("Again");
    EXPECT_FALSE(working.closed);
    EXPECT_EQ(working.meter()->value(), 0);
}

struct Analyzer {
    testsupport::TempFolder folder;
    testsupport::ScriptedPrompter prompter;
    std::unique_ptr<Tmdvform> window;

    Analyzer()
    {
        folder.write("MILL.MCH", exampleFile("Mill 1.MCH"));
        folder.write("BRACKET.TAP", exampleFile("BRACKET.TAP"));
        folder.write("O1001.TAP", exampleFile("O1001.TAP"));
        folder.write("BRACKET.OPF", exampleFile("BRACKET.OPF"));
        folder.write("ZV.INI", "[DV]\r\nDEFMCH=MILL.MCH\r\nSPEED=0\r\nSKIP=1\r\n[DIRECTORIES]\r\nTAPEDIR=" +
                                   folder.path() + "\r\n");
        QDir().mkpath(QString::fromStdString(folder.file("SOLID")));
        window = std::make_unique<Tmdvform>(folder.path(), &prompter);
        window->settings().solidPath = folder.file("SOLID/");
    }
    void run()
    {
        window->LoadFile(folder.file("BRACKET.TAP"));
        ASSERT_TRUE(LoadOperationFile(*window, folder.file("BRACKET.OPF")));
        for (int presses = 0; presses < 20 && !window->session().state.EndOfProgram; ++presses) {
            prompter.buttons = {platform::Button::No};
            window->Start();
        }
        prompter.shown.clear();
    }
    // A stand-in verifier that writes the file it was given into started.txt.
    void installVerifier()
    {
        folder.write("SOLID/torvelin", "#!/bin/sh\necho \"$1\" > started.txt\n");
        QFile::setPermissions(QString::fromStdString(folder.file("SOLID/torvelin")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    bool started()
    {
        QElapsedTimer waited;
        waited.start();
        while (!QFile::exists(QString::fromStdString(folder.file("SOLID/started.txt"))) && waited.elapsed() < 10000)
            QTest::qWait(20);
        return QFile::exists(QString::fromStdString(folder.file("SOLID/started.txt")));
    }
};

TEST(SolidsVerificationCommand, RefusesWithoutMovesOrOperations)
{
    Analyzer a;
    SolidsVerification(*a.window);
    ASSERT_EQ(a.prompter.shown.size(), 1u);
    EXPECT_EQ(a.prompter.shown[0].text,
              "File Must be Analyzed First,\nWith a complete-accurate operation list\npress [Start] to Analyze");
    a.run();
    a.window->operations().clearops();
    SolidsVerification(*a.window);
    ASSERT_EQ(a.prompter.shown.size(), 1u);
    EXPECT_EQ(a.prompter.shown[0].text, "No Operations Have Been defined");
}

TEST(SolidsVerificationCommand, WritesTheClFileAndStartsTheVerifier)
{
    Analyzer a;
    a.run();
    a.installVerifier();
    const TOperationTable before = a.window->operations();
    VerifySettings stock;
    ASSERT_TRUE(ExportAndVerify(*a.window, stock));
    ASSERT_TRUE(a.started());
    EXPECT_EQ(a.folder.read("SOLID/started.txt"), a.folder.file("SOLID/VORK2K.APT") + "\n");
    const auto cl = platform::splitLines(a.folder.read("SOLID/VORK2K.APT"));
    ASSERT_GT(cl.size(), 10u);
    EXPECT_EQ(cl[0], "PARTNO/" + a.window->session().state.NCFileName);
    EXPECT_EQ(cl.back(), "FINI");
    for (int slot = 1; slot <= 3; ++slot)
        EXPECT_EQ(a.window->operations().slot(slot), before.slot(slot));
}

TEST(SolidsVerificationCommand, TheMainWindowTakesNoCommandsDuringTheExport)
{
    Analyzer a;
    a.run();
    a.installVerifier();
    a.window->show();
    bool closedDuringExport = true;
    QTimer::singleShot(0, a.window.get(), [&] { closedDuringExport = a.window->close(); });
    ASSERT_TRUE(ExportAndVerify(*a.window, {}));
    EXPECT_FALSE(closedDuringExport);
    EXPECT_TRUE(a.window->isVisible());
    ASSERT_TRUE(a.started());
}

TEST(SolidsVerificationCommand, AFileThatCannotBeWrittenIsNamedAndNothingStarts)
{
    Analyzer a;
    a.run();
    a.installVerifier();
    QDir().mkpath(QString::fromStdString(a.folder.file("SOLID/VORK2K.APT"))); // in the way
    EXPECT_FALSE(ExportAndVerify(*a.window, {}));
    ASSERT_EQ(a.prompter.shown.size(), 1u);
    EXPECT_NE(a.prompter.shown[0].text.find(a.folder.file("SOLID/VORK2K.APT")), std::string::npos);
    QTest::qWait(200);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(a.folder.file("SOLID/started.txt"))));
}

TEST(SolidsVerificationCommand, AMissingVerifierIsReported)
{
    Analyzer a;
    a.run();
    EXPECT_FALSE(ExportAndVerify(*a.window, {}));
    ASSERT_EQ(a.prompter.shown.size(), 1u);
    EXPECT_EQ(a.prompter.shown[0].text, "Cannot Execute (2) [" + a.folder.file("SOLID/") + "TORVELIN.EXE]");

    // A folder given as the shipped settings give it, relative and with "\": the message
    // names the whole path tried.
    ::setenv("MRW_PROGRAM_DIR", a.folder.path().c_str(), 1);
    a.window->settings().solidPath = ".\\SOLID\\";
    a.prompter.shown.clear();
    EXPECT_FALSE(ExportAndVerify(*a.window, {}));
    ::unsetenv("MRW_PROGRAM_DIR");
    ASSERT_EQ(a.prompter.shown.size(), 1u);
    EXPECT_EQ(a.prompter.shown[0].text, "Cannot Execute (2) [" + a.folder.file("SOLID/TORVELIN.EXE") + "]");
}

} // namespace
