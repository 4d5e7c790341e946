#include "workflow/ProgramSequence.h"

#include "engine/CRadioUpgrade.h"
#include "engine/FirmwareRecordCheck.h"
#include "engine/FlashSettings.h"
#include "engine/KitVersion.h"
#include "engine/RadioSavedData.h"
#include "errors/CError.h"
#include "errors/CErrorLog.h"
#include "errors/CGenError.h"
#include "errors/MessageBoxService.h"
#include "platform/CPlatform.h"
#include "workflow/UpgradeDocument.h"
#include "workflow/VerifiedRadio.h"

namespace {

constexpr unsigned kBootstrapBaud = 2400;
constexpr const char* kBackupFolder = "backup";

MessageResult Show(const ProgramPrompt& prompt) {
    return MessageBoxService::ShowMessage(prompt.text, prompt.caption, prompt.icon, prompt.buttons);
}

}  // namespace

ProgramSequence::ProgramSequence(const UpgradeDocument& document, const VerifiedRadio& radio,
                                 FlashSettings& flash, const KitVersion& version, int codeplugType,
                                 std::int32_t productLine)
    : document_(document),
      radio_(radio),
      flash_(flash),
      version_(version),
      codeplugType_(codeplugType),
      productLine_(productLine) {}

ProgramOutcome ProgramSequence::Run() {
    ProgramOutcome outcome;
    // What the codeplug step saved of the radio lives as long as the press, so that a retry after a
    // failure between the chunk write and the restore puts the radio's own data back.
    RadioSavedData savedData;
    savedData.SetRadio({radio_.identity, radio_.serialText});
    AttemptState state = AttemptState::First;
    while (state != AttemptState::Finished) {
        if (radio_.options.flashFirmware && !FirmwareFilesSound(outcome))
            break;
        CRadioUpgrade engine;
        engine.SetSavedData(&savedData);
        flash_.bootstrapBaud = kBootstrapBaud;
        flash_.announcementWaitMs = document_.BootstrapWaitMs();
        ++outcome.attempts;
        if (radio_.options.flashFirmware) {
            const PortResult port = LendBootstrapPort(engine, state, outcome);
            if (port != PortResult::Lent) {
                outcome.end = port == PortResult::Cancelled ? ProgramOutcome::End::Cancelled
                                                            : ProgramOutcome::End::PortUnavailable;
                break;
            }
        }
        flash_.firmwareText.clear();
        HandOverInputs(engine);
        const UpgradeStatus status = engine.UpgradeRadio();
        outcome.end = ProgramOutcome::End::EngineRan;
        outcome.finalStatus = status;
        if (!engine.BackupFile().empty())
            outcome.backupFile = engine.BackupFile().string();
        state = React(status, engine.RestartFailed(), state, Details(status, engine, savedData), outcome);
    }
    return outcome;
}

// Every firmware file the size probe may choose is checked whole while the radio still runs its own
// firmware: a kit file that would be refused after the erase would leave the radio without one.
bool ProgramSequence::FirmwareFilesSound(ProgramOutcome& outcome) {
    const std::optional<std::string> fault = FirmwareFileFault(document_.WorkingDirectory(), version_.key);
    if (!fault)
        return true;
    ErrorLog().Log("ProgramSequence::Run: %s", fault->c_str());
    const ProgramPrompt& prompt = ProgramStatusTable::Reaction(UpgradeStatus::InvalidDataFile, AttemptState::First);
    const std::string text = std::string(prompt.text) + "\n\n" + *fault;
    MessageBoxService::ShowMessage(text, prompt.caption, prompt.icon, prompt.buttons);
    outcome.end = ProgramOutcome::End::KitFileRefused;
    outcome.finalText = *fault;
    return false;
}

// The platform's port at the bootstrap rate, after the operator has put the radio in bootstrap mode.
ProgramSequence::PortResult ProgramSequence::LendBootstrapPort(CRadioUpgrade& engine, AttemptState state,
                                                               ProgramOutcome& outcome) {
    CPlatform& platform = *CPlatform::Instance();
    CSerial* port = nullptr;
    while (port == nullptr) {
        try {
            port = OpenBootstrapPort();
        } catch (const CError& error) {
            outcome.finalText = error.GetText();
            // A first attempt has sent nothing: the press just ends. On a retry the radio may be half
            // programmed and its cable not back yet: the operator may plug it in and try again.
            if (state != AttemptState::Retry) {
                error.Show();
                return PortResult::Unavailable;
            }
            if (AskRetryAfterOpenFailure(error) != MessageResult::Ok)
                return PortResult::Unavailable;
        }
    }
    const ProgramPrompt& prompt = ProgramStatusTable::BootstrapPrompt(state);
    if (Show(prompt) == MessageResult::Cancel) {
        platform.ReleaseSerial();
        outcome.finalText = "Cancelled at the bootstrap-mode instructions";
        return PortResult::Cancelled;
    }
    engine.SetBootstrapPort(port);
    return PortResult::Lent;
}

// The platform's port at the bootstrap rate and open; given back when it cannot be opened.
CSerial* ProgramSequence::OpenBootstrapPort() {
    CPlatform& platform = *CPlatform::Instance();
    CSerial* port = platform.GetSerial();
    if (port == nullptr)
        throw CGenError(2);  // "Unable to allocate serial comm object"
    try {
        port->SetEcho(document_.EchoType());
        port->SetParams(kBootstrapBaud, CSerial::kParityNone, CSerial::kOneStopBit, 8);
        port->Open(document_.PortNumber());
    } catch (const CError&) {
        platform.ReleaseSerial();
        throw;
    }
    return port;
}

MessageResult ProgramSequence::AskRetryAfterOpenFailure(const CError& error) {
    const ProgramPrompt& question = ProgramStatusTable::RetryQuestion();
    const std::string text = std::string(error.GetText()) + "\n\n" + question.text;
    return MessageBoxService::ShowMessage(text, question.caption, question.icon, question.buttons);
}

void ProgramSequence::HandOverInputs(CRadioUpgrade& engine) {
    engine.SetPort(static_cast<int>(document_.PortNumber()), document_.EchoType());
    engine.SetOptions(&radio_.options);
    engine.SetInputs(&flash_, radio_.codeplugText ? &*radio_.codeplugText : nullptr,
                     radio_.patchRecords ? &*radio_.patchRecords : nullptr, codeplugType_, &version_);
    engine.SetVariantCode(radio_.variantCode);
    engine.SetProductLine(productLine_);
    engine.SetBackupFolder(document_.WorkingDirectory() / kBackupFolder);
}

// What the operator needs beside the status's own text: after the codeplug step failed, why and where
// the radio's own data are kept; after a success with data an earlier press saved, that they came back.
std::string ProgramSequence::Details(UpgradeStatus status, const CRadioUpgrade& engine,
                                     const RadioSavedData& savedData) const {
    const std::string backup = engine.BackupFile().empty() ? "" : Shown(engine.BackupFile());
    if (status == UpgradeStatus::CodeplugFailed) {
        std::string details = engine.FailureText();
        if (!backup.empty())
            details += "\nThe radio's own data are kept in " + backup + ".";
        return details;
    }
    if (status == UpgradeStatus::Succeeded && savedData.FromEarlierPress() && !backup.empty())
        return "The radio's own data were restored from " + backup + ", saved by an earlier press.";
    return "";
}

// A backup file as the operator looks for it: in the kit folder's backup folder.
std::string ProgramSequence::Shown(const std::filesystem::path& file) const {
    const std::filesystem::path relative = file.lexically_relative(document_.WorkingDirectory());
    return relative.empty() || *relative.begin() == ".." ? file.string() : relative.string();
}

AttemptState ProgramSequence::React(UpgradeStatus status, bool restartFailed, AttemptState state,
                                    const std::string& details, ProgramOutcome& outcome) {
    const ProgramPrompt& prompt = status == UpgradeStatus::Succeeded && restartFailed
                                      ? ProgramStatusTable::SucceededWithoutRestart()
                                      : ProgramStatusTable::Reaction(status, state);
    const std::string text = details.empty() ? prompt.text : std::string(prompt.text) + "\n\n" + details;
    outcome.finalText = text;
    const MessageResult answer =
        MessageBoxService::ShowMessage(text, prompt.caption, prompt.icon, prompt.buttons);
    if (prompt.onOk == ProgramPrompt::OnOk::Retry && answer == MessageResult::Ok)
        return AttemptState::Retry;
    return AttemptState::Finished;
}
