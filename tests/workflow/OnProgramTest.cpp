#include <gmock/gmock.h>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <utility>

#include "DemoCodeplugs.h"
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
constexpr std::uint32_t kFlashWindow = 0x400000;
constexpr std::uint64_t kRestartWaitNs = 500'000'000;
constexpr const char* kFirmwareFile = "fw_128k";
constexpr const char* kHardwareProblem =
    "The current radio has a hardware problem.\nPlease refer to the radio repair manual for specific "
    "instructions.";
// A firmware file is checked before the radio is asked into bootstrap mode.
constexpr const char* kNoFirmwareFile =
    "Upgrade operation detected an invalid data file.\nPlease reinstall the application!\n\nThe firmware file "
    "fw_128k cannot be opened";

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
        for (const char* firmware : {"fw_128k", "fw_256k", "fw_512k"})
            WriteKitFile(firmware, WriteSRecords(Firmware(), SRecordLayout{}));
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

    // The patcher needs a codeplug of the standard layout in the radio.
    void GiveTheRadioACodeplug() {
        std::vector<std::uint8_t> memory = DemoCodeplugs::Build(DemoCodeplugs::Models()[0]).bytes;
        memory.resize(4096, 0xFF);
        Profile().codeplug = memory;
    }

    std::vector<std::string> RecordRows() const {
        std::ifstream file(kit_.Path() / UpgradeRecord::kFileName);
        std::vector<std::string> rows;
        for (std::string line; std::getline(file, line);)
            rows.push_back(line);
        return rows;
    }

    // The operator puts the radio into bootstrap mode whenever the program asks for it, and does
    // `atBox` at every box.
    void EnterBootstrapModeAtEveryPrompt(std::function<void(const RecordingMessageBox::Box&)> atBox = {}) {
        bootstrapAtPrompt_ = 0;
        boxes_.OnShow([this, atBox = std::move(atBox)](const RecordingMessageBox::Box& box) {
            if (atBox)
                atBox(box);
            if (box.caption == "NOTE" && box.text.find("bootstrap mode") != std::string::npos)
                Radio().EnterBootstrapMode(NowNs());
        });
    }

    // The radio refuses the next few requests of a kind (every retry the exchange makes of one).
    void RefuseTheNext(RequestKind kind, const std::string& name) {
        const auto done = static_cast<unsigned>(RequestCount(kind));
        for (unsigned number = done + 1; number <= done + 20; ++number)
            Radio().ScheduleFault(ScheduledFault::Parse(name + "#" + std::to_string(number) + " nak"));
    }

    // Writes of firmware records (the size probe writes single bytes) among the requests from `first` on.
    std::size_t FirmwareWritesFrom(std::size_t first) {
        const std::vector<RadioRequest>& requests = Radio().Requests();
        return static_cast<std::size_t>(std::count_if(
            requests.begin() + static_cast<std::ptrdiff_t>(first), requests.end(), [](const RadioRequest& r) {
                return r.kind == RequestKind::Write && r.address >= kFlashWindow && r.count > 1;
            }));
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

TEST_F(OnProgramTest, NoOtherProgramTakesTheRadioBetweenThePressesStepsNorAfterThePress) {
    CUpgradeForm& form = Form("01\n*,01,01,00,00");
    std::vector<bool> takenByAnother;
    view_.whileChoosing = [&] {
        ASSERT_EQ(Serial().GetPort(), 0) << "the port is closed while the flash rate is chosen";
        takenByAnother.push_back(Line().OpenProgramEnd() != nullptr);
    };

    form.OnProgram();

    EXPECT_TRUE(form.LastOutcome().Succeeded());
    EXPECT_EQ(takenByAnother, std::vector<bool>{false});
    EXPECT_NE(Line().OpenProgramEnd(), nullptr) << "let go when the press ends";
}

TEST_F(OnProgramTest, ARadioThatMissesTheFinalResetIsUpgradedAndTheOperatorToldToSwitchItOffAndOn) {
    for (unsigned n = 1; n <= 10; ++n)  // every retry of the reset
        Radio().ScheduleFault({RequestKind::Reset, n, ScheduledFault::Kind::NegativeAck});
    CUpgradeForm& form = Form("01\n*,01,01,00,00");

    form.OnProgram();

    const std::string success =
        "Radio Update is successful\nThe radio did not restart by itself: please switch the radio off and on.";
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{kFirstBootstrapPrompt, success}));
    EXPECT_EQ(boxes_.Boxes()[1].caption, "NOTE");
    EXPECT_TRUE(form.LastOutcome().Succeeded());
    const std::string record = kit_.ReadFile(UpgradeRecord::kFileName);
    // The record keeps the text on one line, its line feed escaped.
    const std::string cell =
        "Radio Update is successful\\x0AThe radio did not restart by itself: please switch the radio off and on.";
    EXPECT_NE(record.find(",firmware,1,5," + cell + ","), std::string::npos) << record;
}

// The radio's 128 KiB flash would choose fw_128k, but every firmware file the probe may choose is read
// and checked before the radio is asked to leave its firmware.
TEST_F(OnProgramTest, AFirmwareFileThatFailsItsCheckRefusesThePressBeforeTheBootstrapPrompt) {
    std::string text = WriteSRecords(Firmware(), SRecordLayout{});
    text.insert(text.find("\r\n") + 2, "S40900001000AABBCC00\r\n");
    WriteKitFile("fw_512k", text);
    CUpgradeForm& form = Form("01\n*,01,01,00,00");

    form.OnProgram();

    const std::string fault =
        "The firmware file fw_512k: Firmware record 2 at address 0 is no record the flash can take";
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Upgrade operation detected an invalid data file.\nPlease "
                                                   "reinstall the application!\n\n" + fault});
    EXPECT_EQ(boxes_.Boxes()[0].caption, "Invalid Operation");
    EXPECT_EQ(form.LastOutcome().end, ProgramOutcome::End::KitFileRefused);
    EXPECT_EQ(Radio().ReceivedBootcode().size(), 0u);
    EXPECT_EQ(Radio().State(), RadioState::Running);
    const std::vector<std::string> rows = RecordRows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_NE(rows[1].find(",0,-1," + fault + ","), std::string::npos) << rows[1];
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

// Notifications that let a test act when the firmware starts to go into the flash.
class FirmwareFlashWatch : public RecordingNotifications {
public:
    explicit FirmwareFlashWatch(std::function<void()> onFlashing) : onFlashing_(std::move(onFlashing)) {}
    void StatusText(int kind) override {
        RecordingNotifications::StatusText(kind);
        if (kind == Notifications::kStatusFlashingFirmware && onFlashing_)
            onFlashing_();
    }

private:
    std::function<void()> onFlashing_;
};

// The form keeps its flash settings from run to run: a later run whose firmware file cannot be read
// must stop with the file's message, never flash the image an earlier run read.
TEST_F(OnProgramTest, ASecondPressWhoseFirmwareFileCannotBeReadWritesNoFirmware) {
    EnterBootstrapModeAtEveryPrompt();
    CUpgradeForm& form = Form("01\n*,01,01,00,00");
    form.OnProgram();
    ASSERT_TRUE(form.LastOutcome().Succeeded());
    Wait(kRestartWaitNs);

    std::filesystem::remove(kit_.Path() / kFirmwareFile);
    const std::size_t requestsBefore = Radio().Requests().size();
    form.OnProgram();

    EXPECT_FALSE(form.LastOutcome().Succeeded());
    EXPECT_EQ(FirmwareWritesFrom(requestsBefore), 0u);
    EXPECT_THAT(BoxTexts(), testing::Contains(kNoFirmwareFile));
}

TEST_F(OnProgramTest, ARetryWhoseFirmwareFileCannotBeReadWritesNoFirmware) {
    // The first attempt reads the file and then fails on its first firmware record; the retry finds the
    // file gone.
    bool failedOnce = false;
    FirmwareFlashWatch watch([&] {
        if (!std::exchange(failedOnce, true))
            RefuseTheNext(RequestKind::Write, "write");
    });
    std::size_t requestsAtRetry = 0;
    EnterBootstrapModeAtEveryPrompt([&](const RecordingMessageBox::Box& box) {
        if (box.text != kUpdateFailed)
            return;
        Radio().ClearFaults();
        std::filesystem::remove(kit_.Path() / kFirmwareFile);
        requestsAtRetry = Radio().Requests().size();
    });
    CUpgradeForm& form = Form("01\n*,01,01,00,00");

    form.OnProgram();

    ASSERT_EQ(form.LastOutcome().attempts, 1) << "the retry was refused before it began";
    EXPECT_EQ(form.LastOutcome().end, ProgramOutcome::End::KitFileRefused);
    EXPECT_EQ(FirmwareWritesFrom(requestsAtRetry), 0u);
    EXPECT_THAT(BoxTexts(), testing::Contains(kNoFirmwareFile));
}

// A fault that fails every attempt meets the test operator's patience, not an endless retry: the
// unscripted retry offers are answered OK a few times, then Cancel, and the test is told which.
TEST_F(OnProgramTest, AFaultThatFailsEveryAttemptEndsAtTheTestOperatorsLastRetry) {
    RefuseTheNext(RequestKind::EraseFlash, "erase");
    EnterBootstrapModeAtEveryPrompt([this](const RecordingMessageBox::Box& box) {
        if (box.text == kNoFlashSize)
            RefuseTheNext(RequestKind::EraseFlash, "erase");  // a radio whose erase never works
    });
    CUpgradeForm& form = Form("01\n*,01,01,00,00");

    testing::TestPartResultArray failures;
    {
        const testing::ScopedFakeTestPartResultReporter reporter(
            testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
        form.OnProgram();
    }

    ASSERT_EQ(failures.size(), 1);
    EXPECT_THAT(failures.GetTestPartResult(0).message(), testing::HasSubstr(kNoFlashSize));
    EXPECT_EQ(form.LastOutcome().attempts, RecordingMessageBox::kUnscriptedRetries + 1);
    EXPECT_EQ(boxes_.Boxes().back().text, kNoFlashSize);
}

// The power-up status's hardware-problem bits, each on its own, stop a patch press before the radio is
// written or reset; every other bit lets the engine run.
struct PowerUpPress {
    std::uint8_t status;
    bool refused;
};

class PowerUpPressTest : public OnProgramTest, public testing::WithParamInterface<PowerUpPress> {};

TEST_P(PowerUpPressTest, AHardwareProblemEndsThePressBeforeTheRadioIsTouched) {
    Profile().statuses[5] = {GetParam().status};
    boxes_.Answer(MessageResult::Cancel);  // the small radio's codeplug takes no patch: no retry
    CUpgradeForm& form = Form("01\n*,01,00,00,01");

    form.OnProgram();

    if (GetParam().refused) {
        EXPECT_EQ(BoxTexts(), std::vector<std::string>{kHardwareProblem});
        EXPECT_EQ(form.LastOutcome().end, ProgramOutcome::End::NotStarted);
        EXPECT_EQ(RequestCount(RequestKind::Write) + RequestCount(RequestKind::Reset), 0u);
    } else {
        EXPECT_EQ(form.LastOutcome().end, ProgramOutcome::End::EngineRan);
        EXPECT_EQ(form.LastOutcome().attempts, 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Bits, PowerUpPressTest,
                         testing::Values(PowerUpPress{0x02, true}, PowerUpPress{0x10, true},
                                         PowerUpPress{0xED, false}));

TEST_F(OnProgramTest, ARetryWhosePortCannotBeOpenedAsksAgainUntilTheCableIsBack) {
    for (unsigned erase = 1; erase <= 4; ++erase)  // the first attempt fails after the bootcode
        Radio().ScheduleFault(ScheduledFault::Parse("erase#" + std::to_string(erase) + " silence"));
    // The operator pulls the cable at the first question, answers OK to it and to the next one
    // before plugging it back in, then plugs it in and answers OK again.
    int questions = 0;
    EnterBootstrapModeAtEveryPrompt([&](const RecordingMessageBox::Box& box) {
        if (box.caption != "Error")
            return;
        ++questions;
        if (questions == 1)
            Line().Unplug(NowNs());
        if (questions == 3)
            Line().PlugIn();
    });
    CUpgradeForm& form = Form("01\n*,01,01,00,00");

    form.OnProgram();

    const std::string openFailed = "CWinSerial::Open: Unable to open com1\n\n" + std::string(kUpdateFailed);
    const std::vector<std::string> texts = BoxTexts();
    ASSERT_EQ(texts.size(), 6u);
    EXPECT_EQ(texts[1], kNoFlashSize);
    EXPECT_EQ(texts[2], openFailed);
    EXPECT_EQ(texts[3], openFailed);
    EXPECT_EQ(texts[4].rfind("Set radio in bootstrap mode.", 0), 0u);
    EXPECT_EQ(texts[5], kSuccess);
    EXPECT_EQ(boxes_.Boxes()[2].buttons, MessageButtons::OkCancel);
    EXPECT_TRUE(form.LastOutcome().Succeeded());
    EXPECT_EQ(form.LastOutcome().attempts, 2);
}

TEST_F(OnProgramTest, CancelWhenARetrysPortCannotBeOpenedEndsThePressWithTheOpenError) {
    for (unsigned erase = 1; erase <= 4; ++erase)
        Radio().ScheduleFault(ScheduledFault::Parse("erase#" + std::to_string(erase) + " silence"));
    EnterBootstrapModeAtEveryPrompt([&](const RecordingMessageBox::Box& box) {
        if (box.text == kNoFlashSize)
            Line().Unplug(NowNs());
    });
    boxes_.Answer(MessageResult::Ok);      // the first prompt
    boxes_.Answer(MessageResult::Ok);      // retry after the size probe failed
    boxes_.Answer(MessageResult::Cancel);  // the cable is not back
    CUpgradeForm& form = Form("01\n*,01,01,00,00");

    form.OnProgram();

    EXPECT_EQ(BoxTexts().size(), 3u);
    EXPECT_EQ(form.LastOutcome().end, ProgramOutcome::End::PortUnavailable);
    EXPECT_EQ(form.LastOutcome().finalText, "CWinSerial::Open: Unable to open com1");
    EXPECT_NE(Platform().GetSerial(), nullptr) << "the port was given back";
    Platform().ReleaseSerial();
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

TEST_F(OnProgramTest, ARadioTheKitMayNotUpgradeEndsThePressWithANoteSayingWhy) {
    CUpgradeForm& form = Form("01\n*,00,01,00,00");

    form.OnProgram();

    EXPECT_EQ(BoxTexts(), std::vector<std::string>{kNotPermitted});
    EXPECT_EQ(boxes_.Boxes()[0].caption, "NOTE");
    EXPECT_EQ(boxes_.Boxes()[0].icon, MessageIcon::Information);
    EXPECT_EQ(form.LastOutcome().end, ProgramOutcome::End::NotPermitted);
    EXPECT_EQ(RequestCount(RequestKind::Write), 0u);
    const std::vector<std::string> rows = RecordRows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_NE(rows[1].find(",0,-1,The kit permits no upgrade of this radio,"), std::string::npos) << rows[1];
}

// Cancel in the progress window stops the patching after its record under way: the press ends as
// cancelled, with a note and no retry question.
TEST_F(OnProgramTest, CancelWhilePatchingEndsThePressAsCancelled) {
    TestKit kit;
    kit.rows = "01\n*,01,00,00,01";
    kit.patch = "10,04,00,005A,00,00\n10,04,00,005A,00,00\n99,00,00,0000,00,00";
    WriteConfig(kit.Text());
    CUpgradeForm& form = StartForm(kVolante);
    GiveTheRadioACodeplug();
    bootstrapAtPrompt_ = 0;
    boxes_.Answer(MessageResult::Cancel);  // to a retry question, should one come
    notes_.CancelAtStep(1);

    form.OnProgram();

    EXPECT_EQ(BoxTexts(), std::vector<std::string>{kCancelled});
    EXPECT_EQ(boxes_.Boxes()[0].caption, "NOTE");
    EXPECT_EQ(form.LastOutcome().finalStatus, UpgradeStatus::Cancelled);
    EXPECT_EQ(form.LastOutcome().attempts, 1);
    const std::vector<std::string> rows = RecordRows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_NE(rows[1].find(",patch,1,7,Programming cancelled by the operator.,"), std::string::npos) << rows[1];
}

// A press of Cancel while the bootcode goes out is refused; the upgrade runs on to its success, the
// patch after the flashing included.
TEST_F(OnProgramTest, CancelWhereTheWorkCannotStopIsRefused) {
    CUpgradeForm& form = Form("01\n*,01,01,00,01");
    GiveTheRadioACodeplug();
    boxes_.Answer(MessageResult::Ok);
    boxes_.Answer(MessageResult::Cancel);  // to a retry question, should one come
    notes_.CancelAtStep(1);

    form.OnProgram();

    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{kFirstBootstrapPrompt, kSuccess}));
    EXPECT_TRUE(form.LastOutcome().Succeeded());
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
