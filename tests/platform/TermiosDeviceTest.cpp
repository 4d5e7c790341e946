#include <gtest/gtest.h>

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

}  // namespace
