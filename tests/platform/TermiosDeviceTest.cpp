#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "RateSubstitutingDriver.h"
#include "VirtualTimeTest.h"
#include "platform/CSerial.h"
#include "platform/TermiosDevice.h"

namespace {

// Waits briefly, in real time, for what a pseudo-terminal passes on within microseconds.
bool Eventually(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

// How often the calling thread has blocked so far: each sleep that ends in a wake-up counts one.
long VoluntarySwitches() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nvcsw;
}

// The program end opened on a fresh pseudo-terminal, and its master as the far end. Virtual time only
// captures the error log here; the terminal runs in real time.
class TermiosDeviceTest : public VirtualTimeTest {
protected:
    void SetUp() override {
        std::optional<TermiosDevice::PseudoTerminal> terminal = TermiosDevice::OpenPseudoTerminal();
        ASSERT_TRUE(terminal);
        master_ = std::move(terminal->master);
        slavePath_ = terminal->slavePath;
        program_ = TermiosDevice::Open(slavePath_);
        ASSERT_NE(program_, nullptr);
        ASSERT_TRUE(program_->MakeRaw());
    }

    static void Send(CommDevice& from, const std::vector<std::uint8_t>& bytes) {
        for (const std::uint8_t byte : bytes)
            ASSERT_TRUE(Eventually([&] { return from.TransmitChar(byte); }));
    }

    static std::vector<std::uint8_t> Receive(CommDevice& at, std::size_t count) {
        std::vector<std::uint8_t> bytes(count);
        EXPECT_TRUE(Eventually([&] { return at.InputCount() >= count; }))
            << at.InputCount() << " of " << count;
        EXPECT_TRUE(at.Read(bytes));
        return bytes;
    }

    std::unique_ptr<TermiosDevice> master_;
    std::unique_ptr<TermiosDevice> program_;
    std::string slavePath_;
};

TEST_F(TermiosDeviceTest, CarriesEveryByteValueBothWays) {
    // The marks the terminal adds for a real 0xFF (and what looks like a break mark) are taken out again.
    const std::vector<std::uint8_t> bytes = {0x41, 0xFF, 0x00, 0x00, 0xFF, 0xFF,
                                             0x7F, 0x0A, 0x0D, 0x11, 0x13};
    Send(*program_, bytes);
    EXPECT_EQ(Receive(*master_, bytes.size()), bytes);
    Send(*master_, bytes);
    EXPECT_EQ(Receive(*program_, bytes.size()), bytes);
    const CommDevice::Status status = program_->ClearErrors();
    EXPECT_EQ(status.errors, 0u);
    EXPECT_EQ(status.inputQueued, 0u);
}

TEST_F(TermiosDeviceTest, ReadsExactlyWhatIsAskedOrNothing) {
    Send(*master_, {1, 2, 3});
    ASSERT_TRUE(Eventually([&] { return program_->ClearErrors().inputQueued == 3; }));
    std::vector<std::uint8_t> four(4);
    EXPECT_FALSE(program_->Read(four));
    std::vector<std::uint8_t> two(2);
    EXPECT_TRUE(program_->Read(two));
    EXPECT_EQ(two, (std::vector<std::uint8_t>{1, 2}));
    EXPECT_EQ(program_->InputCount(), 1u);
}

TEST_F(TermiosDeviceTest, ASecondOpenIsRefusedEvenForRoot) {
    EXPECT_EQ(TermiosDevice::Open(slavePath_), nullptr);
    EXPECT_TRUE(LogHas("TermiosDevice::Open: another program holds " + slavePath_ +
                       ": Resource temporarily unavailable"));
    program_.reset();
    EXPECT_NE(TermiosDevice::Open(slavePath_), nullptr);
}

TEST_F(TermiosDeviceTest, APathThatIsNoTerminalIsRefusedWithTheSystemsReason) {
    EXPECT_EQ(TermiosDevice::Open("/dev/corvida-no-such-port"), nullptr);
    EXPECT_TRUE(
        LogHas("TermiosDevice::Open: cannot open /dev/corvida-no-such-port: No such file or directory"));
    const std::unique_ptr<TermiosDevice> null = TermiosDevice::Open("/dev/null");
    ASSERT_NE(null, nullptr);
    EXPECT_FALSE(null->MakeRaw());
    EXPECT_TRUE(LogHas("TermiosDevice::MakeRaw: cannot set up /dev/null: Inappropriate ioctl for device"));
}

TEST_F(TermiosDeviceTest, TheLineSettingsFoundAtOpenComeBackWhenItCloses) {
    program_.reset();
    const int watcher = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(watcher, 0);
    termios found{};
    ASSERT_EQ(tcgetattr(watcher, &found), 0);
    found.c_lflag |= ICANON | ECHO | ISIG;
    found.c_iflag |= ICRNL | IXON;
    found.c_oflag |= OPOST | ONLCR;
    ASSERT_EQ(cfsetspeed(&found, B1200), 0);
    ASSERT_EQ(tcsetattr(watcher, TCSANOW, &found), 0);
    ASSERT_EQ(tcgetattr(watcher, &found), 0);
    {
        const std::unique_ptr<TermiosDevice> device = TermiosDevice::Open(slavePath_);
        ASSERT_NE(device, nullptr);
        ASSERT_TRUE(device->MakeRaw());
        ASSERT_TRUE(device->SetLine({115200, 8, Parity::None, StopBits::Two}));
    }
    termios after{};
    ASSERT_EQ(tcgetattr(watcher, &after), 0);
    ::close(watcher);
    EXPECT_EQ(after.c_iflag, found.c_iflag);
    EXPECT_EQ(after.c_oflag, found.c_oflag);
    EXPECT_EQ(after.c_lflag, found.c_lflag);
    EXPECT_EQ(after.c_cflag, found.c_cflag);
    EXPECT_EQ(cfgetospeed(&after), speed_t{B1200});
}

TEST_F(TermiosDeviceTest, TheMasterSeesTheRateTheProgramSet) {
    // This kernel's pseudo-terminals keep 8 data bits and no parity whatever is set; rate and stop
    // bits come through.
    const LineSettings lines[] = {
        {9600, 8, Parity::None, StopBits::One}, {115200, 8, Parity::None, StopBits::One},
        {300, 8, Parity::None, StopBits::One},  {553, 8, Parity::None, StopBits::One},
        {4430, 8, Parity::None, StopBits::Two}, {2400, 8, Parity::None, StopBits::Two},
    };
    for (const LineSettings& line : lines) {
        ASSERT_TRUE(program_->SetLine(line)) << line.baud;
        const std::optional<LineSettings> seen = master_->GetLine();
        ASSERT_TRUE(seen);
        EXPECT_EQ(seen->baud, line.baud);
        EXPECT_EQ(seen->stopBits, line.stopBits) << line.baud;
        EXPECT_EQ(program_->GetLine(), seen);
    }
}

TEST_F(TermiosDeviceTest, SettingsNoUartCanFrameAreRefused) {
    const std::optional<LineSettings> before = program_->GetLine();
    EXPECT_FALSE(program_->SetLine({9600, 8, Parity::None, StopBits::OneAndHalf}));
    EXPECT_FALSE(program_->SetLine({9600, 5, Parity::None, StopBits::Two}));
    EXPECT_FALSE(program_->SetLine({0, 8, Parity::None, StopBits::One}));
    EXPECT_FALSE(program_->SetLine({9600, 9, Parity::None, StopBits::One}));
    EXPECT_EQ(program_->GetLine(), before);
}

TEST_F(TermiosDeviceTest, ARateTheDriverReplacesFarOffIsRefusedAndThePreviousLineComesBack) {
    const LineSettings previous{2400, 8, Parity::None, StopBits::Two};
    ASSERT_TRUE(program_->SetLine(previous));
    struct Case {
        unsigned asked;
        unsigned given;
        bool taken;
    };
    const Case cases[] = {{57600, 56000, true}, {38400, 31250, false}, {115200, 110000, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.asked);
        const RateSubstitutingDriver driver(c.asked, c.given);
        EXPECT_EQ(program_->SetLine({c.asked, 8, Parity::Odd, StopBits::One}), c.taken);
        const LineSettings expected =
            c.taken ? LineSettings{c.given, 8, Parity::Odd, StopBits::One} : previous;
        EXPECT_EQ(master_->GetLine()->baud, expected.baud);
        EXPECT_EQ(master_->GetLine()->stopBits, expected.stopBits);
        ASSERT_TRUE(program_->SetLine(previous));
    }
}

TEST_F(TermiosDeviceTest, InputBeyondTheQueueIsDroppedAndReported) {
    const std::size_t sent = TermiosDevice::kQueueBytes + 100;
    std::size_t handedOver = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (handedOver < sent && std::chrono::steady_clock::now() < deadline) {
        if (master_->TransmitChar(static_cast<std::uint8_t>(handedOver))) {
            ++handedOver;
        } else {
            program_->InputCount();  // make room in the terminal
        }
    }
    ASSERT_EQ(handedOver, sent);
    ASSERT_TRUE(
        Eventually([&] { return (program_->ClearErrors().errors & CSerial::kReceiveOverflow) != 0; }));
    EXPECT_EQ(program_->InputCount(), TermiosDevice::kQueueBytes);
    EXPECT_EQ(Receive(*program_, 3), (std::vector<std::uint8_t>{0, 1, 2}));
}

TEST_F(TermiosDeviceTest, PurgeDiscardsWhatIsWaiting) {
    Send(*master_, {1, 2, 3});
    ASSERT_TRUE(Eventually([&] { return program_->InputCount() == 3; }));
    program_->Purge(CommDevice::kPurgeInput | CommDevice::kPurgeOutput);
    EXPECT_EQ(program_->InputCount(), 0u);
    Send(*master_, {4});
    EXPECT_EQ(Receive(*program_, 1), std::vector<std::uint8_t>{4});
}

// radiosim sleeps on its terminal's master between passes: it wakes for what the program writes, and a
// master whose slave the program has closed, which reports a hang-up at once, is slept on, not spun on.
TEST_F(TermiosDeviceTest, AwaitInputWakesForInputAndSleepsOnAHungUpMaster) {
    constexpr auto kGenerous = std::chrono::seconds(5);
    Send(*program_, {0x42});
    master_->AwaitInput(kGenerous);
    std::vector<std::uint8_t> received(1);
    EXPECT_TRUE(master_->Read(received));
    EXPECT_EQ(received[0], 0x42);

    program_.reset();
    constexpr int kAwaits = 20;
    const long switchesBefore = VoluntarySwitches();
    for (int await = 0; await < kAwaits; ++await)
        master_->AwaitInput(std::chrono::microseconds(200));
    EXPECT_GE(VoluntarySwitches() - switchesBefore, kAwaits);
}

// Where a pseudo-terminal stands to the process that opens it as its port.
enum class Role { ControllingTerminal, StandardInput, StandardError, Unrelated };

constexpr int kRefused = 0;
constexpr int kOpened = 1;
constexpr int kSetUpFailed = 2;

// Opens `path` as the port in a child process that has left our terminal (setsid) and in which the
// terminal behind `slavePath` plays `role`; the child's exit status tells kRefused or kOpened.
int OpenInChild(const std::string& slavePath, Role role, const std::string& path) {
    const pid_t child = fork();
    if (child == 0) {
        if (setsid() < 0)
            _exit(kSetUpFailed);
        const int fd = ::open(slavePath.c_str(), O_RDWR | (role == Role::ControllingTerminal ? 0 : O_NOCTTY));
        if (fd < 0 || (role == Role::ControllingTerminal && ioctl(fd, TIOCSCTTY, 0) != 0))
            _exit(kSetUpFailed);
        if ((role == Role::StandardInput && dup2(fd, STDIN_FILENO) < 0) ||
            (role == Role::StandardError && dup2(fd, STDERR_FILENO) < 0))
            _exit(kSetUpFailed);
        _exit(TermiosDevice::Open(path) == nullptr ? kRefused : kOpened);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class TermiosDeviceOwnTerminalTest : public VirtualTimeTest {};

// Raw mode at another rate on the terminal the operator types in would leave it unusable.
TEST_F(TermiosDeviceOwnTerminalTest, TheTerminalTheProgramRunsInIsRefusedByAnyName) {
    struct Case {
        const char* what;
        Role role;
        const char* path;  // null: the terminal's own name
        int outcome;
    };
    const Case cases[] = {
        {"its controlling terminal as /dev/tty", Role::ControllingTerminal, "/dev/tty", kRefused},
        {"its controlling terminal by name", Role::ControllingTerminal, nullptr, kRefused},
        {"its standard input as /dev/stdin", Role::StandardInput, "/dev/stdin", kRefused},
        {"its standard error by name", Role::StandardError, nullptr, kRefused},
        {"a terminal it does not use", Role::Unrelated, nullptr, kOpened},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::optional<TermiosDevice::PseudoTerminal> terminal = TermiosDevice::OpenPseudoTerminal();
        ASSERT_TRUE(terminal);
        EXPECT_EQ(OpenInChild(terminal->slavePath, c.role, c.path != nullptr ? c.path : terminal->slavePath),
                  c.outcome);
    }
}

}  // namespace
