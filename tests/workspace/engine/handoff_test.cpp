#include "workspace/engine/handoff.h"
#include "workspace/engine/bmacro_interpreter.h"
#include "workspace/engine/editor_host.h"
#include "workspace/engine/machine_database.h"
#include "workspace/engine/scratch_files.h"
#include "workspace/engine/send_text.h"
#include "workspace/engine/setup_report.h"

#include "platform/folders.h"
#include "platform/paths.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using testsupport::TempFolder;

TEST(AnalyzerHandOff, JobNames)
{
    const mrw::AnalyzerJob job = mrw::makeAnalyzerJob("/shop/v1.0/PART.TAP", "HAAS VF2");
    EXPECT_EQ(job.NcFile, "/shop/v1.0/PART.TAP");
    EXPECT_EQ(job.OperationsFile, "/shop/v1.0/PART.OPF");
    EXPECT_EQ(job.MachineFile, "HAAS VF2.MCH");
    EXPECT_EQ(mrw::makeAnalyzerJob("/shop/v1.0/PART", "M").OperationsFile, "/shop/v1.0/PART.OPF");
}

TEST(AnalyzerHandOff, WritesEntryZeroAndCountWhereItIsZero)
{
    TempFolder dir;
    dir.write("ZV.INI", "[General]\r\nEDIT=1\r\n"
                        "[mdvform.OvcMenuMRU1.Items]\r\nCount=3\r\n0=/old/A.TAP\r\n1=/old/B.TAP\r\n2=/old/C.TAP\r\n"
                        "[mdvform.OvcMenuMRU2.Items]\r\nCount=0\r\n");
    platform::IniFile zv(dir.file("ZV.INI"));
    mrw::writeAnalyzerHandOff(zv, mrw::makeAnalyzerJob("/nc/O1001.TAP", "MILL"));

    // The analyzer reloads item 0 of each list; the lists' counts say how many items there are.
    EXPECT_EQ(zv.readString("Operationsdlg.OvcMenuMRU1.Items", "0"), "/nc/O1001.OPF");
    EXPECT_EQ(zv.readInt("Operationsdlg.OvcMenuMRU1.Items", "Count", 0), 1);
    EXPECT_EQ(zv.readString("mdvform.OvcMenuMRU1.Items", "0"), "/nc/O1001.TAP");
    EXPECT_EQ(zv.readInt("mdvform.OvcMenuMRU1.Items", "Count", 0), 3);
    EXPECT_EQ(zv.readString("mdvform.OvcMenuMRU1.Items", "1"), "/old/B.TAP");
    EXPECT_EQ(zv.readString("mdvform.OvcMenuMRU2.Items", "0"), "MILL.MCH");
    EXPECT_EQ(zv.readInt("mdvform.OvcMenuMRU2.Items", "Count", 0), 1);
    EXPECT_EQ(zv.readString("General", "EDIT"), "1");
    EXPECT_EQ(zv.sections().front(), "General");
}

TEST(ScratchFiles, TwoNewEmptyFilesRemovedAtTheEnd)
{
    TempFolder dir;
    const mrw::ScratchFiles files = mrw::createScratchFiles(dir.path());
    EXPECT_NE(files.SendBufferFile, files.SendSourceFile);
    for (const auto& f : {files.SendBufferFile, files.SendSourceFile}) {
        EXPECT_EQ(platform::folderPart(f), dir.path());
        const std::string name = platform::fileNamePart(f);
        EXPECT_EQ(name.substr(0, 3), "MRW");
        EXPECT_EQ(platform::fileExtension(name), ".TMP");
        EXPECT_TRUE(platform::fileExists(f));
    }
    dir.write(platform::fileNamePart(files.SendSourceFile) + ".XXX", "x");
    mrw::deleteScratchFiles(files);
    EXPECT_FALSE(platform::fileExists(files.SendBufferFile));
    EXPECT_FALSE(platform::fileExists(files.SendSourceFile));
    EXPECT_FALSE(platform::fileExists(files.SendSourceFile + ".XXX"));
}

TEST(ScratchFiles, NeverTakesAnExistingName)
{
    TempFolder dir;
    std::vector<std::string> names;
    for (int i = 0; i < 50; ++i) {
        names.push_back(mrw::createScratchFile(dir.path()));
        dir.write(platform::fileNamePart(names.back()), "in use");
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end());
    EXPECT_EQ(mrw::createScratchFile(dir.file("missing/")), "");
    EXPECT_THROW(mrw::createScratchFiles(dir.file("missing/")), std::runtime_error);
}

// The files MRW2013 writes under fixed names in a folder other users share: a link planted
// there by another user is replaced, never followed, and its target keeps its text and mode.
TEST(ScratchFiles, FixedNamesNeverFollowAPlantedLink)
{
    struct QuietConsole : mrw::BMacroConsole {
        bool askValue(const std::string&, double&) override { return true; }
        void showLine(int, const std::string&, int) override {}
        bool stopRequested() override { return false; }
    };
    struct Writer {
        const char* name;
        std::function<bool(const TempFolder&, const std::string&)> write;
        std::string written;
    };
    const Writer writers[] = {
        {"MRW1A.TMP",
         [](const TempFolder&, const std::string& path) {
             mrw::EditorTextView view;
             view.lines = {"G00 X1.", "M30"};
             return mrw::writeSendText(view, mrw::sendtext::WholeFile, path);
         },
         "G00 X1.\r\nM30\r\n"},
        {"SETUP.TMP",
         [](const TempFolder&, const std::string& path) {
             std::string error;
             return mrw::writeSetupReportFile(path, {"MACHINE", "PORT 1"}, &error);
         },
         "MACHINE\r\nPORT 1\r\n"},
        {"BMACROVARS.TXT",
         [](const TempFolder& dir, const std::string& path) {
             mrw::BMacroJob job;
             job.OutputFile = dir.file("PART.OUT");
             job.VariablesFile = path;
             job.Memo = {"#100=2"};
             QuietConsole console;
             testsupport::ScriptedPrompter prompter;
             const bool normal = mrw::RunBMacroJob(job, {"M30"}, console, prompter).normal();
             return normal && prompter.shown.empty();
         },
         "#100=2\r\n"},
    };
    for (const Writer& w : writers) {
        for (const char* target : {"notes", "gone"}) {
            SCOPED_TRACE(std::string(w.name) + " -> " + target);
            TempFolder dir;
            dir.write("notes", "mine\r\n");
            ASSERT_EQ(::chmod(dir.file("notes").c_str(), 0600), 0);
            ASSERT_EQ(::symlink(dir.file(target).c_str(), dir.file(w.name).c_str()), 0);
            EXPECT_TRUE(w.write(dir, dir.file(w.name)));
            struct stat st{};
            ASSERT_EQ(::lstat(dir.file(w.name).c_str(), &st), 0);
            EXPECT_TRUE(S_ISREG(st.st_mode));
            EXPECT_EQ(dir.read(w.name), w.written);
            EXPECT_EQ(dir.read("notes"), "mine\r\n");
            ASSERT_EQ(::stat(dir.file("notes").c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, 0600u);
            EXPECT_FALSE(platform::fileExists(dir.file("gone")));
        }
    }
}

TEST(ScratchFiles, TempFolderFallsBackToTheProgramFolder)
{
    TempFolder program;
    TempFolder temp;
    const std::string before = platform::currentFolder();
    EXPECT_EQ(mrw::enterTempFolder(program.file("no such folder"), program.path()), program.path());
    EXPECT_EQ(platform::currentFolder(), before);
    EXPECT_EQ(mrw::enterTempFolder(temp.path(), program.path()), temp.path());
    EXPECT_EQ(platform::currentFolder(), temp.path());
    platform::setCurrentFolder(before);
}

// Every machine of the example database hands the analyzer a machine file that the
// examples ship (the hub boxes are not machines the analyzer runs).
TEST(AnalyzerHandOff, EveryExampleMachineHasItsMachineFile)
{
    const mrw::MachineDatabase db(testsupport::examplePath("WPOSTS.INI"));
    int machines = 0;
    for (const std::string& name : db.sortedMachineNames()) {
        if (name.rfind("HUB", 0) == 0)
            continue;
        ++machines;
        const std::string file = mrw::makeAnalyzerJob("/nc/PART.TAP", name).MachineFile;
        EXPECT_TRUE(platform::fileExists(platform::resolveCaseInsensitive(testsupport::examplePath(file)))) << file;
    }
    EXPECT_EQ(machines, 3);
}
