// A signal reaching a program while a modal box waits for an answer that nobody gives.
#include "platform/qt/qthost.h"
#include "platform/qt/termination_signals.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <csignal>
#include <string>

// The box showing is cancelled before the program's end runs, its text kept on standard
// error; a box asked for afterwards is not shown at all.
TEST(TerminationSignals, ASignalCancelsTheModalBoxShowingAndTheBoxesAfterIt)
{
    int delivered = 0;
    bool boxShowingAtTheEnd = true;
    const platform::TerminationSignals termination([&](int signal) {
        delivered = signal;
        boxShowingAtTheEnd = QApplication::activeModalWidget() != nullptr;
    });
    platform::QtPrompter boxes;
    platform::EndingPrompter prompter(&boxes);
    // Inside the box's own loop, as a logout comes while a start-up box shows.
    QTimer::singleShot(0, [] { ::raise(SIGTERM); });
    // Should the box stay, the test fails rather than waits for good.
    QTimer stuck;
    stuck.setSingleShot(true);
    QObject::connect(&stuck, &QTimer::timeout, [] {
        if (QWidget* box = QApplication::activeModalWidget())
            box->close();
    });
    stuck.start(20000);
    testing::internal::CaptureStderr();
    const platform::Button first =
        prompter.message("Start", "Cannot read ZV.INI", platform::MessageKind::Error, platform::Buttons::Ok);
    const platform::Button second =
        prompter.message("Start", "Another message", platform::MessageKind::Error, platform::Buttons::YesNo);
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(stuck.isActive()) << "the box stayed until it was closed";
    EXPECT_EQ(delivered, SIGTERM);
    EXPECT_FALSE(boxShowingAtTheEnd);
    EXPECT_TRUE(termination.signalled());
    EXPECT_TRUE(prompter.ending());
    EXPECT_EQ(first, platform::Button::Cancel);
    EXPECT_EQ(second, platform::Button::No);
    // (The offscreen platform adds lines of its own.)
    EXPECT_NE(errors.find("Start: Cannot read ZV.INI\nStart: Another message\n"), std::string::npos) << errors;
}
