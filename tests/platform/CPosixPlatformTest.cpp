#include <gtest/gtest.h>

#include <vector>

#include "MockSerial.h"
#include "RaisedError.h"
#include "ScopedPlatform.h"
#include "VirtualClock.h"
#include "VirtualPlatform.h"
#include "VirtualTimeTest.h"
#include "platform/CPosixPlatform.h"

namespace {

class CPosixPlatformTest : public ::testing::Test {
protected:
    CPosixPlatform platform_;
};

TEST_F(CPosixPlatformTest, LendsTheSerialPortOnceUntilItIsGivenBack) {
    CSerial* first = platform_.GetSerial();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(platform_.GetSerial(), nullptr);
    platform_.ReleaseSerial();
    EXPECT_EQ(platform_.GetSerial(), first);
}

TEST(CPosixPlatformPortTest, ThePortIsClosedWhenGivenBackAndWhenThePlatformGoes) {
    auto serial = std::make_unique<testing::StrictMock<MockSerial>>();
    MockSerial& port = *serial;
    auto platform = std::make_unique<VirtualPlatform>(std::make_shared<VirtualClock>(), std::move(serial));
    ASSERT_EQ(platform->GetSerial(), &port);
    EXPECT_CALL(port, Close()).Times(2);
    platform->ReleaseSerial();
    platform.reset();
}

// The counts follow the original rules as written, including what an unmatched give-back does.
TEST_F(CPosixPlatformTest, SerialCountMustBeExactlyZeroToLend) {
    platform_.ReleaseSerial();
    EXPECT_EQ(platform_.GetSerial(), nullptr);
}

TEST_F(CPosixPlatformTest, TimersAreLentOneAtATimeAndComeBackTheSame) {
    struct TimerPair {
        CTimerCtrl* (CPosixPlatform::*get)();
        void (CPosixPlatform::*release)();
    };
    const TimerPair timers[] = {
        {&CPosixPlatform::GetDelayTimer, &CPosixPlatform::ReleaseDelayTimer},
        {&CPosixPlatform::GetPortTimer, &CPosixPlatform::ReleasePortTimer},
        {&CPosixPlatform::GetSpareTimer, &CPosixPlatform::ReleaseSpareTimer},
    };
    for (const TimerPair& timer : timers) {
        CTimerCtrl* first = (platform_.*timer.get)();
        ASSERT_NE(first, nullptr);
        EXPECT_EQ((platform_.*timer.get)(), nullptr);
        (platform_.*timer.release)();
        EXPECT_EQ((platform_.*timer.get)(), first);
        (platform_.*timer.release)();
    }
    EXPECT_NE(platform_.GetDelayTimer(), platform_.GetPortTimer());
}

TEST_F(CPosixPlatformTest, AnExtraTimerGiveBackLendsItTwice) {
    platform_.ReleaseDelayTimer();
    EXPECT_NE(platform_.GetDelayTimer(), nullptr);
    EXPECT_NE(platform_.GetDelayTimer(), nullptr);
    EXPECT_EQ(platform_.GetDelayTimer(), nullptr);
}

TEST_F(CPosixPlatformTest, MakesOnlyTheFileLogSink) {
    EXPECT_EQ(platform_.CreateLog(1), nullptr);
    EXPECT_EQ(platform_.CreateLog(2), nullptr);
}

TEST(CPlatformTest, InstanceIsCreatedOnceAndCanBeReplaced) {
    CPlatform* first = CPlatform::Instance();
    EXPECT_EQ(CPlatform::Instance(), first);

    auto replacement = std::make_unique<VirtualPlatform>(std::make_shared<VirtualClock>());
    CPlatform* replacementPointer = replacement.get();
    std::unique_ptr<CPlatform> previous = CPlatform::Install(std::move(replacement));
    EXPECT_EQ(previous.get(), first);
    EXPECT_EQ(CPlatform::Instance(), replacementPointer);
    CPlatform::Install(std::move(previous));
    EXPECT_EQ(CPlatform::Instance(), first);
}

// Virtual time only captures the error log here.
class CPosixPlatformPortNumberTest : public VirtualTimeTest {};

TEST_F(CPosixPlatformPortNumberTest, APortWithoutADeviceIsNamedInTheErrorAndTheLog) {
    CPosixPlatform platform;
    platform.ComPorts().SetOverride(5, "/dev/corvida-no-such-port");
    CSerial* port = platform.GetSerial();
    EXPECT_EQ(RaisedBy([&] { port->Open(5); }), CommError(1, "CWinSerial::Open: Unable to open com5"));
    EXPECT_EQ(RaisedBy([&] { port->Open(200); }), CommError(1, "CWinSerial::Open: Unable to open com200"));
    const std::vector<std::string> expected = {
        "TermiosDevice::Open: cannot open /dev/corvida-no-such-port: No such file or directory",
        "CPosixSerial::Open: No device is known for com200",
    };
    EXPECT_EQ(LogLines(), expected);
}

}  // namespace
