#include <gtest/gtest.h>

#include <sstream>

#include "cli/ConsoleProgress.h"

namespace {

void RunSteps(int total, int steps) {
    Notifications& display = Notifications::Current();
    display.BeginProgress(total, true);
    for (int step = 0; step < steps; ++step)
        display.StepProgress();
    display.EndProgress();
}

TEST(ConsoleProgressTest, WithoutATerminalALineIsWrittenAtEachNewTenth) {
    std::ostringstream out;
    {
        ConsoleProgress progress(out, false);
        RunSteps(40, 40);
    }
    std::string expected;  // no line for the window's placeholder message "Progress"
    for (int percent = 10; percent <= 100; percent += 10)
        expected += "Progress Percentage: " + std::to_string(percent) + "%\n";
    EXPECT_EQ(out.str(), expected);
}

TEST(ConsoleProgressTest, OnATerminalOneBarLineIsRedrawnWhenThePercentageChanges) {
    std::ostringstream out;
    {
        ConsoleProgress progress(out, true);
        RunSteps(4, 2);
    }
    const std::string text = out.str();
    EXPECT_NE(text.find("\rProgress Percentage [" + std::string(10, '#') + std::string(30, '.') + "] 25%"),
              std::string::npos);
    EXPECT_NE(text.find("] 50%\n"), std::string::npos);
    EXPECT_EQ(text.find('\n', text.find("] 50%") + 6), std::string::npos);  // the bar ends with one line end
}

TEST(ConsoleProgressTest, StatusTextsAndMessagesArePrintedOnceEach) {
    std::ostringstream out;
    ConsoleProgress progress(out, false);
    Notifications& display = Notifications::Current();
    display.StatusText(Notifications::kStatusDownloadingBootcode);
    display.StatusText(Notifications::kStatusDownloadingBootcode);
    display.StatusText(Notifications::kStatusRestore);
    display.BeginProgress(0, false);
    display.SetProgressMessage("Erasing flash ROM...\nWARNING!! Ensure process is not interrupted");
    display.SetProgressMessage("Erasing flash ROM...\nWARNING!! Ensure process is not interrupted");
    display.EndProgress();
    EXPECT_EQ(out.str(),
              "Please Wait: Downloading bootcode ...\n"
              "Erasing flash ROM... WARNING!! Ensure process is not interrupted\n");
}

TEST(ConsoleProgressTest, MessagesReachTheTerminalEscaped) {
    std::ostringstream out;
    ConsoleProgress progress(out, false);
    Notifications& display = Notifications::Current();
    display.BeginProgress(0, false);
    display.SetProgressMessage("Writing R05\x1B[2J\r\nstep 2");
    display.EndProgress();
    EXPECT_EQ(out.str(), "Writing R05\\x1B[2J\\x0D step 2\n");
}

TEST(ConsoleProgressTest, InstallsItselfForItsLifetime) {
    std::ostringstream out;
    Notifications* before = Notifications::Installed();
    {
        ConsoleProgress progress(out, false);
        EXPECT_EQ(Notifications::Installed(), &progress);
    }
    EXPECT_EQ(Notifications::Installed(), before);
}

}  // namespace
