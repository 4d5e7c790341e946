#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "RaisedError.h"
#include "SimSerialTest.h"
#include "platform/CPosixSerial.h"

namespace {

// The port on the simulated line: opening, line settings, line errors, pulses and error waits.
class CPosixSerialTest : public SimSerialTest {
protected:
    void OpenAt9600() {
        Serial().SetParams(9600, CSerial::kParityNone, CSerial::kOneStopBit, 8);
        Serial().Open(kPort);
    }

    // Whether a byte is waiting: a short read either takes it or times out.
    bool SomethingWaiting() {
        std::uint8_t byte = 0;
        return RaisedBy([&] { Serial().Read(std::span(&byte, 1), 5); }) == kNothingRaised;
    }
};

TEST_F(CPosixSerialTest, OpenAppliesTheStoredParametersAndAReopenForgetsLaterChanges) {
    Serial().SetParams(2400, CSerial::kParityOdd, CSerial::kTwoStopBits, 7);
    Serial().Open(kPort);
    EXPECT_EQ(Serial().GetPort(), static_cast<int>(kPort));
    EXPECT_EQ(Line().ProgramLine(), (LineSettings{2400, 7, Parity::Odd, StopBits::Two}));

    Serial().SetBaud(19200);
    EXPECT_EQ(Serial().GetBaud(), 19200u);
    EXPECT_EQ(Line().ProgramLine().baud, 19200u);

    Serial().Open(kPort);  // open already: closed first, then opened anew
    EXPECT_EQ(Serial().GetBaud(), 2400u);
    EXPECT_EQ(Line().ProgramLine(), (LineSettings{2400, 7, Parity::Odd, StopBits::Two}));
    EXPECT_EQ(Serial().GetParity(), CSerial::kParityOdd);
    EXPECT_EQ(Serial().GetStopBits(), CSerial::kTwoStopBits);
    EXPECT_EQ(Serial().GetCharSize(), 7);
}

TEST_F(CPosixSerialTest, AHeldPortKeepsItsDeviceWhileClosedAndForgetsWhatTheLineDidMeanwhile) {
    Serial().HoldDevice();
    OpenAt9600();
    Serial().Close();
    EXPECT_EQ(Serial().GetPort(), 0);
    EXPECT_EQ(Line().OpenProgramEnd(), nullptr) << "no other program takes the device while it is held";

    Line().InjectErrors(CSerial::kFramingError, NowNs());
    OpenAt9600();
    EXPECT_EQ(Serial().GetPort(), static_cast<int>(kPort));
    EXPECT_FALSE(Serial().WaitForCommError(CSerial::kFramingError, 5));
    Serial().Close();

    Serial().ReleaseDevice();
    EXPECT_NE(Line().OpenProgramEnd(), nullptr) << "let go with the last hold";
}

TEST_F(CPosixSerialTest, AHeldPortOpenedAtAnotherNumberLetsItsDeviceGo) {
    Serial().HoldDevice();
    OpenAt9600();
    Serial().Close();
    EXPECT_NE(RaisedBy([&] { Serial().Open(kPort + 1); }), kNothingRaised);
    EXPECT_NE(Line().OpenProgramEnd(), nullptr);
    Serial().ReleaseDevice();
}

TEST_F(CPosixSerialTest, ParameterValuesMapToTheLineAsTheDriverTakesThem) {
    struct Case {
        int parity;
        int stopBits;
        int charSize;
        LineSettings line;
        int parityReported;
        int stopBitsReported;
    };
    const Case cases[] = {
        {1, 0, 8, {9600, 8, Parity::Odd, StopBits::One}, 1, 0},
        {2, 2, 8, {9600, 8, Parity::Even, StopBits::Two}, 2, 2},
        {0, 1, 5, {9600, 5, Parity::None, StopBits::OneAndHalf}, 0, 1},
        {5, 7, 6, {9600, 6, Parity::None, StopBits::One}, 0, 0},  // unknown values: none, one
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.parity * 100 + c.stopBits * 10);
        Serial().SetParams(9600, c.parity, c.stopBits, c.charSize);
        Serial().Open(kPort);
        EXPECT_EQ(Line().ProgramLine(), c.line);
        EXPECT_EQ(Serial().GetParity(), c.parityReported);
        EXPECT_EQ(Serial().GetStopBits(), c.stopBitsReported);
    }
}

TEST_F(CPosixSerialTest, APortThatCannotBeOpenedIsNamedAndKeepsItsNumberUntilClosed) {
    EXPECT_EQ(RaisedBy([&] { Serial().Open(7); }), CommError(1, "CWinSerial::Open: Unable to open com7"));
    EXPECT_EQ(Serial().GetPort(), 7);
    Serial().Close();
    EXPECT_EQ(Serial().GetPort(), 0);

    const auto elsewhere = Line().OpenProgramEnd();  // in use by another program
    EXPECT_EQ(RaisedBy([&] { Serial().Open(kPort); }), CommError(1, "CWinSerial::Open: Unable to open com1"));
}

TEST_F(CPosixSerialTest, OpenFailsWhenTheLineCannotBeReadOrSet) {
    struct Case {
        std::function<void()> arrange;
        std::string text;
    };
    const Case cases[] = {
        {[&] { Line().FailLineQueries(true); }, "CWinSerial::OpenPort: GetCommState returned false"},
        {[&] { Line().RefuseLineChanges(true); }, "CWinSerial::OpenPort: SetCommState returned false"},
        {[&] { Serial().SetParams(9600, 0, 0, 9); }, "CWinSerial::OpenPort: SetCommState returned false"},
        {[&] { Serial().SetParams(0, 0, 0, 8); }, "CWinSerial::OpenPort: SetCommState returned false"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        c.arrange();
        EXPECT_EQ(RaisedBy([&] { Serial().Open(kPort); }), CommError(12, c.text));
        EXPECT_NE(Line().OpenProgramEnd(), nullptr) << "the device was left open";
        Line().FailLineQueries(false);
        Line().RefuseLineChanges(false);
        Serial().SetParams(9600, 0, 0, 8);
    }
}

TEST_F(CPosixSerialTest, ARefusedSettingRaisesItsTextAndLeavesTheLineAsItWas) {
    struct Case {
        std::function<void(CSerial&)> set;
        std::string text;
    };
    const Case cases[] = {
        {[](CSerial& port) { port.SetBaud(19200); }, "CWinSerial::SetBaud: SetCommState returned false"},
        {[](CSerial& port) { port.SetParity(1); }, "WinSerial::SetParity: SetCommState returned false"},
        {[](CSerial& port) { port.SetCharSize(7); }, "CWinSerial::SetCharSize: SetCommState returned false"},
        {[](CSerial& port) { port.SetStopBits(2); }, "CWinSerial::SetStopBits: SetCommState returned false"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(RaisedBy([&] { c.set(Serial()); }), CommError(12, c.text)) << "on a closed port";
        OpenAt9600();
        Line().RefuseLineChanges(true);
        EXPECT_EQ(RaisedBy([&] { c.set(Serial()); }), CommError(12, c.text));
        EXPECT_EQ(Line().ProgramLine(), LineSettings{});
        EXPECT_EQ(Serial().GetBaud(), 9600u);
        EXPECT_EQ(Serial().GetParity(), CSerial::kParityNone);
        EXPECT_EQ(Serial().GetCharSize(), 8);
        EXPECT_EQ(Serial().GetStopBits(), CSerial::kOneStopBit);
        Line().RefuseLineChanges(false);
        Serial().Close();
    }
}

TEST_F(CPosixSerialTest, OpeningAndChangingTheLineDiscardWhatWasWaiting) {
    const std::vector<std::uint8_t> stale = {1, 2, 3};
    Line().PeerSend(stale, NowNs());
    Clock().Advance(10 * kMs);
    OpenAt9600();
    EXPECT_FALSE(SomethingWaiting());

    Line().PeerSend(stale, NowNs());
    Clock().Advance(10 * kMs);
    Serial().SetBaud(9600);
    EXPECT_FALSE(SomethingWaiting());

    Line().PeerSend(stale, NowNs());
    Clock().Advance(10 * kMs);
    Serial().PurgeInput();
    EXPECT_FALSE(SomethingWaiting());
}

TEST_F(CPosixSerialTest, ARateChangeLetsTheLastCharacterLeaveAtTheOldRateFirst) {
    Serial().SetParams(2400, CSerial::kParityNone, CSerial::kOneStopBit, 8);
    Serial().Open(kPort);
    const double characterSeconds = Serial().ByteTime();
    const std::vector<std::uint8_t> last = {0x5A};
    const double start = Seconds();
    Serial().Write(last, 100);
    ASSERT_LT(Seconds() - start, characterSeconds);  // handed over, still on the wire

    Serial().SetBaud(19200);
    EXPECT_GE(Seconds() - start, characterSeconds);
    EXPECT_EQ(Serial().GetBaud(), 19200u);
}

TEST_F(CPosixSerialTest, ByteTimeCountsHalfBits) {
    struct Case {
        unsigned baud;
        int parity;
        int stopBits;
        int charSize;
        double halfBits;
    };
    const Case cases[] = {
        {9600, CSerial::kParityNone, CSerial::kOneStopBit, 8, 20},
        {9600, CSerial::kParityOdd, CSerial::kOneStopBit, 8, 22},
        {9600, CSerial::kParityEven, CSerial::kOneStopBit, 8, 24},  // even parity counts 4 half bits
        {300, CSerial::kParityNone, CSerial::kOneAndHalfStopBits, 5, 15},
        {115200, CSerial::kParityNone, CSerial::kTwoStopBits, 7, 20},
    };
    for (const Case& c : cases) {
        Serial().SetParams(c.baud, c.parity, c.stopBits, c.charSize);
        Serial().Open(kPort);
        EXPECT_DOUBLE_EQ(Serial().ByteTime(), c.halfBits * 0.5 / c.baud) << c.baud << " " << c.halfBits;
    }
}

TEST(CPosixSerialLineErrorTest, TheFirstFlagInTheOrderDecides) {
    struct Case {
        unsigned flags;
        RaisedError raised;
    };
    const Case cases[] = {
        {0, kNothingRaised},
        {0x1FF, CommError(10, "Break detected while accessing communication port")},
        {0x08 | 0x02 | 0x04 | 0x01,
         CommError(7, "Framing error detected while accessing communication port")},
        {0x02 | 0x04 | 0x01, CommError(8, "Overrun detected while accessing communication port")},
        {0x04 | 0x01 | 0x100, CommError(6, "Parity error detected while accessing communication port")},
        {0x01 | 0x100, CommError(5, "Communication port input buffer overflow")},
        {0x100 | 0x20, CommError(4, "Communication port output buffer overflow")},
        {0x20, CommError(9, "Unknown IO error occured while accessing communication port")},
        {0x8000, CommError(9, "Unknown IO error occured while accessing communication port")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RaisedBy([&] { CPosixSerial::RaiseLineError(c.flags); }), c.raised) << std::hex << c.flags;
    }
}

TEST_F(CPosixSerialTest, AReadTheDeviceFailsRaisesItsLineErrorOrAnUnknownError) {
    OpenAt9600();
    const std::vector<std::uint8_t> byte = {0x42};
    std::uint8_t received = 0;
    Line().PeerSend(byte, NowNs());
    Line().FailNextRead(CSerial::kParityError | CSerial::kOverrun);
    EXPECT_EQ(RaisedBy([&] { Serial().Read(std::span(&received, 1), 100); }),
              CommError(8, "Overrun detected while accessing communication port"));

    // The byte was never taken, so it is still there: a failed read must not pass for a good one.
    Line().FailNextRead(0);
    EXPECT_EQ(RaisedBy([&] { Serial().Read(std::span(&received, 1), 100); }),
              CommError(9, "Unknown IO error occured while accessing communication port"));
}

TEST_F(CPosixSerialTest, DetectPulseTakesOnlyTheShortPulsesAndRestoresTheRate) {
    struct Case {
        std::uint8_t spelled;
        bool taken;
    };
    const Case cases[] = {{0xC0, true}, {0xE0, true},  {0xF8, true}, {0xFC, true},
                          {0xFE, true}, {0xF0, false}, {0x80, false}};
    OpenAt9600();
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.spelled));
        for (const std::uint64_t at : {100 * kMs, 300 * kMs, 500 * kMs}) {
            Line().InjectPulse(NowNs() + at, SimUart::PulseNs(c.spelled, 300));
        }
        EXPECT_EQ(Serial().DetectPulse(1000), c.taken);
        EXPECT_EQ(Serial().GetBaud(), 9600u);
        EXPECT_EQ(Line().ProgramLine().baud, 9600u);
        Clock().Advance(600 * kMs);  // past the pulses not used
    }
}

// A far end that, at its wake-up, keeps the program from running for a while, as a busy machine
// would: whatever lands meanwhile is all waiting when the program looks again.
class StallingPeer : public SimPeer {
public:
    StallingPeer(VirtualClock& clock, std::uint64_t stallNs) : clock_(clock), stallNs_(stallNs) {}
    void OnCharacter(SimLine&, const SimCharacter&) override {}
    void OnWake(SimLine&, std::uint64_t) override { clock_.Advance(stallNs_); }

private:
    VirtualClock& clock_;
    std::uint64_t stallNs_;
};

TEST_F(CPosixSerialTest, DetectPulseLooksOnlyAtWhatArrivesDuringEachAttempt) {
    OpenAt9600();
    Line().AttachPeer(std::make_shared<StallingPeer>(Clock(), 200 * kMs));
    Line().SetPeerLine({300, 8, Parity::None, StopBits::One});
    // A character and a pulse land together while the program stalls: the first attempt takes the
    // character, and the pulse that came with it is stale by the second.
    const std::uint64_t start = NowNs();
    const std::vector<std::uint8_t> together = {0x55, 0xE0};
    Line().PeerSend(together, start + 110 * kMs);
    Line().WakePeerAt(start + 111 * kMs);
    const std::vector<std::uint8_t> later = {0x00};
    Line().PeerSend(later, start + 500 * kMs);
    Line().PeerSend(later, start + 600 * kMs);
    EXPECT_FALSE(Serial().DetectPulse(1000));
    EXPECT_EQ(Serial().GetBaud(), 9600u);
}

TEST_F(CPosixSerialTest, DetectPulseReplacesAnyErrorAfterRestoringTheRate) {
    struct Case {
        bool refuseRateChange;
        std::string logged;
    };
    const Case cases[] = {
        {false, "CWinSerial::WaitForBytesUnless: No data received when timeout"},
        {true, "CWinSerial::SetBaud: SetCommState returned false"},
    };
    OpenAt9600();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.logged);
        Line().RefuseLineChanges(c.refuseRateChange);
        EXPECT_EQ(RaisedBy([&] { Serial().DetectPulse(200); }), GenError(3, "General Communication Error"));
        EXPECT_TRUE(LogHas(c.logged));
        EXPECT_EQ(Line().ProgramLine().baud, 9600u);
        EXPECT_EQ(Serial().GetBaud(), 9600u);
        Line().RefuseLineChanges(false);
    }
}

TEST_F(CPosixSerialTest, WaitForCommErrorSeesABreakAsSoonAsItIsHeld) {
    OpenAt9600();
    Line().InjectBreak(NowNs() + 20 * kMs, NowNs() + 80 * kMs);
    EXPECT_TRUE(Serial().WaitForCommError(CSerial::kBreak, 100));
    EXPECT_NEAR(Seconds(), 0.0225, 0.0015);  // held from 21.04 ms, polled every 2 ms
}

TEST_F(CPosixSerialTest, WaitForCommErrorIgnoresFlagsOutsideItsMaskUntilTheTimeOut) {
    OpenAt9600();
    Line().InjectErrors(CSerial::kFramingError, NowNs() + 10 * kMs);
    EXPECT_FALSE(Serial().WaitForCommError(CSerial::kBreak, 50));
    EXPECT_NEAR(Seconds(), 0.051, 0.0015);
}

}  // namespace
