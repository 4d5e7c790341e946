#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "DemoCodeplugs.h"
#include "ProgramSequenceTexts.h"
#include "WholeUpgradeTest.h"

// Every fault the radio can commit, in every phase of a whole upgrade: the press ends in the message of
// the phase, within bounded virtual time, and once the line is mended a retry (or a new press where the
// message ends the press) leaves the radio upgraded with its own data. A fault is met by every request
// the program makes in its phase, so that the exchange's own retries cannot cure it.
namespace {

using namespace ProgramSequenceTexts;

constexpr unsigned kPersistence = 60;    // requests of the kind that meet the fault
constexpr double kBoundSeconds = 600.0;  // virtual time for a whole cell
constexpr unsigned kFlashWindow = 0x400000;
constexpr const char* kPowerUpUnknown = "Unable to verify radio powerup parameters";
constexpr const char* kTimeout = "Timeout occurred while sending KWIP command";
constexpr const char* kChecksumError = "Reply from external device contained checksum error";

using Requests = std::vector<RadioRequest>;

// Where a phase begins in the requests of a clean upgrade: the index of its first request.
using Locator = std::function<std::optional<std::size_t>(const Requests&)>;

std::optional<std::size_t> Find(const Requests& requests, std::size_t from,
                                const std::function<bool(const RadioRequest&)>& matches) {
    for (std::size_t at = from; at < requests.size(); ++at)
        if (matches(requests[at]))
            return at;
    return std::nullopt;
}

std::optional<std::size_t> AfterErase(const Requests& requests,
                                      const std::function<bool(const RadioRequest&)>& matches) {
    const auto erase =
        Find(requests, 0, [](const RadioRequest& r) { return r.kind == RequestKind::EraseFlash; });
    return erase ? Find(requests, *erase, matches) : std::nullopt;
}

bool IsCodeplugWrite(const RadioRequest& r) {
    return r.kind == RequestKind::Write && r.address < kFlashWindow;
}

struct Phase {
    const char* name;
    Locator locate;
    std::string message;  // the first box after the fault; empty: the exchange's error text
    bool loader;          // the bootstrap loader's traffic: no KWIP faults
};

std::vector<Phase> Phases() {
    return {
        {"verification",
         [](const Requests& r) {
             return Find(r, 0, [](const RadioRequest& q) { return q.kind == RequestKind::RadioStatus; });
         },
         "", false},
        {"powerup",
         [](const Requests& r) {
             return Find(r, 0, [](const RadioRequest& q) {
                 return q.kind == RequestKind::RadioStatus && q.code == 5;
             });
         },
         kPowerUpUnknown, false},
        // The loader's announcement (break or pulse) and the bootcode's first character are the radio's
        // own doing, not answers to requests: the schedule cannot touch them (CBootstrap's tests do).
        {"sync",
         [](const Requests& r) {
             return Find(r, 0, [](const RadioRequest& q) { return q.kind == RequestKind::Sync; });
         },
         kNotStarted, true},
        {"block",
         [](const Requests& r) {
             return Find(r, 0, [](const RadioRequest& q) { return q.kind == RequestKind::Block; });
         },
         kNotStarted, true},
        {"erase",
         [](const Requests& r) {
             return Find(r, 0, [](const RadioRequest& q) { return q.kind == RequestKind::EraseFlash; });
         },
         kNoFlashSize, false},
        {"probe",
         [](const Requests& r) {
             return AfterErase(r, [](const RadioRequest& q) { return q.kind == RequestKind::Write; });
         },
         kNoFlashSize, false},
        {"firmware",
         [](const Requests& r) {
             return AfterErase(r, [](const RadioRequest& q) {
                 return q.kind == RequestKind::Write && q.address >= kFlashWindow && q.count > 1;
             });
         },
         kUpdateFailed, false},
        {"save",
         [](const Requests& r) {
             return AfterErase(r, [](const RadioRequest& q) { return q.kind == RequestKind::Read; });
         },
         kUpdateFailed, false},
        {"chunk", [](const Requests& r) { return AfterErase(r, IsCodeplugWrite); }, kUpdateFailed, false},
        {"restore",
         [](const Requests& r) -> std::optional<std::size_t> {
             for (std::size_t at = r.size(); at-- > 0;)
                 if (IsCodeplugWrite(r[at]))
                     return at;
             return std::nullopt;
         },
         kUpdateFailed, false},
        {"patch",
         [](const Requests& r) {
             return AfterErase(r, [](const RadioRequest& q) { return q.kind == RequestKind::RadioStatus; });
         },
         kUpdateFailed, false},
        // The patcher's closing reset: the run succeeds, and when the radio did not take the reset the
        // box's second line asks the operator to switch it off and on.
        {"reset",
         [](const Requests& r) {
             return Find(r, 0, [](const RadioRequest& q) { return q.kind == RequestKind::Reset; });
         },
         kSuccess, false},
    };
}

struct Fault {
    const char* name;
    ScheduledFault::Kind kind;
    bool kwipOnly;
    const char* exchangeText;  // what the exchange raises when every attempt meets the fault
};

const std::vector<Fault>& Faults() {
    static const std::vector<Fault> faults = {
        {"nak", ScheduledFault::Kind::NegativeAck, true, "Received NACK from external device"},
        {"badchecksum", ScheduledFault::Kind::BadChecksum, true, kChecksumError},
        {"silence", ScheduledFault::Kind::Silence, false, kTimeout},
        {"lose", ScheduledFault::Kind::LoseByte, false, kChecksumError},
        {"garble", ScheduledFault::Kind::GarbleByte, false, kChecksumError},
        // A line error is the port's error; the retries wait for the rest of the reply to pass, so none
        // of them reads its tail as a reply of its own.
        {"lineerror", ScheduledFault::Kind::LineError, false, kTimeout},
        {"break", ScheduledFault::Kind::Break, false, kChecksumError},
        {"reset", ScheduledFault::Kind::Reset, false, kTimeout},
    };
    return faults;
}

struct Cell {
    Phase phase;
    Fault fault;
};

void PrintTo(const Cell& cell, std::ostream* out) {
    *out << cell.phase.name << " " << cell.fault.name;
}

// The text of the box that told the operator how the press ended: the first error, else the last box.
std::string Ending(const std::vector<RecordingMessageBox::Box>& boxes) {
    const auto error = std::find_if(boxes.begin(), boxes.end(), [](const RecordingMessageBox::Box& box) {
        return box.icon == MessageIcon::Stop;
    });
    if (error != boxes.end())
        return error->text;
    return boxes.empty() ? "" : boxes.back().text;
}

std::vector<Cell> Cells() {
    std::vector<Cell> cells;
    for (const Phase& phase : Phases())
        for (const Fault& fault : Faults())
            if (!(phase.loader && fault.kwipOnly))  // the loader knows no acknowledge and no checksum
                cells.push_back({phase, fault});
    return cells;
}

class FaultMatrixTest : public WholeUpgradeTest, public testing::WithParamInterface<Cell> {
public:
    static void SetUpTestSuite() { clean_ = CleanRequests(); }

protected:
    // The fault, on the phase's first request and every later one of its kind up to kPersistence.
    void Schedule(const RadioRequest& first, unsigned number) {
        const Cell& cell = GetParam();
        // The byte faults hit the first byte of the reply, or the only byte of the answer to a sync or a
        // reset: a garbled acknowledge before a reply would still be a positive one, as any byte but the
        // negative one is.
        const bool answersOneByte = first.kind == RequestKind::Sync || first.kind == RequestKind::Reset;
        const std::size_t byte = answersOneByte ? 0 : 1;
        for (unsigned n = number; n < number + kPersistence; ++n)
            Radio().ScheduleFault({first.kind, n, cell.fault.kind, byte});
    }
    static Requests clean_;
};

Requests FaultMatrixTest::clean_;

TEST_P(FaultMatrixTest, EndsInThePhasesMessageAndARetryFinishesTheUpgrade) {
    const Cell& cell = GetParam();
    const std::optional<std::size_t> first = cell.phase.locate(clean_);
    ASSERT_TRUE(first) << "a clean upgrade has no " << cell.phase.name << " phase";
    Schedule(clean_[*first], NumberAmongItsKind(clean_, *first));

    std::vector<RecordingMessageBox::Box> boxes = Press();
    // A failed codeplug step adds why, and where the radio's own data are kept.
    const std::string expected = cell.phase.message.empty() ? cell.fault.exchangeText : cell.phase.message;
    EXPECT_EQ(Ending(boxes).substr(0, expected.size()), expected);
    if (cell.phase.message == kSuccess)
        Radio().PowerCycle(NowNs());  // a radio left in the bootcode shows it
    if (!form_->LastOutcome().Succeeded())
        boxes = Press();  // the message ended the press: the operator presses again

    EXPECT_EQ(boxes.back().text.rfind(kSuccess, 0), 0u) << boxes.back().text;
    EXPECT_TRUE(form_->LastOutcome().Succeeded());
    EXPECT_LT(Seconds(), kBoundSeconds);
    ExpectUpgraded();
}

INSTANTIATE_TEST_SUITE_P(PhasesAndFaults, FaultMatrixTest, testing::ValuesIn(Cells()),
                         [](const testing::TestParamInfo<Cell>& info) {
                             return std::string(info.param.phase.name) + "_" + info.param.fault.name;
                         });

TEST_F(WholeUpgradeTest, ACleanUpgradeNeedsOnePress) {
    const std::vector<RecordingMessageBox::Box> boxes = Press();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes.back().text, kSuccess);
    ExpectUpgraded();
}

// The patch script runs on the codeplug the press has just written: each field keeps the bits outside
// its clear mask and takes the bits it sets.
TEST_F(WholeUpgradeTest, ThePatchScriptLeavesItsFieldBitsInTheRadio) {
    const BuiltCodeplug kit = DemoCodeplugs::Build(DemoCodeplugs::Models()[0]);
    const std::uint32_t field = kit.EntryAddress(DemoCodeplugs::kSettingsBlock, 0, 0);
    WriteKitConfig(
        "20,00,02,0000,00,00\n"  // the settings block
        "30,00,00,0003,0C,04\n"
        "30,00,00,0004,F0,A0\n"
        "50,00,02,0000,00,00\n"
        "99,00,00,0000,00,00");

    const std::vector<RecordingMessageBox::Box> boxes = Press();

    ASSERT_EQ(boxes.back().text, kSuccess);
    const auto patched = [](std::uint8_t byte, std::uint8_t clear, std::uint8_t set) {
        return static_cast<std::uint8_t>((byte & ~clear) | set);
    };
    EXPECT_EQ(Radio().Codeplug()[field + 3], patched(kitCodeplug_[field + 3], 0x0C, 0x04));
    EXPECT_EQ(Radio().Codeplug()[field + 4], patched(kitCodeplug_[field + 4], 0xF0, 0xA0));
    EXPECT_EQ(Radio().Codeplug()[field + 5], kitCodeplug_[field + 5]);
}

}  // namespace
