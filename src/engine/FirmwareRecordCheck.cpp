#include "engine/FirmwareRecordCheck.h"

#include <cstdint>

#include "engine/FlashLayout.h"
#include "errors/CErrorLog.h"
#include "errors/CGenError.h"
#include "errors/TextFormat.h"
#include "files/KitFile.h"
#include "files/SRecord.h"
#include "kwip/CKwipBroker.h"

namespace {

// Header (S0), count (S5, S6) and end-address (S7, S8) records put nothing into the flash.
bool CarriesNoFlashData(char type) {
    return type == '0' || type == '5' || type == '6' || type == '7' || type == '8';
}

std::string RecordFault(const char* why, int number, std::uint32_t address) {
    return FormatText("Firmware record %d at address %X %s", number, address, why);
}

const char* KitFileFaultText(KitFileFailure failure) {
    switch (failure) {
        case KitFileFailure::kOpen:
            return "cannot be opened";
        case KitFileFailure::kCorrupt:
            return "is corrupted";
        case KitFileFailure::kAllocation:
            return "does not fit the memory";
        case KitFileFailure::kTooLarge:
            return "is larger than any firmware file can be";
        case KitFileFailure::kNone:
            break;
    }
    return "";
}

}  // namespace

std::optional<std::string> FirmwareRecordFault(std::string_view text, std::size_t flashBytes) {
    SRecord reader;
    reader.AttachText(text);
    const std::uint64_t flashEnd = FlashLayout::kStart + std::uint64_t{flashBytes};
    SRecordData record;
    for (int number = 1;; ++number) {
        const bool good = reader.ReadNextRecord(record);
        if (record.type == 0)
            return std::nullopt;
        if (CarriesNoFlashData(record.type))
            continue;
        // A record the flashing loop would step over would leave a hole in the flash.
        if (!SRecord::IsDataRecord(record.type))
            return RecordFault("is no record the flash can take", number, 0);
        if (!good)
            return RecordFault("is damaged", number, record.address);
        if (record.length > CKwipBroker::kMaxWriteCount)
            return RecordFault("is too long for one write", number, record.address);
        const std::uint64_t start = FlashLayout::FlashAddress(record.address);
        if (start + record.length > flashEnd)
            return RecordFault("lies outside the flash", number, record.address);
    }
}

void CheckFirmwareRecords(std::string_view text, std::size_t flashBytes) {
    const std::optional<std::string> fault = FirmwareRecordFault(text, flashBytes);
    if (!fault)
        return;
    ErrorLog().Log("CRadioUpgrade::PrepareUpgrade: %s", fault->c_str());
    throw CGenError(3, "Read firmware S-Record file failed");
}

std::optional<std::string> FirmwareFileFault(const std::filesystem::path& kitFolder, std::string_view kitKey) {
    for (const FlashLayout::Probe& probe : FlashLayout::kProbes) {
        const KitFileResult file = ReadKitFile(kitFolder / probe.firmwareFile, kitKey, KitFileKind::kFirmware);
        if (!file.Ok())
            return FormatText("The firmware file %s %s", probe.firmwareFile, KitFileFaultText(file.failure));
        SRecord reader;
        reader.AttachText(file.Text());
        if (!reader.CheckFirstRecord())
            return FormatText("The firmware file %s does not begin with a sound data record", probe.firmwareFile);
        if (const std::optional<std::string> fault = FirmwareRecordFault(file.Text(), probe.bytes))
            return FormatText("The firmware file %s: %s", probe.firmwareFile, fault->c_str());
    }
    return std::nullopt;
}
