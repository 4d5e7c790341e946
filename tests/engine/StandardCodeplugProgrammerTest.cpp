#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "DemoCodeplugs.h"
#include "ProgrammerTest.h"
#include "RaisedError.h"
#include "TempDir.h"
#include "codeplug/CCodeplug.h"
#include "engine/SavedDataFile.h"

namespace {

using DemoCodeplugs::DemoRadioData;

// The demo kit's KX-400 codeplug, and a radio of that model with its own serial number, regional id
// and tuning.
class StandardCodeplugProgrammerTest : public ProgrammerTest {
protected:
    StandardCodeplugProgrammerTest()
        : model_(DemoCodeplugs::Models()[0]),
          kit_(DemoCodeplugs::Build(model_)),
          radio_(DemoCodeplugs::Build(model_, DemoRadioData{"RAD-0042-XY", 0x37, 0x5A})) {
        Setup(radio_.bytes, kit_.bytes, CCodeplug::kAdkFormat);
    }

    // The region the mode selects, as the engine computes it from the kit's pointers.
    void SelectMode(int mode) {
        CCodeplug image;
        image.ReadCpImage(kit_.bytes);
        const CodeplugPointers pointers = *image.GetRdkPtrs();
        job_.mode = mode;
        job_.region.start = mode == 2 ? pointers.boundary : 0;
        job_.region.end = mode == 1 ? pointers.boundary : pointers.codeplugEnd + 1;
    }
    Span Tuning() const { return {kit_.EntryAddress(0x8000, 0, 0), DemoCodeplugs::kTuningBytes}; }
    Span SerialNumber() const { return {kit_.EntryAddress(0, 0, 0), DemoCodeplugs::kSerialNumberBytes}; }
    Span RegionalId() const { return {kit_.EntryAddress(0, 0, 0) + DemoCodeplugs::kRegionalIdOffset, 1}; }
    std::set<std::uint32_t> ChecksumBytes() const {
        std::set<std::uint32_t> bytes;
        for (const ChecksumArea& area : kit_.areas)
            bytes.insert(area.location);
        return bytes;
    }
    void ExpectChecksumsHold() {
        const std::span<const std::uint8_t> now = Radio().Codeplug();
        EXPECT_EQ(kit_.AreaSums(now.first(kit_.bytes.size())), kit_.AreaSums());
    }

    const DemoCodeplugs::Model& model_;
    BuiltCodeplug kit_;
    BuiltCodeplug radio_;
};

class StandardModeTest : public StandardCodeplugProgrammerTest, public testing::WithParamInterface<int> {};

TEST_P(StandardModeTest, KeepsTheRadiosOwnDataAndWritesTheKitsElsewhere) {
    const int mode = GetParam();
    SelectMode(mode);
    Program();
    std::vector<Span> kept;
    if (mode != 2)
        kept.push_back(Tuning());
    if (mode != 1)
        kept.insert(kept.end(), {SerialNumber(), RegionalId()});
    ExpectRadioHolds(kept, ChecksumBytes());
    ExpectChecksumsHold();
    EXPECT_FALSE(saved_.AtRisk()) << "the radio holds its own data again";
}

INSTANTIATE_TEST_SUITE_P(Modes, StandardModeTest, testing::Values(1, 2, 3));

TEST_F(StandardCodeplugProgrammerTest, ModeOneNeitherReadsNorWritesBlockZero) {
    SelectMode(1);
    Program();
    const Span serial = SerialNumber();
    for (const RadioRequest& request : Radio().Requests())
        EXPECT_FALSE(request.address <= serial.address + 81 && serial.address < request.address + request.count)
            << Describe(request);
}

TEST_F(StandardCodeplugProgrammerTest, TheRegionIsWrittenIn32ByteChunksWithAStepEach) {
    RecordingNotifications notifications;
    SelectMode(1);
    job_.region = {0, 0x46};
    job_.stepProgress = true;
    FailWrites(4);  // the restore: only the chunk writes are looked at
    EXPECT_NE(RaisedBy([&] { Program(); }), kNothingRaised);
    const std::vector<RadioRequest> writes = Writes();
    ASSERT_GE(writes.size(), 3u);
    EXPECT_EQ(writes[0].address, 0u);
    EXPECT_EQ(writes[0].count, 32u);
    EXPECT_EQ(writes[1].address, 32u);
    EXPECT_EQ(writes[1].count, 32u);
    EXPECT_EQ(writes[2].address, 64u);
    EXPECT_EQ(writes[2].count, 6u);
    EXPECT_EQ(notifications.Steps(), 3);
}

TEST_F(StandardCodeplugProgrammerTest, ARegionOrImageThatCannotBeWrittenIsRefusedBeforeTheRadioIsTouched) {
    struct Case {
        const char* name;
        CodeplugRegion region;
        std::string text;
        RaisedError error;
    };
    const std::string good = kitText_;
    const Case cases[] = {
        {"region end 0", {0, 0}, good, GenError(3, "Error in calculating the programmable codeplug region")},
        {"damaged image", {0, 0x40}, good.substr(0, 40), GenError(3, "Read codeplug S-Record file failed")},
        {"region past the image", {0, 32769}, good,
         GenError(3, "The programmable codeplug region reaches beyond the codeplug image")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        job_.mode = 3;
        job_.region = c.region;
        kitText_ = c.text;
        EXPECT_EQ(RaisedBy([&] { Program(); }), c.error);
        EXPECT_TRUE(Radio().Requests().empty());
    }
}

struct StepFault {
    const char* name;
    void (*fault)(ProgrammerTest& test, int chunks);
    RaisedError error;  // codeplug steps raise the codeplug layer's error, chunk writes the broker's
    std::vector<std::string> lines;

    friend void PrintTo(const StepFault& fault, std::ostream* out) { *out << fault.name; }
};

class StandardStepFaultTest : public StandardCodeplugProgrammerTest, public testing::WithParamInterface<StepFault> {};

TEST_P(StandardStepFaultTest, IsLoggedByNameAndItsErrorRaisedUnchanged) {
    SelectMode(3);
    GetParam().fault(*this, job_.region.ChunkCount());
    EXPECT_EQ(RaisedBy([&] { Program(); }), GetParam().error);
    for (const std::string& line : GetParam().lines)
        EXPECT_TRUE(LogHas(line)) << line;
}

INSTANTIATE_TEST_SUITE_P(
    Steps, StandardStepFaultTest,
    testing::Values(
        StepFault{"serial", [](ProgrammerTest& t, int) { t.FailReads(5, 40); },
                  GenError(3, "General communication error while reading codeplug"),
                  {"CRadioUpgrade::DoProgCp: Error while reading radio serial number and regional id data"}},
        StepFault{"chunk", [](ProgrammerTest& t, int) { t.FailWrites(3); },
                  KwipError(1, "Received NACK from external device"),
                  {"CRadioUpgrade::DoProgCp: Programming Codeplug", "Write radio codeplug failed at address 40"}},
        StepFault{"restore", [](ProgrammerTest& t, int chunks) { t.FailWrites(chunks + 1, 40); },
                  GenError(3, "General communication error while writing codeplug"),
                  {"CRadioUpgrade::DoProgCp: Error while restoring radio tuning data"}}),
    [](const testing::TestParamInfo<StepFault>& info) { return info.param.name; });

// The radio's data must survive a failure between the chunk write and the restore: the next attempt
// puts back what the first one saved, not the kit's generic values the radio then holds.
TEST_F(StandardCodeplugProgrammerTest, AnAttemptAfterAFailedRestorePutsBackTheDataSavedBeforeIt) {
    TempDir backups;
    SelectMode(3);
    job_.backupFolder = backups.Path();
    FailWrites(job_.region.ChunkCount() + 1, 4);
    EXPECT_NE(RaisedBy([&] { Program(); }), kNothingRaised);
    EXPECT_TRUE(saved_.AtRisk());

    auto first = MakeCodeplugProgrammer(job_, saved_);
    first->Program();
    ExpectRadioHolds({Tuning(), SerialNumber(), RegionalId()}, ChecksumBytes());
    ExpectChecksumsHold();
    EXPECT_TRUE(LogHas("CRadioUpgrade::DoProgCp: Restoring the radio data saved before the failed attempt"));

    const RadioSavedData backup = SavedDataFile::Read(first->BackupFile());
    const SavedPiece* serial = backup.Find(0, 0);
    ASSERT_NE(serial, nullptr);
    EXPECT_EQ(std::string(serial->bytes.begin(), serial->bytes.end()), "RAD-0042-XY");
    EXPECT_EQ(backup.Find(0, 81)->bytes, Bytes{0x37});
    const Span tuning = Tuning();
    EXPECT_EQ(backup.Find(0x8000, 0)->bytes,
              Bytes(radio_.bytes.begin() + tuning.address, radio_.bytes.begin() + tuning.address + tuning.length));
    EXPECT_TRUE(LogHas("CRadioUpgrade::DoProgCp: Radio data saved in " + first->BackupFile().string()));
}

// A backup that cannot be kept safely stops the codeplug before anything is written to the radio.
TEST_F(StandardCodeplugProgrammerTest, ABackupFolderPlantedAsALinkRefusesTheCodeplugBeforeAnyWrite) {
    TempDir kit;
    TempDir elsewhere;
    std::filesystem::create_directory_symlink(elsewhere.Path(), kit.Path() / "backup");
    SelectMode(3);
    job_.backupFolder = kit.Path() / "backup";
    const RaisedError raised = RaisedBy([&] { Program(); });
    EXPECT_EQ(raised.kind, "CGenError");
    EXPECT_NE(raised.text.find((kit.Path() / "backup").string() + " is refused: it is a symbolic link"),
              std::string::npos)
        << raised;
    EXPECT_TRUE(Writes().empty());
    EXPECT_TRUE(std::filesystem::is_empty(elsewhere.Path()));
}

// The radio could not find its own data's places in such a codeplug once it held it.
TEST_F(StandardCodeplugProgrammerTest, AKitCodeplugWhosePointersLeadNowhereIsRefusedBeforeTheWrite) {
    SelectMode(3);
    kitImage_ = Bytes(kit_.bytes.size(), 0xFF);
    kitText_ = WriteSRecords(kitImage_, SRecordLayout{});
    EXPECT_EQ(RaisedBy([&] { Program(); }),
              GenError(3, "The kit's codeplug cannot take back the radio's own data: its image has no valid pointers"));
    EXPECT_TRUE(Writes().empty());
    EXPECT_FALSE(saved_.AtRisk());
}

class StandardResetTest : public StandardCodeplugProgrammerTest, public testing::WithParamInterface<bool> {};

TEST_P(StandardResetTest, EndsWithTheResetCommandOnlyWhenTheJobSaysSo) {
    SelectMode(1);
    job_.resetAtEnd = GetParam();
    Program();
    EXPECT_EQ(Radio().Requests().back().kind == RequestKind::Reset, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Reset, StandardResetTest, testing::Bool());

}  // namespace
