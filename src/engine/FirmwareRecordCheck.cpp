#include "engine/FirmwareRecordCheck.h"

#include <cstdint>

#include "engine/FlashLayout.h"
#include "errors/CErrorLog.h"
#include "errors/CGenError.h"
#include "files/SRecord.h"
#include "kwip/CKwipBroker.h"

namespace {

constexpr const char* kRefusedText = "Read firmware S-Record file failed";
constexpr char kNoRecord = '?';

bool IsDataRecord(char type) {
    return type == '1' || type == '2';
}

[[noreturn]] void Refuse(const char* why, int number, std::uint32_t address) {
    ErrorLog().Log("CRadioUpgrade::PrepareUpgrade: Firmware record %d at address %X %s", number, address,
                   why);
    throw CGenError(3, "%s", kRefusedText);
}

}  // namespace

void CheckFirmwareRecords(std::string_view text, std::size_t flashBytes) {
    SRecord reader;
    reader.AttachText(text);
    const std::uint64_t flashEnd = FlashLayout::kStart + std::uint64_t{flashBytes};
    SRecordData record;
    for (int number = 1;; ++number) {
        const bool good = reader.ReadNextRecord(record);
        if (record.type == 0)
            return;
        if (record.type == kNoRecord)
            Refuse("is not a record", number, 0);
        if (!IsDataRecord(record.type))
            continue;
        if (!good)
            Refuse("is damaged", number, record.address);
        if (record.length > CKwipBroker::kMaxWriteCount)
            Refuse("is too long for one write", number, record.address);
        const std::uint64_t start = FlashLayout::FlashAddress(record.address);
        if (start + record.length > flashEnd)
            Refuse("lies outside the flash", number, record.address);
    }
}
