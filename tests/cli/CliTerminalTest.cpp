#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "KwipFrames.h"
#include "TempDir.h"
#include "TerminalResponder.h"

namespace {

constexpr uid_t kNobody = 65534;
constexpr int kCannotRunAsNobody = 126;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the corvida-cli program with the arguments (none may need quoting) in the working directory
// given, else in the test's; its error output goes through a file in `folder`.
Outcome RunProgram(const std::string& arguments, const TempDir& folder, const std::string& workingDir = ".") {
    const std::string command = "cd " + workingDir + " && " + CORVIDA_CLI_PROGRAM + " " + arguments + " 2>" +
                                (folder.Path() / "stderr").string();
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

// Runs the program as the user nobody, in `workingDir`, and returns what it wrote on either output.
// The child only makes async-signal-safe calls between fork and exec.
Outcome RunProgramAsNobody(const std::vector<std::string>& arguments, const std::string& workingDir) {
    std::vector<const char*> argv = {CORVIDA_CLI_PROGRAM};
    for (const std::string& argument : arguments)
        argv.push_back(argument.c_str());
    argv.push_back(nullptr);
    Outcome outcome;
    std::array<int, 2> pipeEnds{};
    if (pipe(pipeEnds.data()) != 0)
        return outcome;
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipeEnds[1], STDERR_FILENO);
        dup2(pipeEnds[1], STDOUT_FILENO);
        if (chdir(workingDir.c_str()) != 0 || setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 ||
            setuid(kNobody) != 0) {
            _exit(kCannotRunAsNobody);
        }
        execv(argv[0], const_cast<char* const*>(argv.data()));
        _exit(kCannotRunAsNobody);
    }
    close(pipeEnds[1]);
    char buffer[256];
    for (ssize_t length; (length = read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        outcome.err.append(buffer, static_cast<std::size_t>(length));
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

// Runs the program with its standard output a pipe nobody reads any more; the wait status.
int RunWithOutputClosed(const std::vector<std::string>& arguments) {
    std::vector<const char*> argv = {CORVIDA_CLI_PROGRAM};
    for (const std::string& argument : arguments)
        argv.push_back(argument.c_str());
    argv.push_back(nullptr);
    std::array<int, 2> pipeEnds{};
    if (pipe(pipeEnds.data()) != 0)
        return -1;
    close(pipeEnds[0]);
    const pid_t child = fork();
    if (child == 0) {
        signal(SIGPIPE, SIG_DFL);  // as a shell or a supervisor starts it
        dup2(pipeEnds[1], STDOUT_FILENO);
        execv(argv[0], const_cast<char* const*>(argv.data()));
        _exit(kCannotRunAsNobody);
    }
    close(pipeEnds[1]);
    int status = 0;
    waitpid(child, &status, 0);
    return status;
}

std::vector<std::string> FilesIn(const TempDir& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path()))
        names.push_back(entry.path().filename());
    return names;
}

// The programs' settings (the bench's port overrides) in a folder of the test's while it lives.
class SettingsHome {
public:
    SettingsHome() { setenv(kVariable, folder_.Path().c_str(), 1); }
    ~SettingsHome() { unsetenv(kVariable); }
    SettingsHome(const SettingsHome&) = delete;
    SettingsHome& operator=(const SettingsHome&) = delete;

private:
    static constexpr const char* kVariable = "XDG_CONFIG_HOME";
    TempDir folder_;
};

// The program itself, on a pseudo-terminal whose far end a responder thread plays.
class CliTerminalTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(radio_.SlavePath().empty()); }

    TerminalResponder radio_;
    TempDir folder_;
    TempDir workingDir_;  // where the program runs: it must be left as it was
};

TEST_F(CliTerminalTest, ReadsRadioMemoryOverTheDeviceGiven) {
    radio_.Answer({0xF5, 0x11, 0x02, 0x00, 0x12, 0x34, 0xB1},
                  Acked({0xF6, 0x80, 0x00, 0x12, 0x34, 0x5A, 0xA5, 0x44}));
    radio_.Start();
    const Outcome outcome = RunProgram("--device " + radio_.SlavePath() + " kwip read 1234 2", folder_,
                                       workingDir_.Path().string());
    EXPECT_EQ(radio_.Stop(), "");
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out, "001234  5A A5" + std::string(42, ' ') + "  Z.\n");
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(FilesIn(workingDir_), std::vector<std::string>{}) << "no error log without --log";
}

TEST_F(CliTerminalTest, APortThatCannotBeOpenedPrintsWhyAndWhatToDoAndLeavesNoFile) {
    const std::string missing = (folder_.Path() / "ttyUSB9").string();
    struct Case {
        std::string device;
        std::string says;
    };
    const Case cases[] = {
        {missing, "  TermiosDevice::Open: cannot open " + missing +
                      ": No such file or directory\n"
                      "  CWinSerial::Open: Unable to open com256\n"
                      "hint: " +
                      missing + " does not exist\n"},
        {"/dev/null",
         "  TermiosDevice::MakeRaw: cannot set up /dev/null: Inappropriate ioctl for device\n"
         "  CWinSerial::OpenPort: SetCommTimeouts returned false\n"
         "hint: /dev/null is not a serial device; give the radio's port, such as a /dev/ttyUSB or /dev/ttyS "
         "device\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.device);
        const Outcome outcome =
            RunProgram("--device " + c.device + " radio info", folder_, workingDir_.Path().string());
        EXPECT_EQ(outcome.status, 1);
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(outcome.err.rfind("Unable to open communication port\n" + c.says, 0), 0u) << outcome.err;
        EXPECT_EQ(FilesIn(workingDir_), std::vector<std::string>{});
    }
}

TEST_F(CliTerminalTest, TheTerminalItRunsInIsNotTakenForTheRadioAndIsLeftAsItWas) {
    const std::string own = radio_.SlavePath();
    const int watcher = ::open(own.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(watcher, 0);
    termios before{};
    ASSERT_EQ(tcgetattr(watcher, &before), 0);
    const Outcome outcome =
        RunProgram("--device " + own + " radio info <" + own, folder_, workingDir_.Path().string());
    termios after{};
    ASSERT_EQ(tcgetattr(watcher, &after), 0);
    ::close(watcher);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err,
              "Unable to open communication port\n"
              "  TermiosDevice::Open: refused " +
                  own +
                  ": it is the terminal this program runs in\n"
                  "  CWinSerial::Open: Unable to open com256\n"
                  "hint: " +
                  own +
                  " is the terminal corvida-cli runs in, not a radio's line; give the radio's "
                  "port, such as a /dev/ttyUSB or /dev/ttyS device\n");
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_EQ(cfgetospeed(&after), cfgetospeed(&before));
}

// A number the bench mapped to another device must never reach the conventional one: that may be
// another radio.
TEST_F(CliTerminalTest, EveryCommandOpensTheDeviceTheBenchMappedItsPortTo) {
    const SettingsHome settings;
    struct Case {
        const char* command;
        std::vector<std::uint8_t> request;
        std::vector<std::uint8_t> answer;
    };
    const Case cases[] = {
        {"kwip read 1234 2",
         {0xF5, 0x11, 0x02, 0x00, 0x12, 0x34, 0xB1},
         Acked({0xF6, 0x80, 0x00, 0x12, 0x34, 0x5A, 0xA5, 0x44})},
        {"kwip status 5", {0xF2, 0x23, 0x05, 0xE5}, Acked(KwipFrame(0x8B, {0x05, 'O', 'K'}))},
        {"kwip reset", {0xF1, 0x10, 0xFE}, {kPositiveAck}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        TerminalResponder radio;
        ASSERT_EQ(RunProgram("ports --map 3 " + radio.SlavePath(), folder_).status, 0);
        radio.Answer(c.request, c.answer);
        radio.Start();
        const Outcome outcome = RunProgram(std::string("--port 3 ") + c.command, folder_);
        EXPECT_EQ(radio.Stop(), "");
        EXPECT_EQ(outcome.status, 0) << outcome.err;
    }
}

TEST_F(CliTerminalTest, ADeviceTheUserMayNotOpenIsSaidSoWithItsPermissions) {
    // The test is root on a bench's build machine and an ordinary user elsewhere; root may open anything,
    // so it runs the program as nobody, from a folder nobody may not write to.
    const std::string device = radio_.SlavePath();
    ASSERT_EQ(chmod(device.c_str(), 0), 0);
    const Outcome outcome =
        geteuid() == 0
            ? RunProgramAsNobody({"--device", device, "radio", "info"}, workingDir_.Path())
            : RunProgram("--device " + device + " radio info", folder_, workingDir_.Path().string());
    if (outcome.status == kCannotRunAsNobody && outcome.err.empty())
        GTEST_SKIP() << "nobody may not run the program from where it was built";
    EXPECT_EQ(outcome.status, 1) << outcome.err;
    EXPECT_EQ(outcome.err,
              "Unable to open communication port\n"
              "  TermiosDevice::Open: cannot open " +
                  device +
                  ": Permission denied\n"
                  "  CWinSerial::Open: Unable to open com256\n"
                  "hint: you may not open " +
                  device +
                  ": its permissions (mode 0000) keep you out; ask whoever looks after this machine to give "
                  "it to a group you are in\n");
    EXPECT_EQ(FilesIn(workingDir_), std::vector<std::string>{});
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

namespace {

// A lane whose supervisor has died must not die on its next event in turn: mid-flash that would leave
// the radio half written. It ends as a press ends (here: no configuration in the kit folder).
TEST(CliLaneTest, ALaneWhoseOutputIsGoneIsNotKilledByIt) {
    TempDir emptyKit;
    const int status = RunWithOutputClosed({"--device", "/nonexistent/radio", "program", "--lane-protocol",
                                            "--kit", emptyKit.Path().string(), "--no-echo"});
    EXPECT_FALSE(WIFSIGNALED(status)) << "killed by signal " << WTERMSIG(status);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
}

}  // namespace
