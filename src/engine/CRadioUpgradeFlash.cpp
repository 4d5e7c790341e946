// The flashing half of the engine: bootcode download, erase and size probe, the firmware file and its
// records.
#include <optional>
#include <vector>

#include "engine/BootcodeImage.h"
#include "engine/CBootstrap.h"
#include "engine/CRadioUpgrade.h"
#include "engine/FlashLayout.h"
#include "engine/FlashSettings.h"
#include "engine/KitVersion.h"
#include "engine/UpgradeOptions.h"
#include "errors/CErrorLog.h"
#include "errors/CGenError.h"
#include "files/KitFile.h"
#include "files/SRecord.h"
#include "kwip/CKwipBroker.h"
#include "notify/Notifications.h"
#include "platform/CPlatform.h"
#include "platform/CSerial.h"

namespace {

constexpr unsigned kFlashReplyTimeoutMs = 1000;
constexpr unsigned kBootcodeHelloTimeoutMs = 700;

constexpr const char* kErasingMessage = "Erasing flash ROM...\nWARNING!! Ensure process is not interrupted";

constexpr const char* kNoFirmwareFileText =
    "Unable to open firmware file!\nPlease make sure installation is completed successfully";
constexpr const char* kCorruptFileText =
    "The required data file is corrupted and unuseable\nPlease reinstall the application!";
constexpr const char* kNoMemoryText =
    "Unable to allocate temporary memory buffer.\nPlease free up some more system memory and try again!";

Notifications& Notify() {
    return Notifications::Current();
}

void ShowStop(const char* text) {
    MessageBoxService::ShowMessage(text, "Error", MessageIcon::Stop, MessageButtons::Ok);
}

// Reply time-out and pause of the bootcode's KWIP, open on the operator's port at the flash rate.
void OpenAtFlashRate(CKwipBroker& broker, int portNumber, std::uint8_t echo, unsigned flashRate) {
    broker.Comm().PostDelayMs = 0;
    broker.Comm().ReplyTimeoutMs = kFlashReplyTimeoutMs;
    broker.Comm().Open(static_cast<unsigned>(portNumber), echo);
    broker.PortOpen = true;
    broker.Comm().Serial()->SetBaud(flashRate);
}

void CloseExchange(CKwipBroker& broker) {
    broker.Comm().Close();
    broker.PortOpen = false;
}

}  // namespace

unsigned CRadioUpgrade::FlashRate() const {
    return settings_->flashRate.value_or(0);
}

// The bootstrap port goes back to the platform on every way out, so that a retry can borrow it again.
void CRadioUpgrade::DownloadBootcode() {
    try {
        SendBootcodeAndStartIt();
    } catch (const CGenError&) {
        ReleaseBootstrapPort();
        throw;
    } catch (const CError& error) {
        ReleaseBootstrapPort();
        ErrorLog().Log("%s", error.GetText());
        throw CGenError(3, "General communication error occurred while downloading bootcode");
    }
    ReleaseBootstrapPort();
}

void CRadioUpgrade::SendBootcodeAndStartIt() {
    const std::optional<std::vector<std::uint8_t>> image = BootcodeImage(settings_->bootCodeText);
    if (!image)
        throw CGenError(3, "Read bootcode S-Record file failed");
    if (!bootstrapPort_)
        throw CGenError(3, "Com Port was not opened");
    if (!settings_->flashRate)
        throw CGenError(3, "No flash rate has been chosen");  // refused before the radio is touched
    ShowBootcodeProgress(static_cast<int>(CBootstrap::BlockCount(settings_->bootVariant, image->size())));
    try {
        CBootstrap bootstrap(bootstrapPort_);
        bootstrap.SetVariant(settings_->bootVariant);
        bootstrap.SetAnnouncementWait(settings_->announcementWaitMs);
        bootstrap.OnBlockSent([] { Notify().StepProgress(); });
        bootstrap.SendBootcode(*image);
        bootstrapPort_->SetBaud(FlashRate());
        std::uint8_t firstCharacter = 0;  // the running bootcode's hello; its value means nothing
        bootstrapPort_->Read(std::span(&firstCharacter, 1), kBootcodeHelloTimeoutMs);
    } catch (const CError&) {
        Notify().EndProgress();
        Notify().StatusText(Notifications::kStatusRestore);
        throw;
    }
    Notify().EndProgress();
}

// A bar over the bootcode's blocks, with Cancel off from the moment the display opens.
void CRadioUpgrade::ShowBootcodeProgress(int blocks) {
    Notify().BlockCancel(kBootcodeBlocksCancel);
    Notify().BeginProgress(blocks, false);
    Notify().SetProgressMessage(kBootcodeMessage);
    Notify().StatusText(Notifications::kStatusDownloadingBootcode);
}

void CRadioUpgrade::ReleaseBootstrapPort() {
    if (!bootstrapPort_)
        return;
    CPlatform::Instance()->ReleaseSerial();
    bootstrapPort_ = nullptr;
}

// Erases the flash, probes its size and loads the firmware file for it. False, with the status set,
// when the erase or every probe fails.
bool CRadioUpgrade::DetectFlashAndLoadFirmware() {
    CKwipBroker broker;
    try {
        OpenAtFlashRate(broker, portNumber_, echo_, FlashRate());
        broker.EraseFlashRequest();
    } catch (const CError& error) {
        ErrorLog().Log("%s", error.GetText());
        return FlashSizeFailed(broker);
    }
    const std::optional<FlashLayout::Probe> probe = DetectFlashSize(broker);
    if (!probe)
        return FlashSizeFailed(broker);
    flashBytes_ = probe->bytes;
    ProcessFirmwareFile(probe->firmwareFile);
    firmwareChosen_ = true;
    CloseExchange(broker);
    return true;
}

bool CRadioUpgrade::FlashSizeFailed(CKwipBroker& broker) {
    CloseExchange(broker);
    status_ = UpgradeStatus::FlashSizeNotDetected;
    Notify().StatusText(Notifications::kStatusRestore);
    return false;
}

// The probe byte can be programmed only where there is flash; the first write that succeeds tells the
// size. Each write retries by itself; the probe tries each size a few times more, each time on a byte
// that no earlier try can have programmed.
std::optional<FlashLayout::Probe> CRadioUpgrade::DetectFlashSize(CKwipBroker& broker) {
    const std::uint8_t probeByte = FlashLayout::kProbeByte;
    for (const FlashLayout::Probe& probe : FlashLayout::kProbes) {
        for (int attempt = 0; attempt < FlashLayout::kTriesPerProbe; ++attempt) {
            const std::uint32_t address =
                probe.address + static_cast<std::uint32_t>(attempt) * FlashLayout::kProbeTryStride;
            try {
                broker.WriteRequest(address, std::span(&probeByte, 1));
                return probe;
            } catch (const CError& error) {
                ErrorLog().Log("%s", error.GetText());
            }
        }
    }
    return std::nullopt;
}

// Leaves the firmware text empty after a failure, so that PrepareUpgrade refuses it.
void CRadioUpgrade::ProcessFirmwareFile(const char* fileName) {
    const std::string_view key = version_ ? std::string_view(version_->key) : std::string_view();
    const KitFileResult file = ReadKitFile(fileName, key, KitFileKind::kFirmware);
    switch (file.failure) {
        case KitFileFailure::kNone:
            settings_->firmwareText = std::string(file.Text());
            return;
        case KitFileFailure::kOpen:
            ShowStop(kNoFirmwareFileText);
            return;
        case KitFileFailure::kCorrupt:
        case KitFileFailure::kTooLarge:
            ShowStop(kCorruptFileText);
            return;
        case KitFileFailure::kAllocation:
            ErrorLog().Log(
                "CUpgradeForm::ProcessFirmwareFile: Unable to allocate memory for storing firmware S-Record");
            ShowStop(kNoMemoryText);
            return;
    }
}

void CRadioUpgrade::FlashFirmware() {
    CKwipBroker broker;
    ProgramFlash(broker);
    Notify().StatusText(Notifications::kStatusRestore);
}

void CRadioUpgrade::ProgramFlash(CKwipBroker& broker) {
    status_ = UpgradeStatus::FirmwareFailed;
    SRecord reader;
    reader.AttachText(settings_->firmwareText);
    Notify().StatusText(Notifications::kStatusFlashingFirmware);
    Notify().SetProgressMessage(kErasingMessage);
    try {
        OpenAtFlashRate(broker, portNumber_, echo_, FlashRate());
        broker.EraseFlashRequest();
        Notify().SetProgressMessage(kProgrammingMessage);
        WriteFirmwareRecords(broker, reader);
        reader.Detach();
        if (options_->codeplugMode == 0 && !options_->patchCodeplug)
            RestartRadio(broker);  // nothing else will talk to the bootcode: start the new firmware
        CloseExchange(broker);
    } catch (const CGenError&) {
        reader.Detach();
        CloseExchange(broker);
        Notify().StatusText(Notifications::kStatusRestore);
        throw;
    } catch (const CError& error) {
        reader.Detach();
        CloseExchange(broker);
        Notify().StatusText(Notifications::kStatusRestore);
        ErrorLog().Log("%s", error.GetText());
        throw CGenError(3, "General communication error occurred while downloading firmware");
    }
}

// One write per data record, in file order; one progress step per record of any type, as
// PrepareUpgrade counted them.
void CRadioUpgrade::WriteFirmwareRecords(CKwipBroker& broker, SRecord& reader) {
    SRecordData record;
    for (;;) {
        reader.ReadNextRecord(record);
        if (record.type == 0)
            return;
        if (SRecord::IsDataRecord(record.type)) {
            broker.WriteRequest(FlashLayout::FlashAddress(record.address),
                                std::span(record.data).first(record.length));
        }
        if (progressShown_)
            Notify().StepProgress();
    }
}

// The firmware is in place: a radio that misses the reset needs only switching off and on, so the run
// goes on to its success and the operator is told.
void CRadioUpgrade::RestartRadio(CKwipBroker& broker) {
    try {
        broker.ResetRequest();
    } catch (const CError& error) {
        ErrorLog().Log("%s", error.GetText());
        ErrorLog().Log("CRadioUpgrade::ProgramFlash: Reset radio command failed");
        restartFailed_ = true;
    }
}
