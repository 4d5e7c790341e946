#include <gtest/gtest.h>
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "RaisedError.h"
#include "ScopedPlatform.h"
#include "TempDir.h"
#include "errors/CwFileLog.h"
#include "platform/CPosixPlatform.h"
#include "platform/TermiosDevice.h"

namespace {

// How often the calling thread has blocked so far: each sleep that ends in a wake-up counts one.
long VoluntarySwitches() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nvcsw;
}

// The machine's own port, on a pseudo-terminal that stands in for the radio's cable: COM numbering,
// termios device and the program's time-outs in real time (kept brief). The error log's file goes to a
// temporary folder.
class CPosixPlatformTerminalTest : public ::testing::Test {
protected:
    CPosixPlatformTerminalTest() { CwFileLog::SetDirectory(logFolder_.Path()); }
    ~CPosixPlatformTerminalTest() override { CwFileLog::SetDirectory({}); }

    void SetUp() override {
        std::optional<TermiosDevice::PseudoTerminal> terminal = TermiosDevice::OpenPseudoTerminal();
        ASSERT_TRUE(terminal);
        master_ = std::move(terminal->master);
        platform_.ComPorts().SetOverride(kPort, terminal->slavePath);
        port_ = platform_.GetSerial();
        port_->SetParams(2400, CSerial::kParityNone, CSerial::kOneStopBit, 8);
        port_->Open(kPort);
    }

    static constexpr unsigned kPort = 40;
    TempDir logFolder_;
    // The port's timers come from the process's platform, the real one.
    ScopedPlatform realTime_{std::make_unique<CPosixPlatform>()};
    CPosixPlatform platform_;
    std::unique_ptr<TermiosDevice> master_;
    CSerial* port_ = nullptr;
};

TEST_F(CPosixPlatformTerminalTest, OpensTheDeviceItsNumberNamesWithTheStoredParameters) {
    EXPECT_EQ(port_->GetPort(), static_cast<int>(kPort));
    EXPECT_EQ(master_->GetLine()->baud, 2400u);
    port_->SetBaud(115200);
    EXPECT_EQ(master_->GetLine()->baud, 115200u);
    platform_.ReleaseSerial();
    EXPECT_EQ(port_->GetPort(), 0);
}

TEST_F(CPosixPlatformTerminalTest, ReadsWhatTheFarEndSendsAndTimesOutOnSilence) {
    const std::vector<std::uint8_t> sent = {0x06, 0xFF, 0x00};
    for (const std::uint8_t byte : sent)
        ASSERT_TRUE(master_->TransmitChar(byte));
    std::vector<std::uint8_t> received(sent.size());
    port_->Read(received, 500);
    EXPECT_EQ(received, sent);

    std::vector<std::uint8_t> more(1);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RaisedBy([&] { port_->Read(more, 20); }),
              CommError(2, "CWinSerial::WaitForBytesUnless: No data received when timeout"));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(20));
}

// At 115200 Bd a wait that looked once a character time would wake some 500 times before the byte;
// the read sleeps in the kernel instead and wakes when the byte comes, long before its time-out.
TEST_F(CPosixPlatformTerminalTest, AReadSleepsUntilItsByteArrives) {
    port_->SetBaud(115200);
    std::atomic<bool> sent = false;
    std::thread farEnd([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        sent = master_->TransmitChar(0x5A);
    });
    std::uint8_t byte = 0;
    const long switchesBefore = VoluntarySwitches();
    const auto start = std::chrono::steady_clock::now();
    const RaisedError raised = RaisedBy([&] { port_->Read(std::span(&byte, 1), 5000); });
    const auto waited = std::chrono::steady_clock::now() - start;
    const long switches = VoluntarySwitches() - switchesBefore;
    farEnd.join();
    ASSERT_TRUE(sent);
    EXPECT_EQ(raised, kNothingRaised);
    EXPECT_EQ(byte, 0x5A);
    EXPECT_LT(waited, std::chrono::milliseconds(5000)) << "woken by the byte, not by the time-out";
    EXPECT_LT(switches, 20);
}

TEST_F(CPosixPlatformTerminalTest, WriteComparesTheEchoOfAnEchoingFarEnd) {
    std::atomic<bool> stop = false;
    std::thread echo([&] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        std::uint8_t byte = 0;
        while (!stop && std::chrono::steady_clock::now() < deadline) {
            if (master_->InputCount() == 0 || !master_->Read(std::span(&byte, 1))) {
                std::this_thread::sleep_for(std::chrono::microseconds(100));
                continue;
            }
            while (!master_->TransmitChar(byte) && !stop) {
            }
        }
    });
    port_->SetEcho(1);
    const std::vector<std::uint8_t> frame = {0x01, 0x02, 0xFF, 0x00, 0x10, 0x55};
    EXPECT_EQ(RaisedBy([&] { port_->Write(frame, 1000); }), kNothingRaised);
    stop = true;
    echo.join();
}

TEST_F(CPosixPlatformTerminalTest, ADeviceThatRefusesRawModeFailsAtTheTimeOutStep) {
    platform_.ReleaseSerial();
    platform_.ComPorts().SetOverride(kPort, "/dev/null");
    CSerial* port = platform_.GetSerial();
    EXPECT_EQ(RaisedBy([&] { port->Open(kPort); }),
              CommError(12, "CWinSerial::OpenPort: SetCommTimeouts returned false"));
    EXPECT_EQ(port->GetPort(), static_cast<int>(kPort));
}

}  // namespace
