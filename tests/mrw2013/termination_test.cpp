// MRW2013 ended by a logout or Ctrl+C: the real program, started offscreen on a program
// folder of its own with a program open, is sent the signal.
#include "support/temp_folder.h"

#include "platform/folders.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QThread>

#include <csignal>

namespace {

QStringList scratchFiles(const std::string& folder)
{
    QStringList found;
    QDir dir(QString::fromStdString(folder));
    for (const QString& sub : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        found += QDir(dir.filePath(sub)).entryList({"MRW*.TMP"}, QDir::Files);
    found += dir.entryList({"MRW*.TMP"}, QDir::Files);
    return found;
}

} // namespace

TEST(Termination, ALogoutOrCtrlCEndsWithoutAskingAndRemovesTheScratchFiles)
{
    for (int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        testsupport::TempFolder program, windows;
        for (const char* name : {"MRW2013.INI", "WPOSTS.INI"})
            program.write(name, testsupport::readFixture(std::string(MRW_SOURCE_DIR) + "/examples", name));
        const std::string text = "%\r\nO1000\r\nG01 X1.\r\nM30\r\n%\r\n";
        program.write("PROG.TAP", text);

        QProcess mrw;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("MRW_PROGRAM_DIR", QString::fromStdString(program.path()));
        env.insert("MRW_WINDOWS_DIR", QString::fromStdString(windows.path()));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        mrw.setProcessEnvironment(env);
        mrw.start(MRW_PROGRAM_FOLDER "/MRW2013", {QString::fromStdString(program.file("PROG.TAP"))});
        ASSERT_TRUE(mrw.waitForStarted());
        for (int i = 0; i < 400 && scratchFiles(program.path()).size() < 2; ++i)
            QThread::msleep(25);
        ASSERT_EQ(scratchFiles(program.path()).size(), 2) << "the program made no scratch files";

        ::kill(static_cast<pid_t>(mrw.processId()), signal);
        ASSERT_TRUE(mrw.waitForFinished(20000));
        EXPECT_EQ(mrw.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(mrw.exitCode(), 0);
        EXPECT_TRUE(scratchFiles(program.path()).isEmpty());
        EXPECT_EQ(testsupport::readFixture(program.path(), "PROG.TAP"), text);
    }
}
