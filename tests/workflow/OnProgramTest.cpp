#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <iterator>

#include "ProgramSequenceTexts.h"
#include "RecordingNotifications.h"
#include "SRecordWriter.h"
#include "SmallRadio.h"
#include "TestKit.h"
#include "WorkflowFixture.h"
#include "workflow/UpgradeRecord.h"

// The Program button end to end: verification, the bootstrap-mode instructions, engine attempts against
// the simulated radio, and the operator's answers deciding between retry and the end of the press.
namespace {

using namespace ProgramSequenceTexts;

constexpr std::int32_t kVolante = 5;
constexpr std::array<unsigned, 3> kFlashRates = {19200, 38400, 115200};
constexpr std::array<const char*, 3> kBootCodeFiles = {"g2_19k2.s19", "g2_38k4.s19", "g2_115k.s19"};
constexpr std::size_t kFirmwareBytes = 2048;

std::vector<std::uint8_t> BootcodeFor(unsigned rate) {
    std::vector<std::uint8_t> image = SmallRadio::Bootcode();
    image.push_back(static_cast<std::uint8_t>(rate / 1200));
    return image;
}

std::vector<std::uint8_t> Firmware() {
    std::vector<std::uint8_t> image(kFirmwareBytes);
    for (std::size_t at = 0; at < image.size(); ++at)
        image[at] = static_cast<std::uint8_t>(at * 7 + 3);
    return image;
}

class OnProgramTest : public WorkflowTest {
protected:
    OnProgramTest() {
        Profile().bootcodes.clear();
        for (const unsigned rate : kFlashRates)
            Profile().bootcodes.push_back({BootcodeFor(rate), rate});
        Profile().flashBytes = 128 * 1024;
        for (std::size_t k = 0; k < kFlashRates.size(); ++k)
            WriteKitFile(kBootCodeFiles[k], WriteSRecords(BootcodeFor(kFlashRates[k]), SRecordLayout{}));
        WriteKitFile("fw_128k", WriteSRecords(Firmware(), SRecordLayout{}));
        // The operator's hands: the radio enters bootstrap mode at the prompts the test names.
        boxes_.OnShow([this](const RecordingMessageBox::Box& box) {
            if (box.caption == "NOTE" && bootstrapAtPrompt_ > 0 && --bootstrapAtPrompt_ == 0)
                Radio().EnterBootstrapMode(NowNs());
        });
    }

    CUpgradeForm& Form(const std::string& rows) {
        TestKit kit;
        kit.rows = rows;
        WriteConfig(kit.Text());
        return StartForm(kVolante);
    }

    std::size_t RequestCount(RequestKind kind) {
        std::size_t count = 0;
        for (const RadioRequest& request : Radio().Requests())
            count += request.kind == kind;
        return count;
    }

    std::vector<std::string> RecordRows() const {
        std::ifstream file(kit_.Path() / UpgradeRecord::kFileName);
        std::vector<std::string> rows;
        for (std::string line; std::getline(file, line);)
            rows.push_back(line);
        return rows;
    }

    int bootstrapAtPrompt_ = 1;  // the n-th NOTE box puts the radio into bootstrap mode; 0: never
    RecordingNotifications notes_;
};

TEST_F(OnProgramTest, AFirmwareUpgradeRunsFromTheButtonToItsSuccessMessage) {
    const std::filesystem::path before = std::filesystem::current_path();
    CUpgradeForm& form = Form("01\n*,01,01,00,00");

    form.OnProgram();

    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{kFirstBootstrapPrompt, kSuccess}));
    EXPECT_TRUE(form.LastOutcome().Succeeded());
    EXPECT_EQ(form.LastOutcome().attempts, 1);
    const std::vector<std::uint8_t> firmware = Firmware();
    EXPECT_TRUE(std::equal(firmware.begin(), firmware.end(), Radio().Flash().begin()));
    EXPECT_EQ(std::filesystem::current_path(), before);
    const std::vector<std::string> rows = RecordRows();
    ASSERT_EQ(rows.size(), 2u);  // the header and this press
    EXPECT_NE(rows[1].find(",firmware,1,5,Radio Update is successful,"), std::string::npos) << rows[1];
}

TEST_F(OnProgramTest, CancelAtTheFirstBootstrapPromptSendsNothingAndGivesThePortBack) {
    boxes_.Answer(MessageResult::Cancel);
    CUpgradeForm& form = Form("01\n*,01,01,00,00");

    form.OnProgram();

    EXPECT_EQ(BoxTexts(), std::vector<std::string>{kFirstBootstrapPrompt});
    EXPECT_EQ(form.LastOutcome().end, ProgramOutcome::End::Cancelled);
    EXPECT_EQ(RequestCount(RequestKind::EraseFlash) + RequestCount(RequestKind::Write), 0u);
    EXPECT_EQ(Radio().ReceivedBootcode().size(), 0u);
    EXPECT_NE(Platform().GetSerial(), nullptr);
    Platform().ReleaseSerial();
}

TEST_F(OnProgramTest, ARadioNotInBootstrapModeEndsTheFirstAttemptWithTheInitializationError) {
    bootstrapAtPrompt_ = 0;
    CUpgradeForm& form = Form("01\n*,01,01,00,00");

    form.OnProgram();

    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{kFirstBootstrapPrompt, kNotStarted}));
    EXPECT_EQ(boxes_.Boxes()[1].caption, "Initialization Error");
    EXPECT_EQ(form.LastOutcome().finalStatus, UpgradeStatus::BootcodeFailed);
    EXPECT_EQ(form.LastOutcome().attempts, 1);
}

TEST_F(OnProgramTest, ARetryWarnsBeforeBootstrapModeAndOffersAnotherRetryWhenItCannotStart) {
    for (unsigned erase = 1; erase <= 4; ++erase)  // the erase before the size probe, every retry of it
        Radio().ScheduleFault(ScheduledFault::Parse("erase#" + std::to_string(erase) + " silence"));
    boxes_.Answer(MessageResult::Ok);      // the first prompt
    boxes_.Answer(MessageResult::Ok);      // retry after the size probe failed
    boxes_.Answer(MessageResult::Ok);      // the warning
    boxes_.Answer(MessageResult::Cancel);  // no retry after the bootcode failed
    CUpgradeForm& form = Form("01\n*,01,01,00,00");

    form.OnProgram();

    const std::vector<RecordingMessageBox::Box>& boxes = boxes_.Boxes();
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[1].text, kNoFlashSize);
    EXPECT_EQ(boxes[2].buttons, MessageButtons::Ok);  // the long warning has no Cancel
    EXPECT_EQ(boxes[2].text.rfind("Set radio in bootstrap mode.", 0), 0u);
    EXPECT_EQ(boxes[3].text, kNotInBootstrapMode);
    EXPECT_EQ(boxes[3].buttons, MessageButtons::OkCancel);
    EXPECT_EQ(form.LastOutcome().attempts, 2);
    EXPECT_EQ(form.LastOutcome().finalStatus, UpgradeStatus::BootcodeFailed);
}

TEST_F(OnProgramTest, APortThatCannotBeLentEndsThePressWithItsText) {
    CUpgradeForm& form = Form("01\n*,01,01,00,00");
    view_.whileChoosing = [this] { ASSERT_NE(Platform().GetSerial(), nullptr); };  // someone else takes it

    form.OnProgram();
    Platform().ReleaseSerial();

    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Unable to allocate serial comm object"});
    EXPECT_EQ(form.LastOutcome().end, ProgramOutcome::End::PortUnavailable);
    EXPECT_FALSE(form.LastOutcome().finalStatus);
}

TEST_F(OnProgramTest, ARadioTheKitMayNotUpgradeEndsThePressSilentlyButIsRecorded) {
    CUpgradeForm& form = Form("01\n*,00,01,00,00");

    form.OnProgram();

    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_EQ(form.LastOutcome().end, ProgramOutcome::End::NotPermitted);
    const std::vector<std::string> rows = RecordRows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_NE(rows[1].find(",0,-1,The kit permits no upgrade of this radio,"), std::string::npos) << rows[1];
}

TEST_F(OnProgramTest, APermittedRowWithoutOperationsRunsTheEngineToSuccess) {
    CUpgradeForm& form = Form("01\n*,01,00,00,00");

    form.OnProgram();

    EXPECT_EQ(BoxTexts(), std::vector<std::string>{kSuccess});
    EXPECT_EQ(form.LastOutcome().attempts, 1);
}

TEST_F(OnProgramTest, EveryPressAddsARecordRow) {
    CUpgradeForm& form = Form("01\n*,01,00,00,00");
    form.OnProgram();
    form.OnProgram();
    EXPECT_EQ(RecordRows().size(), 3u);
}

}  // namespace
