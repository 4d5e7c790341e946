#include <gtest/gtest.h>

#include <functional>
#include <numeric>
#include <string>
#include <vector>

#include "RaisedError.h"
#include "SimSerialTest.h"
#include "platform/CPosixSerial.h"

namespace {

// One character time at 9600 8-N-1, as the port counts it: in whole nanoseconds.
constexpr std::uint64_t kTickNs = 1'041'666;

std::vector<std::uint8_t> Counting(std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{0x30});
    return bytes;
}

// The wait for bytes sleeps until a byte comes or the time-out falls due, and no longer wakes every
// character time; the time-outs stay on the character times counted from the start of the read.
class CPosixSerialWaitTest : public SimSerialTest {
protected:
    CPosixSerialWaitTest() {
        Serial().SetParams(9600, CSerial::kParityNone, CSerial::kOneStopBit, 8);
        Serial().Open(kPort);
    }

    RaisedError ReadInto(std::vector<std::uint8_t>& destination, unsigned timeoutMs) {
        return RaisedBy([&] { Serial().Read(destination, timeoutMs); });
    }
};

TEST_F(CPosixSerialWaitTest, AReadReturnsWhenItsLastByteArrivesNotAtTheNextCharacterTime) {
    // Sent half a character time off the read's ticks, so a wait that looked once a tick would return
    // about half a character time late.
    const std::vector<std::uint8_t> sent = Counting(3);
    const std::uint64_t arrived = Line().PeerSend(sent, NowNs() + 5 * kMs + kTickNs / 2);
    std::vector<std::uint8_t> received(sent.size());
    EXPECT_EQ(ReadInto(received, 100), kNothingRaised);
    EXPECT_EQ(received, sent);
    EXPECT_GE(NowNs(), arrived);
    EXPECT_LT(NowNs() - arrived, 10 * kUs);
}

TEST_F(CPosixSerialWaitTest, ATimeOutFallsOnTheCharacterTimeItAlwaysDidAndTheWaitSleepsThroughIt) {
    struct Case {
        std::string name;
        std::size_t sent;  // from 5.5 character times into the read: each lands half-way between ticks
        std::size_t wanted;
        unsigned timeoutMs;
        RaisedError raised;
        std::uint64_t endNs;  // after the start of the read
    };
    const Case cases[] = {
        {"silence", 0, 1, 100, CommError(2, "CWinSerial::WaitForBytesUnless: No data received when timeout"),
         97 * kTickNs},
        {"a long silence", 0, 1, 20000,
         CommError(2, "CWinSerial::WaitForBytesUnless: No data received when timeout"), 19201 * kTickNs},
        // The third byte lands 8.5 character times in; the 19 idle character times are counted from
        // the 9th, the first at which the byte counts as seen, as when the wait looked once a tick.
        {"a partial reply", 3, 5, 100,
         CommError(3, "CWinSerial::WaitForBytesUnless: Timeout after receiving 3 bytes"), (9 + 19) * kTickNs},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Serial().Open(kPort);
        const std::uint64_t start = NowNs();
        Line().PeerSend(Counting(c.sent), start + 5 * kTickNs + kTickNs / 2);
        const std::uint64_t readsBefore = Clock().Reads();
        std::vector<std::uint8_t> received(c.wanted);
        EXPECT_EQ(ReadInto(received, c.timeoutMs), c.raised);
        EXPECT_NEAR(static_cast<double>(NowNs() - start), static_cast<double>(c.endNs), 5.0 * kUs);
        // Waking every character time would read the clock at least once a tick.
        EXPECT_LT(Clock().Reads() - readsBefore, 20u);
        Clock().Advance(100 * kMs);
    }
}

TEST_F(CPosixSerialWaitTest, APulledCableEndsEveryWaitAtOnceInsteadOfAtItsTimeOut) {
    const RaisedError gone = CommError(9, CPosixSerial::kGoneText);
    const std::vector<std::uint8_t> request = Counting(4);      // sent before the pull
    const std::vector<std::uint8_t> longRequest = Counting(20);  // cut off by it
    struct Case {
        std::string name;
        std::function<void()> action;
    };
    const Case cases[] = {
        {"a read", [&] {
             std::vector<std::uint8_t> received(1);
             Serial().Read(received, 20000);
         }},
        {"a write", [&] { Serial().Write(longRequest, 1000); }},
        {"a write's echo", [&] {
             Serial().SetEcho(1);
             Serial().Write(request, 1000);
         }},
        {"a wait for quiet", [&] { Serial().WaitForQuiet(100, 20000); }},
        {"a wait for a break", [&] { Serial().WaitForCommError(CSerial::kBreak, 20000); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Line().PlugIn();
        Serial().SetEcho(0);
        Serial().Open(kPort);
        const std::uint64_t pulledNs = NowNs() + 5 * kMs;
        Line().Unplug(pulledNs);
        EXPECT_EQ(RaisedBy(c.action), gone);
        EXPECT_LT(NowNs() - pulledNs, 3 * kMs) << "found out " << NowNs() - pulledNs << " ns after the pull";
    }
}

TEST_F(CPosixSerialWaitTest, AWaitForQuietLastsUntilTheLineHasBeenQuietOrItsTimeOut) {
    // Three characters from now on: the last has arrived 3 character times in, and the line is quiet
    // two character times after the tick at which it was seen.
    const std::uint64_t start = NowNs();
    Line().PeerSend(Counting(3), start);
    EXPECT_TRUE(Serial().WaitForQuiet(2, 100));
    EXPECT_NEAR(static_cast<double>(NowNs() - start), 6.0 * kTickNs, 1.0 * kTickNs);
    std::vector<std::uint8_t> received(3);
    EXPECT_EQ(ReadInto(received, 0), kNothingRaised) << "what came stays for the reader";
    EXPECT_EQ(received, Counting(3));

    const std::uint64_t busyFrom = NowNs();
    Line().PeerSend(std::vector<std::uint8_t>(200, 0x55), busyFrom);
    EXPECT_FALSE(Serial().WaitForQuiet(2, 100));
    EXPECT_NEAR(static_cast<double>(NowNs() - busyFrom), 100.0 * kMs, 1.5 * kTickNs);
}

}  // namespace
