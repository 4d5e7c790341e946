#include "engine/CRadioUpgrade.h"

#include <algorithm>
#include <exception>
#include <memory>

#include "codeplug/MakeCodeplug.h"
#include "engine/FirmwareRecordCheck.h"
#include "engine/FlashSettings.h"
#include "engine/UpgradeOptions.h"
#include "errors/CErrorLog.h"
#include "errors/CGenError.h"
#include "files/PatchSection.h"
#include "files/SRecord.h"
#include "notify/CancelSignal.h"
#include "notify/Notifications.h"

namespace {

constexpr const char* kFirmwareReadText = "Read firmware S-Record file failed";
constexpr const char* kBadModeText = "Syntax error in patch script file : RADIO_MATCHING_BLOCK";

constexpr const char* kCodeplugMessage = "Programming Codeplug...\nWARNING!! Ensure process is not interrupted";
constexpr const char* kFlashingBlocksCancel =
    "Cancel is not available while the flash ROM is erased and programmed: stopping now would leave the "
    "radio inoperable.";
constexpr const char* kCodeplugBlocksCancel =
    "Cancel is not available while the codeplug is written: stopping now would leave the radio without a "
    "whole codeplug and its own tuning data.";

// The region codeplug programming writes, by codeplug mode: 1 the internal region, 2 from A0 to the
// end, 3 the whole codeplug. Pointers that are not valid leave it empty, which the codeplug step refuses.
CodeplugRegion RegionFor(int mode, const std::optional<CodeplugPointers>& pointers) {
    if (mode < 1 || mode > 3)
        throw CGenError(3, "%s", kBadModeText);
    if (!pointers)
        return {};
    const unsigned a0 = pointers->boundary;
    const unsigned end = pointers->codeplugEnd + 1;
    switch (mode) {
        case 1:
            return {0, a0};
        case 2:
            return {a0, end};
        default:
            return {0, end};
    }
}

}  // namespace

CRadioUpgrade::CRadioUpgrade() = default;

CRadioUpgrade::~CRadioUpgrade() = default;

void CRadioUpgrade::SetBootstrapPort(CSerial* port) {
    bootstrapPort_ = port;
}

void CRadioUpgrade::SetPort(int portNumber, std::uint8_t echo) {
    portNumber_ = portNumber;
    echo_ = echo;
}

void CRadioUpgrade::SetOptions(const UpgradeOptions* options) {
    options_ = options;
}

void CRadioUpgrade::SetInputs(FlashSettings* settings, const std::string* codeplugText,
                              const std::vector<PatchRecord>* patchRecords, std::int32_t codeplugType,
                              const KitVersion* version) {
    settings_ = settings;
    codeplugText_ = codeplugText;
    patchRecords_ = patchRecords;
    codeplugType_ = codeplugType;
    version_ = version;
}

void CRadioUpgrade::SetVariantCode(const std::string& variantCode) {
    variantCode_ = variantCode.substr(0, 2);
}

void CRadioUpgrade::SetProductLine(std::int32_t productLine) {
    productLine_ = productLine;
}

void CRadioUpgrade::SetSavedData(RadioSavedData* savedData) {
    savedData_ = savedData;
}

void CRadioUpgrade::SetBackupFolder(const std::filesystem::path& folder) {
    backupFolder_ = folder;
}

bool CRadioUpgrade::FlashSelected() const {
    return options_ && options_->flashFirmware;
}

UpgradeStatus CRadioUpgrade::UpgradeRadio() {
    status_ = UpgradeStatus::BootcodeFailed;
    restartFailed_ = false;
    ErrorLog().ClearAuxLog();
    CancelSignal::Global().Poll();  // a Cancel of an earlier run is no request to stop this one
    WaitCursor busy;
    try {
        RunUpgrade();
    } catch (const std::exception& error) {
        // Not one of the system's errors (no memory, say): the run ends in the status of the step it hit.
        ErrorLog().Log("CRadioUpgrade::UpgradeRadio: %s", error.what());
        ReleaseBootstrapPort();
        Notifications::Current().EndProgress();
    }
    return status_;
}

void CRadioUpgrade::RunUpgrade() {
    if (!options_ || !settings_) {
        ErrorLog().Log("CRadioUpgrade::UpgradeRadio: No options or settings were given");
        status_ = UpgradeStatus::InvalidDataFile;
        return;
    }
    if (FlashSelected() && !StartFlashing())
        return;
    try {
        PrepareUpgrade();
    } catch (const CError& error) {
        ErrorLog().Log("%s", error.GetText());
        status_ = UpgradeStatus::InvalidDataFile;
        return;
    }
    RunSelectedSteps();
}

// The bootcode download, the erase and size probe, and the firmware file. False, with the status set,
// when the run cannot go on.
bool CRadioUpgrade::StartFlashing() {
    try {
        DownloadBootcode();
    } catch (const CError& error) {
        // The operator's message comes from the status; the log keeps the reason.
        ErrorLog().Log("%s", error.GetText());
        Notifications::Current().StatusText(Notifications::kStatusRestore);
        status_ = UpgradeStatus::BootcodeFailed;
        return false;
    }
    return DetectFlashAndLoadFirmware();
}

// The firmware, codeplug and patch steps under one progress display. Flash and codeplug writes cannot
// stop safely, so Cancel stays off through them; patching stops after the record under way, and the
// run stops between steps when the operator has cancelled.
void CRadioUpgrade::RunSelectedSteps() {
    const bool flashing = FlashSelected() && firmwareChosen_;
    const bool codeplug = options_->codeplugMode != 0;
    if (flashing || codeplug)
        Notifications::Current().BlockCancel(flashing ? kFlashingBlocksCancel : kCodeplugBlocksCancel);
    const int total = patchRecordCount_ + codeplugChunkCount_ + firmwareRecordCount_;
    if (total > 0) {
        progressShown_ = true;
        Notifications::Current().BeginProgress(total, false);
        if (flashing || codeplug)
            Notifications::Current().SetProgressMessage(flashing ? kProgrammingMessage : kCodeplugMessage);
    }
    try {
        RunSteps(flashing, codeplug);
    } catch (const CError& error) {
        ErrorLog().Log("%s", error.GetText());
        failureText_ = error.GetText();
    }
    if (progressShown_)
        Notifications::Current().EndProgress();  // which lifts a block of Cancel too
    else if (flashing || codeplug)
        Notifications::Current().AllowCancel();
}

// The status names the step under way, so an error leaves it naming the step that failed.
void CRadioUpgrade::RunSteps(bool flashing, bool codeplug) {
    if (flashing)
        FlashFirmware();
    status_ = UpgradeStatus::CodeplugFailed;
    if (codeplug) {
        if (StopRequested())
            return;
        Notifications::Current().BlockCancel(kCodeplugBlocksCancel);
        if (flashing)
            Notifications::Current().SetProgressMessage(kCodeplugMessage);
        DoProgCp();
    }
    status_ = UpgradeStatus::PatchFailed;
    if (options_->patchCodeplug) {
        Notifications::Current().AllowCancel();
        if (StopRequested() || !DoPatch()) {
            status_ = UpgradeStatus::Cancelled;
            return;
        }
    }
    status_ = UpgradeStatus::Succeeded;
}

// A safe point between steps: true, with the status set, when the operator has cancelled.
bool CRadioUpgrade::StopRequested() {
    if (!CancelSignal::Global().Poll())
        return false;
    ErrorLog().Log("CRadioUpgrade::UpgradeRadio: Cancelled by the operator");
    status_ = UpgradeStatus::Cancelled;
    return true;
}

void CRadioUpgrade::PrepareUpgrade() {
    if (FlashSelected()) {
        SRecord reader;
        reader.AttachText(settings_->firmwareText);
        if (!reader.CheckFirstRecord())
            throw CGenError(3, "%s", kFirmwareReadText);
        firmwareRecordCount_ = static_cast<int>(reader.CountRecords());
        reader.Detach();
        CheckFirmwareRecords(settings_->firmwareText, flashBytes_);
    }
    if (options_->codeplugMode != 0)
        PrepareCodeplugRegion();
    if (options_->patchCodeplug && patchRecords_) {
        const auto end =
            std::find_if(patchRecords_->begin(), patchRecords_->end(), [](const PatchRecord& record) {
                return record.opcode == static_cast<std::uint32_t>(PatchOpcode::kEnd);
            });
        patchRecordCount_ = static_cast<int>(end - patchRecords_->begin());
    }
}

void CRadioUpgrade::PrepareCodeplugRegion() {
    SRecord reader;
    if (codeplugText_)
        reader.AttachText(*codeplugText_);
    if (!reader.CheckFirstRecord())
        throw CGenError(3, "%s", kFirmwareReadText);  // the same text as for the firmware
    const std::unique_ptr<CCodeplug> codeplug = MakeCodeplug(codeplugType_);
    codeplug->SetCpFormat(codeplugType_, 0);
    if (codeplugType_ == CCodeplug::kKdsFormat)
        codeplug->SetExternalCodeplug(*codeplugText_, variantCode_);
    codeplug->SetCpSource(CCodeplug::Source::kImage);
    codeplug->ReadCpFile(reader);
    reader.Detach();
    region_ = RegionFor(options_->codeplugMode, codeplug->GetRdkPtrs());
    codeplugChunkCount_ = region_.ChunkCount();
}
