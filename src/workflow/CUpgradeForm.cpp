#include "workflow/CUpgradeForm.h"

#include <array>

#include "errors/CError.h"
#include "errors/MessageBoxService.h"
#include "errors/TextFormat.h"
#include "files/ProductLine.h"
#include "platform/PortDeviceHold.h"
#include "workflow/FlashDialog.h"
#include "workflow/ProgramSequence.h"
#include "workflow/RadioGroupRegion.h"
#include "workflow/RadioVerifier.h"
#include "workflow/ScopedCurrentDirectory.h"
#include "workflow/UpgradeDocument.h"
#include "workflow/UpgradeRecord.h"
#include "workflow/UpgradeView.h"

namespace {

constexpr std::uint32_t kTitleLine = 1;
constexpr std::uint32_t kDescriptionLine = 2;
constexpr std::uint32_t kKitKeyLine = 3;
constexpr std::uint32_t kCodeplugTypeLine = 4;

constexpr std::uint8_t kPowerUpStatus = 5;
constexpr std::size_t kPowerUpBuffer = 10;
constexpr std::uint8_t kHardwareProblemBits = 0x12;

constexpr int kQuitStatus = 0;

constexpr const char* kCannotOpenConfig = "Unable to open configuration file";
constexpr const char* kCannotReadConfig = "Unable to read configuration file";
constexpr const char* kUnknownProductLine = "Unknown product line in configuration file. Press OK to exit.";
constexpr const char* kTestKitWarning =
    "This UpgradeKit will update the radio with a testing version firmware(or codeplug).\nThe purpose is only "
    "for the specific individual issue fixing evaluation, not for official\nrelease and distribution. It may "
    "have unknow problems because of no full testing\ndone yet.\nPlease press OK to continue if you want to "
    "upgrade, otherwise press Cancel to exit.";
constexpr const char* kNoConfiguration =
    "No radio can be verified: the configuration file could not be loaded when the application started.\n"
    "Please make sure installation is completed successfully and restart the application.";
constexpr const char* kNotPermitted = "The kit permits no upgrade of this radio";
constexpr const char* kPowerUpUnreadable = "Unable to verify radio powerup parameters";
constexpr const char* kHardwareProblem =
    "The current radio has a hardware problem.\nPlease refer to the radio repair manual for specific "
    "instructions.";

void ShowPlain(const char* text) {
    MessageBoxService::ShowMessage(text, "", MessageIcon::None, MessageButtons::Ok);
}

void ShowError(const char* text) {
    MessageBoxService::ShowMessage(text, "Error", MessageIcon::Stop, MessageButtons::Ok);
}

}  // namespace

CUpgradeForm::CUpgradeForm(UpgradeDocument& document, UpgradeView& view, std::int32_t productLine)
    : document_(document), view_(view), productLine_(productLine) {}

void CUpgradeForm::FormStart() {
    if (!LoadConfiguration())
        return;
    view_.ShowKitTexts(version_.title, version_.description);
    if (productLine_ == ProductLine::kNoLine) {
        MessageBoxService::ShowMessage(kUnknownProductLine, "Error", MessageIcon::Stop, MessageButtons::Ok);
        view_.RequestQuit(kQuitStatus);
    }
    WarnOfTestKit();
}

bool CUpgradeForm::LoadConfiguration() {
    if (!config_.OpenConfigFile(document_.WorkingDirectory() / FileManager::kConfigFileName)) {
        ShowPlain(kCannotOpenConfig);
        return false;
    }
    if (!config_.LoadConfigFile()) {
        ShowPlain(kCannotReadConfig);
        return false;
    }
    config_.FindBlock(RadioVerifier::kVersionTag);
    version_.title = config_.ReadLine(kTitleLine);
    version_.description = config_.ReadLine(kDescriptionLine);
    version_.key = config_.ReadLine(kKitKeyLine);
    codeplugType_ = static_cast<int>(config_.ReadNumber(kCodeplugTypeLine, 1));
    configLoaded_ = true;
    return true;
}

void CUpgradeForm::WarnOfTestKit() {
    if (!RadioGroupRegion(config_).IsTestKit())
        return;
    const MessageResult answer = MessageBoxService::ShowMessage(
        kTestKitWarning, "Warning", MessageIcon::Exclamation, MessageButtons::OkCancel);
    if (answer == MessageResult::Cancel)
        view_.RequestQuit(kQuitStatus);
}

bool CUpgradeForm::VerifyRadio() {
    if (!configLoaded_) {
        ShowError(kNoConfiguration);
        return false;
    }
    return RadioVerifier(config_, broker_, document_, productLine_, version_).Verify(radio_);
}

std::optional<std::uint8_t> CUpgradeForm::PowerUpStatus() {
    std::array<char, kPowerUpBuffer> reply{};
    try {
        broker_.PortOpen = true;
        broker_.Comm().Open(document_.PortNumber(), document_.EchoType());
        broker_.RadioStatusRequest(kPowerUpStatus, reply);
    } catch (const CError&) {
        broker_.Comm().Close();
        broker_.PortOpen = false;
        ShowError(kPowerUpUnreadable);
        return std::nullopt;
    }
    broker_.Comm().Close();
    broker_.PortOpen = false;
    return static_cast<std::uint8_t>(reply[0]);
}

bool CUpgradeForm::PowerUpCheckPasses() {
    const UpgradeOptions& options = radio_.options;
    if (options.codeplugMode == 0 && !options.patchCodeplug)
        return true;
    const std::optional<std::uint8_t> status = PowerUpStatus();
    if (!status)
        return false;
    if ((*status & kHardwareProblemBits) != 0) {
        ShowError(kHardwareProblem);
        return false;
    }
    return true;
}

bool CUpgradeForm::PrepareFlashing() {
    const UpgradeOptions& options = radio_.options;
    if (!options.flashFirmware && options.codeplugMode == 0 && !options.patchCodeplug)
        return true;
    flash_.bootVariant = FlashSettings::kVariantZR5;
    if (!options.flashFirmware)
        return true;
    // The highest rate depends on the radio series and its cable, so a radio of another group is asked
    // for again, unless the operator has just chosen the rate from the menu.
    if (rateGroup_ != radio_.group && !rateChosenFromMenu_)
        FlashDialog::AskRate(flash_, view_);
    FlashDialog dialog(flash_, config_, radio_.group, version_.key, document_.WorkingDirectory());
    switch (dialog.LoadBootCode()) {
        case FlashDialog::Outcome::BootCodeMissing:
            view_.RequestQuit(kBootCodeMissingExit);
            return false;
        case FlashDialog::Outcome::BootCodeTooLarge:
        case FlashDialog::Outcome::BootCodeCorrupt:
        case FlashDialog::Outcome::BootCodeNameRefused:
            return false;
        case FlashDialog::Outcome::Loaded:
            break;
    }
    rateGroup_ = radio_.group;
    rateChosenFromMenu_ = false;
    return true;
}

void CUpgradeForm::ChangeFlashRate() {
    if (FlashDialog::AskRate(flash_, view_))
        rateChosenFromMenu_ = true;
}

void CUpgradeForm::OnProgram() {
    // Verification, the power-up check and each attempt open the port anew; the radio stays ours between.
    const PortDeviceHold hold(*CPlatform::Instance());
    const auto started = std::chrono::system_clock::now();
    const auto startedSteady = std::chrono::steady_clock::now();
    lastOutcome_ = Program();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - startedSteady;
    RecordPress(lastOutcome_, started, took.count());
}

ProgramOutcome CUpgradeForm::Program() {
    ProgramOutcome outcome;
    if (!VerifyRadio()) {
        outcome.finalText = "Radio verification failed";
        return outcome;
    }
    view_.ShowRadio(radio_);
    if (!radio_.options.upgradePermitted) {
        outcome.end = ProgramOutcome::End::NotPermitted;
        outcome.finalText = kNotPermitted;
        MessageBoxService::ShowMessage(kNotPermitted, "NOTE", MessageIcon::Information, MessageButtons::Ok);
        return outcome;
    }
    if (!PowerUpCheckPasses()) {
        outcome.finalText = "Power-up check failed";
        return outcome;
    }
    const ScopedCurrentDirectory inKitFolder(document_.WorkingDirectory());
    if (!PrepareFlashing()) {
        outcome.finalText = "Boot code could not be loaded";
        return outcome;
    }
    return ProgramSequence(document_, radio_, flash_, version_, codeplugType_, productLine_).Run();
}

void CUpgradeForm::RecordPress(const ProgramOutcome& outcome, std::chrono::system_clock::time_point started,
                               double seconds) const {
    UpgradeRecord record;
    record.started = started;
    record.port = document_.PortName();
    for (std::uint8_t byte : radio_.identity)
        record.identity += FormatText("%02X", byte);
    record.serialText = radio_.serialText;
    record.modelCode = radio_.options.modelCode;
    record.releaseBefore = radio_.release;
    record.operations = UpgradeRecord::Operations(radio_.options.flashFirmware, radio_.options.codeplugMode,
                                                  radio_.options.patchCodeplug);
    record.attempts = outcome.attempts;
    record.finalStatus = outcome.finalStatus ? static_cast<int>(*outcome.finalStatus) : -1;
    record.finalText = outcome.finalText;
    record.durationSeconds = seconds;
    record.backupFile = outcome.backupFile;
    record.AppendTo(document_.WorkingDirectory());
}
