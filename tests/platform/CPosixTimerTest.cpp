#include <gtest/gtest.h>

#include <cstdint>

#include "VirtualClock.h"
#include "platform/CPosixTimer.h"

namespace {

constexpr std::uint64_t kMs = 1'000'000;  // nanoseconds
constexpr double kStepSeconds = VirtualClock::kDefaultStepNs / 1e9;

class CPosixTimerTest : public ::testing::Test {
protected:
    double SecondsSince(std::uint64_t start) const {
        return static_cast<double>(clock_.Peek() - start) / 1e9;
    }

    VirtualClock clock_{5 * kMs};
    CPosixTimer timer_{clock_};
};

TEST_F(CPosixTimerTest, ElapsedRightAfterStartIsNearlyZero) {
    timer_.Start();
    EXPECT_LE(timer_.Elapsed(), 2 * kStepSeconds);
}

TEST_F(CPosixTimerTest, WaitLastsTheGivenTime) {
    timer_.Start();
    timer_.Wait(0.0125);
    EXPECT_NEAR(timer_.Elapsed(), 0.0125, 3 * kStepSeconds);
}

TEST(CPosixTimerNegativeWaitTest, ANegativeTimeWaitsNothing) {
    // Coarse steps let a wait for a far deadline end quickly when the fault is there.
    VirtualClock clock{5 * kMs, std::uint64_t{1} << 40};
    CPosixTimer timer{clock};
    for (const double seconds : {-0.001, -1.0, -1e10}) {
        SCOPED_TRACE(seconds);
        const std::uint64_t before = clock.Peek();
        timer.Wait(seconds);
        EXPECT_LE(clock.Peek() - before, 2 * (std::uint64_t{1} << 40));
    }
}

TEST_F(CPosixTimerTest, WaitPeriodsKeepsItsCadenceWhenTheCallerIsBusy) {
    timer_.SetPeriod(0.001);
    const std::uint64_t start = clock_.Peek();
    timer_.Start();
    for (int period = 1; period <= 3; ++period) {
        clock_.Advance(kMs / 2);  // the caller spends half a period between calls
        timer_.WaitPeriods(1);
        EXPECT_NEAR(SecondsSince(start), 0.001 * period, 2 * kStepSeconds);
    }
}

TEST_F(CPosixTimerTest, ALateCallerCatchesUpAtOnce) {
    timer_.SetPeriod(0.001);
    timer_.Start();
    clock_.Advance(kMs * 5 / 2);
    const std::uint64_t late = clock_.Peek();
    timer_.WaitPeriods(1);
    timer_.WaitPeriods(1);
    EXPECT_LE(clock_.Peek() - late, 4 * VirtualClock::kDefaultStepNs);
    timer_.WaitPeriods(1);
    EXPECT_NEAR(static_cast<double>(clock_.Peek() - late) / 1e9, 0.0005, 2 * kStepSeconds);
}

TEST_F(CPosixTimerTest, WaitPeriodsAdvancesByNPeriods) {
    timer_.SetPeriod(0.002);
    const std::uint64_t start = clock_.Peek();
    timer_.Start();
    timer_.WaitPeriods(3);
    EXPECT_NEAR(SecondsSince(start), 0.006, 2 * kStepSeconds);
}

TEST(CPosixTimerWrapTest, WaitsAcrossTheCounterWrapping) {
    VirtualClock clock(UINT64_MAX - kMs / 2);
    CPosixTimer timer(clock);
    const std::uint64_t start = clock.Peek();
    timer.Start();
    timer.SetPeriod(0.001);
    timer.WaitPeriods(1);
    EXPECT_NEAR(static_cast<double>(clock.Peek() - start) / 1e9, 0.001, 2 * kStepSeconds);
    EXPECT_NEAR(timer.Elapsed(), 0.001, 3 * kStepSeconds);
    timer.Wait(0.002);
    EXPECT_NEAR(timer.Elapsed(), 0.003, 4 * kStepSeconds);
}

TEST(CPosixTimerSleepTest, WaitsSleepToTheirDeadlineInsteadOfSpinning) {
    VirtualClock clock{5 * kMs};
    CPosixTimer timer{clock};
    timer.SetPeriod(0.002);
    timer.Start();
    timer.WaitPeriods(1000);
    timer.Wait(20.0);  // the erase's reply time-out
    EXPECT_NEAR(timer.Elapsed(), 22.0, 4 * kStepSeconds);
    EXPECT_LE(clock.Reads(), 8u);  // a few a wait, not one a microsecond
}

}  // namespace
