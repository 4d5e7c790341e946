#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "KwipFrames.h"
#include "TempDir.h"
#include "TerminalResponder.h"

namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the corvida-cli program with the arguments (none may need quoting); its error output goes
// through a file in `folder`.
Outcome RunProgram(const std::string& arguments, const TempDir& folder) {
    const std::string command =
        std::string(CORVIDA_CLI_PROGRAM) + " " + arguments + " 2>" + (folder.Path() / "stderr").string();
    Outcome outcome;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return outcome;
    char buffer[256];
    while (const std::size_t length = std::fread(buffer, 1, sizeof buffer, pipe))
        outcome.out.append(buffer, length);
    const int status = pclose(pipe);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.err = folder.ReadFile("stderr");
    return outcome;
}

// The program itself, on a pseudo-terminal whose far end a responder thread plays.
class CliTerminalTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(radio_.SlavePath().empty()); }

    TerminalResponder radio_;
    TempDir folder_;
};

TEST_F(CliTerminalTest, ReadsRadioMemoryOverTheDeviceGiven) {
    radio_.Answer({0xF5, 0x11, 0x02, 0x00, 0x12, 0x34, 0xB1},
                  Acked({0xF6, 0x80, 0x00, 0x12, 0x34, 0x5A, 0xA5, 0x44}));
    radio_.Start();
    const Outcome outcome = RunProgram("--device " + radio_.SlavePath() + " kwip read 1234 2", folder_);
    EXPECT_EQ(radio_.Stop(), "");
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out, "001234  5A A5" + std::string(42, ' ') + "  Z.\n");
    EXPECT_EQ(outcome.err, "");
}

TEST_F(CliTerminalTest, ARefusedRequestExitsWithItsErrorAndLogsWhereAsked) {
    radio_.Answer({0xF1, 0x10, 0xFE}, {kNegativeAck});
    radio_.Start();
    const std::string log = folder_.Path().string();
    const Outcome outcome =
        RunProgram("--log " + log + " kwip reset --device " + radio_.SlavePath(), folder_);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err,
              "Received NACK from external device\n"
              "  Receive Negative Ack from external device (4 times)\n"
              "  CKwipComm::SendCommand: Request failed! Retry number = 1\n"
              "  CKwipComm::SendCommand: Request failed! Retry number = 2\n"
              "  CKwipComm::SendCommand: Request failed! Retry number = 3\n"
              "  CKwipComm::SendCommand: Retry exhuasted, so exit request\n");
    EXPECT_EQ(radio_.Stop(), "");
    const std::string file = folder_.ReadFile("cvErrlog.txt");
    EXPECT_NE(file.find("CKwipComm::SendCommand: Request failed! Retry number = 3\r\n"), std::string::npos)
        << file;
}

}  // namespace
