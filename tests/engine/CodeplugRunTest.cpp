#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "DemoCodeplugs.h"
#include "EngineRunTest.h"
#include "ProgrammerTest.h"
#include "SRecordWriter.h"
#include "TestCodeplugs.h"
#include "codeplug/CCodeplug.h"
#include "engine/CBootstrap.h"
#include "engine/SavedDataFile.h"
#include "files/ProductLine.h"
#include "notify/CancelSignal.h"

namespace {

using Span = ProgrammerTest::Span;

constexpr std::uint64_t kRestartWaitNs = 200 * 1'000'000ULL;

// One layout's radio and kit codeplugs, and what a mode keeps of the radio's.
struct Layout {
    int type = 1;
    Bytes radio;
    Bytes kit;
    CodeplugRegion region;
    std::vector<Span> kept;
    std::set<std::uint32_t> checksums;
};

Layout StandardLayout(int mode) {
    const DemoCodeplugs::Model& model = DemoCodeplugs::Models()[0];
    const BuiltCodeplug kit = DemoCodeplugs::Build(model);
    Layout layout{1, DemoCodeplugs::Build(model, {"RAD-0042-XY", 0x37, 0x5A}).bytes, kit.bytes, {}, {}, {}};
    CCodeplug image;
    image.ReadCpImage(kit.bytes);
    const CodeplugPointers pointers = *image.GetRdkPtrs();
    layout.region = {mode == 2 ? pointers.boundary : 0, mode == 1 ? pointers.boundary : pointers.codeplugEnd + 1};
    const std::uint32_t identity = kit.EntryAddress(0, 0, 0);
    if (mode != 2)
        layout.kept.push_back({kit.EntryAddress(0x8000, 0, 0), DemoCodeplugs::kTuningBytes});
    if (mode != 1) {
        layout.kept.push_back({identity, DemoCodeplugs::kSerialNumberBytes});
        layout.kept.push_back({identity + DemoCodeplugs::kRegionalIdOffset, 1});
    }
    for (const ChecksumArea& area : kit.areas)
        layout.checksums.insert(area.location);
    return layout;
}

Layout MakeLayout(int type, int mode) {
    switch (type) {
        case CCodeplug::kWrenFormat:
            return {type, WrenTestCodeplug::WrenImage(0x21), WrenTestCodeplug::WrenImage(0x90),
                    WrenTestCodeplug::Region(mode), WrenTestCodeplug::Kept(mode), WrenTestCodeplug::Checksums()};
        case CCodeplug::kKdsFormat:
            return {type, KdsTestCodeplug::KdsImage(0x11), KdsTestCodeplug::KdsImage(0x80),
                    KdsTestCodeplug::Region(mode), KdsTestCodeplug::Kept(mode), KdsTestCodeplug::Checksums()};
        default:
            return StandardLayout(mode);
    }
}

// Whole engine runs with a codeplug step, against a radio that holds its own codeplug.
class CodeplugRunTest : public EngineRunTest {
protected:
    void Prepare(int type, int mode, bool flash) {
        layout_ = MakeLayout(type, mode);
        Bytes memory = layout_.radio;
        memory.resize(4096, 0xFF);
        Profile().codeplug = memory;
        codeplugType_ = type;
        codeplugText_ = WriteSRecords(layout_.kit, SRecordLayout{});
        options_ = {true, flash, mode, false, "01"};
        enterBootstrapMode_ = flash;
        if (flash)
            WriteKitFile("fw_128k", FirmwareText(FirmwareImage(640), 0));
    }
    void ExpectRadioKeptItsOwnData() {
        ProgrammerTest::ExpectProgrammed(Radio().Codeplug(), layout_.radio, layout_.kit, layout_.region,
                                         layout_.kept, layout_.checksums);
    }
    void FailWrites(unsigned first, unsigned count) {
        for (unsigned n = first; n < first + count; ++n)
            Radio().ScheduleFault({RequestKind::Write, n, ScheduledFault::Kind::NegativeAck});
    }
    unsigned Chunks() const { return static_cast<unsigned>(layout_.region.ChunkCount()); }

    Layout layout_;
};

struct RunCase {
    int type;
    int mode;
    bool flash;
};

class CodeplugModeRunTest : public CodeplugRunTest, public testing::WithParamInterface<RunCase> {};

TEST_P(CodeplugModeRunTest, KeepsTheRadiosOwnDataAndRestartsTheRadioAfterFlashing) {
    const auto [type, mode, flash] = GetParam();
    Prepare(type, mode, flash);
    ASSERT_EQ(Run(), UpgradeStatus::Succeeded);
    EXPECT_EQ(engine_->Region().start, layout_.region.start);
    EXPECT_EQ(engine_->Region().end, layout_.region.end);
    ExpectRadioKeptItsOwnData();
    const auto bootcodeBlocks = CBootstrap::BlockCount(CBootstrap::kZR5, BootcodeFor(115200).size());
    EXPECT_EQ(notes_.Steps(), static_cast<int>(Chunks() + (flash ? 20 + bootcodeBlocks : 0)));
    // After flashing the radio still runs the bootcode; the codeplug step restarts it.
    EXPECT_EQ(RequestsOf(RequestKind::Reset).size(), flash ? 1u : 0u);
    EXPECT_FALSE(engine_->RestartFailed());
    Wait(kRestartWaitNs);
    EXPECT_EQ(Radio().State(), RadioState::Running);
    if (flash) {
        EXPECT_EQ(RequestsOf(RequestKind::Bootcode).at(0).baud, *settings_.flashRate);
    }
}

std::vector<RunCase> AllRuns() {
    std::vector<RunCase> cases;
    for (const int type : {1, 2, 3})
        for (const int mode : {1, 2, 3})
            for (const bool flash : {false, true})
                cases.push_back({type, mode, flash});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(LayoutsModesAndFirmware, CodeplugModeRunTest, testing::ValuesIn(AllRuns()),
                         [](const testing::TestParamInfo<RunCase>& info) {
                             return "type" + std::to_string(info.param.type) + "_mode" +
                                    std::to_string(info.param.mode) + (info.param.flash ? "_firmware" : "");
                         });

TEST_F(CodeplugRunTest, APatchAfterFlashingLeavesTheResetToThePatcher) {
    Prepare(1, 1, true);
    options_.patchCodeplug = true;
    patchRecords_ = {{0x99, 0, 0, 0, 0, 0}};
    ASSERT_EQ(Run(), UpgradeStatus::Succeeded);
    const std::vector<RadioRequest> resets = RequestsOf(RequestKind::Reset);
    ASSERT_EQ(resets.size(), 1u);
    EXPECT_GT(resets[0].timeNs, RequestsOf(RequestKind::Write).back().timeNs);
}

// FAR_VARNO radios of model code "01" move a byte and seven bytes within their memory before the save,
// into the tuning field the Wren layout keeps: the radio ends with the moved bytes there.
TEST_F(CodeplugRunTest, AFarVarnoWrenRadioEndsWithItsRawCopiesInItsTuning) {
    Prepare(CCodeplug::kWrenFormat, 3, false);
    productLine_ = ProductLine::kFarVarno;

    ASSERT_EQ(Run(), UpgradeStatus::Succeeded);

    const std::span<const std::uint8_t> now = Radio().Codeplug();
    EXPECT_EQ(now[324], layout_.radio[326]);
    EXPECT_EQ(Bytes(now.begin() + 310, now.begin() + 317),
              Bytes(layout_.radio.begin() + 303, layout_.radio.begin() + 310));
    EXPECT_NE(layout_.radio[324], layout_.radio[326]) << "the copy shows";
}

TEST_F(CodeplugRunTest, CodeplugProgrammingShowsItsMessageAndWarningFromTheStart) {
    Prepare(1, 3, false);
    ASSERT_EQ(Run(), UpgradeStatus::Succeeded);
    const std::vector<std::string> calls = notes_.Calls();
    const auto begin = std::find(calls.begin(), calls.end(), "Begin " + std::to_string(Chunks()) + " 0");
    ASSERT_NE(begin, calls.end());
    EXPECT_EQ(std::count_if(calls.begin(), begin, [](const std::string& c) { return c.starts_with("Message"); }), 0);
    EXPECT_EQ(*std::next(begin), "Message Programming Codeplug...\nWARNING!! Ensure process is not interrupted");
}

// Firmware, codeplug and a patch of two checks, with the operator pressing Cancel at one Step. Only the
// patch can stop safely: a press before it is refused and the run succeeds; a press in it stops the run
// after the record under way, as cancelled, and the patcher still resets the radio.
class CancelRunTest : public CodeplugRunTest, public testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        Prepare(1, 3, true);
        options_.patchCodeplug = true;
        patchRecords_ = {{0x10, 4, 1, '5', 0, 0}, {0x10, 4, 0, 'Z', 0, 0}, {0x99, 0, 0, 0, 0, 0}};
    }
    // The first Step of each phase; the bootcode has a display of its own.
    int FirstStepOf(const std::string& phase) const {
        const int bootcode = static_cast<int>(CBootstrap::BlockCount(CBootstrap::kZR5, BootcodeFor(115200).size()));
        const int firmware = 20;
        if (phase == "bootcode")
            return 1;
        if (phase == "firmware")
            return bootcode + 1;
        if (phase == "codeplug")
            return bootcode + firmware + 1;
        return bootcode + firmware + static_cast<int>(Chunks()) + 1;
    }
};

TEST_P(CancelRunTest, IsRefusedWhereTheWorkCannotStopAndTakenInThePatch) {
    const std::string phase = GetParam();
    notes_.CancelAtStep(FirstStepOf(phase));
    const bool taken = phase == "patch";

    EXPECT_EQ(Run(), taken ? UpgradeStatus::Cancelled : UpgradeStatus::Succeeded);
    ExpectRadioKeptItsOwnData();
    EXPECT_EQ(LogHas("CPatcher::UpdateRadio: Operation Interrupted"), taken);
    EXPECT_FALSE(LogHas("CRadioUpgrade::DoPatch: Patching codeplug data failed!"));
    EXPECT_EQ(Radio().Requests().back().kind, RequestKind::Reset);
    EXPECT_FALSE(notes_.Model().Active());
}

INSTANTIATE_TEST_SUITE_P(Phases, CancelRunTest, testing::Values("bootcode", "firmware", "codeplug", "patch"));

TEST_F(CodeplugRunTest, CancelIsOffWithAReasonThroughEachStepThatCannotStop) {
    Prepare(1, 3, true);
    options_.patchCodeplug = true;
    patchRecords_ = {{0x99, 0, 0, 0, 0, 0}};
    ASSERT_EQ(Run(), UpgradeStatus::Succeeded);
    std::vector<std::string> phases;
    for (const std::string& call : notes_.Calls()) {
        if (call.starts_with("Cancel") || call.starts_with("Begin") || call == "End")
            phases.push_back(call.starts_with("Cancel off: ") ? "off" : call.substr(0, call.find(' ')));
    }
    // bootcode; firmware, codeplug, then on for the patch, whose own display is the one already open
    EXPECT_EQ(phases, (std::vector<std::string>{"off", "Begin", "End", "off", "Begin", "off", "Cancel", "Begin",
                                                "End", "End"}));
    const std::vector<std::string> reasons = notes_.CallsOf("Cancel off: ");
    ASSERT_EQ(reasons.size(), 3u);
    EXPECT_NE(reasons[0], reasons[1]);
    EXPECT_NE(reasons[1], reasons[2]);
}

TEST_F(CodeplugRunTest, ACancelLeftFromAnEarlierRunDoesNotStopThisOne) {
    Prepare(1, 3, false);
    options_.patchCodeplug = true;
    patchRecords_ = {{0x10, 4, 1, '5', 0, 0}, {0x99, 0, 0, 0, 0, 0}};
    CancelSignal::Global().Set();
    EXPECT_EQ(Run(), UpgradeStatus::Succeeded);
}

struct RestartCase {
    const char* name;
    int mode;
    bool patch;
    const char* logLine;
};

class MissedRestartRunTest : public CodeplugRunTest, public testing::WithParamInterface<RestartCase> {};

// Whichever step sends the last reset after flashing, a radio that does not take it holds everything it
// was sent: the run succeeds and says the radio has not restarted.
TEST_P(MissedRestartRunTest, SucceedsAndSaysTheRadioHasNotRestarted) {
    Prepare(1, GetParam().mode == 0 ? 1 : GetParam().mode, true);
    options_.codeplugMode = GetParam().mode;
    options_.patchCodeplug = GetParam().patch;
    patchRecords_ = {{0x99, 0, 0, 0, 0, 0}};
    for (unsigned n = 1; n <= 10; ++n)  // every retry of the reset
        Radio().ScheduleFault({RequestKind::Reset, n, ScheduledFault::Kind::NegativeAck});

    EXPECT_EQ(Run(), UpgradeStatus::Succeeded);
    EXPECT_TRUE(engine_->RestartFailed());
    EXPECT_TRUE(LogHas(GetParam().logLine));
    Wait(kRestartWaitNs);
    EXPECT_NE(Radio().State(), RadioState::Running);
}

INSTANTIATE_TEST_SUITE_P(LastSteps, MissedRestartRunTest,
                         testing::Values(
                             RestartCase{"firmware", 0, false, "CRadioUpgrade::ProgramFlash: Reset radio command failed"},
                             RestartCase{"codeplug", 1, false, "CCodeplug::StopCpAccess: Reset radio command failed"},
                             RestartCase{"patch", 1, true, "CCodeplug::StopCpAccess: Reset radio command failed"}),
                         [](const testing::TestParamInfo<RestartCase>& info) { return info.param.name; });

struct StepFault {
    const char* name;
    void (*fault)(CodeplugRunTest& test);
    bool patch;
    UpgradeStatus status;
    const char* line;
};

class CodeplugFaultRunTest : public CodeplugRunTest, public testing::WithParamInterface<StepFault> {
public:
    void FailReads(unsigned count) {
        for (unsigned n = 1; n <= count; ++n)
            Radio().ScheduleFault({RequestKind::Read, n, ScheduledFault::Kind::NegativeAck});
    }
    void FailRestore() { FailWrites(Chunks() + 1, 40); }
    void FailChunk() { FailWrites(2, 4); }
};

TEST_P(CodeplugFaultRunTest, EndsInTheStatusOfItsStep) {
    Prepare(1, 3, false);
    options_.patchCodeplug = GetParam().patch;
    patchRecords_ = {{0x10, 4, 1, '9', 0, 0}, {0x99, 0, 0, 0, 0, 0}};  // the radio's status 4 is "Z5"
    GetParam().fault(*this);
    EXPECT_EQ(Run(), GetParam().status);
    EXPECT_TRUE(LogHas(GetParam().line)) << GetParam().line;
}

INSTANTIATE_TEST_SUITE_P(
    Steps, CodeplugFaultRunTest,
    testing::Values(
        StepFault{"save", [](CodeplugRunTest& t) { static_cast<CodeplugFaultRunTest&>(t).FailReads(40); }, false,
                  UpgradeStatus::CodeplugFailed,
                  "CRadioUpgrade::DoProgCp: Error while reading radio serial number and regional id data"},
        StepFault{"chunk", [](CodeplugRunTest& t) { static_cast<CodeplugFaultRunTest&>(t).FailChunk(); }, false,
                  UpgradeStatus::CodeplugFailed, "Write radio codeplug failed at address 20"},
        StepFault{"restore", [](CodeplugRunTest& t) { static_cast<CodeplugFaultRunTest&>(t).FailRestore(); },
                  false, UpgradeStatus::CodeplugFailed,
                  "CRadioUpgrade::DoProgCp: Error while restoring radio tuning data"},
        StepFault{"patch", [](CodeplugRunTest&) {}, true, UpgradeStatus::PatchFailed,
                  "CRadioUpgrade::DoPatch: Patching codeplug data failed!"}),
    [](const testing::TestParamInfo<StepFault>& info) { return info.param.name; });

class KdsVariantRunTest : public CodeplugRunTest, public testing::WithParamInterface<const char*> {};

// The variant code the verification read decides whether the tuning moves: old offsets 43 and 44 land
// at 50 and 49 for "01", and stay where they were for "00".
TEST_P(KdsVariantRunTest, DecidesWhetherTheTuningEntryIsMigrated) {
    using namespace KdsTestCodeplug;
    variantCode_ = GetParam();
    Prepare(CCodeplug::kKdsFormat, 1, false);
    ASSERT_EQ(Run(), UpgradeStatus::Succeeded);
    const auto now = Radio().Codeplug();
    const auto old = layout_.radio.begin() + kTuningEntry;
    if (variantCode_ == "01") {
        EXPECT_EQ(now[kTuningEntry + 50], old[43]);
        EXPECT_EQ(now[kTuningEntry + 49], old[44]);
        EXPECT_EQ(now[kTuningEntry + 48], old[42]);
    } else {
        EXPECT_TRUE(std::equal(old, old + kTuningBytes, now.begin() + kTuningEntry));
    }
}

INSTANTIATE_TEST_SUITE_P(VariantCodes, KdsVariantRunTest, testing::Values("01", "00"));

// A failure between the chunk write and the restore leaves the radio with the kit's generic values;
// the retry of the same Program press must put back the radio's own, not save the generic ones.
TEST_F(CodeplugRunTest, ARetryAfterAFailedRestoreGivesTheRadioBackItsOwnData) {
    TempDir backups;
    RadioSavedData saved;
    saved.SetRadio(SmallRadioIdentity());
    savedData_ = &saved;
    backupFolder_ = backups.Path();
    Prepare(1, 3, false);
    FailWrites(Chunks() + 1, 4);  // every attempt of the restore's first write
    ASSERT_EQ(Run(), UpgradeStatus::CodeplugFailed);
    const std::filesystem::path backup = engine_->BackupFile();
    ASSERT_FALSE(backup.empty());

    ASSERT_EQ(Run(), UpgradeStatus::Succeeded);
    ExpectRadioKeptItsOwnData();

    const RadioSavedData fromFile = SavedDataFile::Read(backup);
    const Span tuning = layout_.kept[0];
    EXPECT_EQ(fromFile.Find(0x8000, 0)->bytes,
              Bytes(layout_.radio.begin() + tuning.address, layout_.radio.begin() + tuning.address + tuning.length));
    EXPECT_EQ(fromFile.Find(0, 81)->bytes, Bytes{0x37});
}

}  // namespace

// A later press (new saved data, as a new program start has) finds the backup of the radio whose data
// never went back, and restores those instead of saving the kit's generic values that the radio holds.
class LedgerRunTest : public CodeplugRunTest {
protected:
    LedgerRunTest() { backupFolder_ = backups_.Path(); }
    // One Program press: saved data of its own that know the radio.
    UpgradeStatus Press() {
        press_ = std::make_unique<RadioSavedData>();
        press_->SetRadio(SmallRadioIdentity());
        savedData_ = press_.get();
        return Run();
    }
    std::vector<std::filesystem::path> Backups() const {
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(backups_.Path()))
            files.push_back(entry.path());
        return files;
    }

    TempDir backups_;
    std::unique_ptr<RadioSavedData> press_;
};

TEST_F(LedgerRunTest, ANewPressRestoresTheDataAnEarlierPressLeftAtRisk) {
    Prepare(1, 3, false);
    FailWrites(Chunks() - 1, 4);  // the last chunks: the radio holds the kit's tuning and serial number
    ASSERT_EQ(Press(), UpgradeStatus::CodeplugFailed);
    ASSERT_EQ(Backups().size(), 1u);
    const std::filesystem::path backup = Backups()[0];
    EXPECT_TRUE(SavedDataFile::Read(backup).AtRisk());

    ASSERT_EQ(Press(), UpgradeStatus::Succeeded);
    ExpectRadioKeptItsOwnData();
    EXPECT_TRUE(press_->FromEarlierPress());
    EXPECT_EQ(engine_->BackupFile(), backup);
    EXPECT_EQ(Backups().size(), 1u) << "the generic values are not saved as the radio's";
    EXPECT_FALSE(SavedDataFile::Read(backup).AtRisk());
    EXPECT_TRUE(LogHas("CRadioUpgrade::DoProgCp: The radio's own data in " + backup.string() +
                       " never went back into it; they are restored instead of its present values"));

    // Once they went back, the next press saves the radio's own values again.
    ASSERT_EQ(Press(), UpgradeStatus::Succeeded);
    EXPECT_FALSE(press_->FromEarlierPress());
    EXPECT_EQ(Backups().size(), 2u);
}

TEST_F(LedgerRunTest, DataSavedUnderAnotherModeAreRefusedBeforeAnythingIsWritten) {
    Prepare(1, 3, false);
    FailWrites(Chunks() - 1, 4);
    ASSERT_EQ(Press(), UpgradeStatus::CodeplugFailed);
    const std::size_t writes = RequestsOf(RequestKind::Write).size();

    options_.codeplugMode = 1;
    EXPECT_EQ(Press(), UpgradeStatus::CodeplugFailed);
    EXPECT_EQ(engine_->FailureText(), "The radio's own data saved in " + Backups()[0].string() +
                                          " were saved for codeplug layout 1, mode 3");
    EXPECT_EQ(RequestsOf(RequestKind::Write).size(), writes);
    EXPECT_TRUE(SavedDataFile::Read(Backups()[0]).AtRisk());
}
