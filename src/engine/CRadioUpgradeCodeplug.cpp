#include <optional>
#include <span>

#include "engine/CPatcher.h"
#include "engine/CRadioUpgrade.h"
#include "engine/CodeplugProgrammer.h"
#include "engine/RadioSavedData.h"
#include "engine/UpgradeOptions.h"
#include "codeplug/CCodeplug.h"
#include "errors/CErrorLog.h"
#include "errors/CGenError.h"
#include "files/ProductLine.h"
#include "kwip/CKwipComm.h"

namespace {

constexpr const char* kRawCopyModelCode = "01";

}  // namespace

std::optional<unsigned> CRadioUpgrade::BootcodeBaud() const {
    if (!FlashSelected())
        return std::nullopt;
    return FlashRate();
}

CodeplugJob CRadioUpgrade::MakeCodeplugJob() const {
    CodeplugJob job;
    job.type = codeplugType_;
    job.mode = options_ != nullptr ? options_->codeplugMode : 0;
    job.region = region_;
    job.codeplugText = codeplugText_;
    job.variantCode = variantCode_;
    job.port = static_cast<unsigned>(portNumber_);
    job.echo = echo_;
    job.bootcodeBaud = BootcodeBaud();
    job.stepProgress = progressShown_;
    // After flashing the radio still runs the bootcode; when no patch (which resets) follows, the reset
    // is ours, or the radio would sit in the bootcode after a successful run.
    job.resetAtEnd = job.bootcodeBaud.has_value() && options_ != nullptr && !options_->patchCodeplug;
    job.rawCopies = productLine_ == ProductLine::kFarVarno && options_ != nullptr &&
                    options_->modelCode == kRawCopyModelCode;
    job.backupFolder = backupFolder_;
    return job;
}

void CRadioUpgrade::DoProgCp() {
    RadioSavedData ownSavedData;
    RadioSavedData& saved = savedData_ != nullptr ? *savedData_ : ownSavedData;
    const std::unique_ptr<CodeplugProgrammer> programmer = MakeCodeplugProgrammer(MakeCodeplugJob(), saved);
    // A failed run has written its backup file too, and that is the one the operator needs.
    try {
        programmer->Program();
    } catch (const CError&) {
        backupFile_ = programmer->BackupFile();
        throw;
    }
    backupFile_ = programmer->BackupFile();
    restartFailed_ = programmer->RestartFailed();
}

bool CRadioUpgrade::DoPatch() {
    CPatcher patcher(codeplugType_);
    if (codeplugType_ == CCodeplug::kKdsFormat && codeplugText_ != nullptr)
        patcher.Codeplug().SetExternalCodeplug(*codeplugText_, variantCode_);
    const unsigned baud = BootcodeBaud().value_or(CKwipComm::kBaud);
    const std::span<const PatchRecord> records =
        patchRecords_ != nullptr ? std::span<const PatchRecord>(*patchRecords_) : std::span<const PatchRecord>();
    const bool patched = patcher.UpdateRadio(records, portNumber_, echo_, baud);
    restartFailed_ = patcher.RestartFailed();
    if (patched)
        return true;
    if (patcher.Interrupted())
        return false;
    ErrorLog().Log("CRadioUpgrade::DoPatch: Patching codeplug data failed!");
    throw CGenError(3, "Patching error");
}
