#include "engine/StandardCodeplugProgrammer.h"

#include <algorithm>

#include "codeplug/CCodeplug.h"
#include "errors/CGenError.h"
#include "errors/TextFormat.h"

void StandardCodeplugProgrammer::CheckBeforeWriting(const RadioSavedData& saved) {
    if (KeepsTuning(Job().mode)) {
        const std::size_t savedBytes = Piece(saved, kTuningBlock, 0).bytes.size();
        const std::size_t kitBytes = KitEntryBytes(kTuningBlock);
        if (kitBytes < savedBytes)
            RefuseRestore(FormatText("the radio's tuning entry of %u bytes does not fit the kit's of %u bytes",
                                     static_cast<unsigned>(savedBytes), static_cast<unsigned>(kitBytes)));
    }
    if (KeepsSerial(Job().mode)) {
        if (Piece(saved, kIdentityBlock, 0).bytes.size() != kSerialNumberBytes ||
            Piece(saved, kIdentityBlock, kRegionalIdOffset).bytes.size() != 1)
            RefuseRestore("the saved serial number and regional id are damaged");
        const std::size_t kitBytes = KitEntryBytes(kIdentityBlock);
        if (kitBytes <= kRegionalIdOffset)
            RefuseRestore(FormatText("the kit's block 0 entry of %u bytes holds no regional id",
                                     static_cast<unsigned>(kitBytes)));
    }
}

std::size_t StandardCodeplugProgrammer::KitEntryBytes(std::uint16_t block) {
    std::vector<std::uint8_t> entry(kBlockBufferBytes);
    return KitCodeplug().ReadCpEntry(entry, block, 0, 0);
}

void StandardCodeplugProgrammer::Save(RadioSavedData& saved) {
    if (KeepsSerial(Job().mode)) {
        Guarded(kSerialLine, [&] {
            const std::vector<std::uint8_t> entry = ReadIdentityEntry();
            saved.Add({kIdentityBlock, 0, 0, 0, {entry.begin(), entry.begin() + kSerialNumberBytes}});
            saved.Add({kIdentityBlock, 0, 0, kRegionalIdOffset, {entry[kRegionalIdOffset]}});
        });
    }
    if (KeepsTuning(Job().mode)) {
        Guarded(kTuningReadLine, [&] {
            std::vector<std::uint8_t> entry(kBlockBufferBytes);
            entry.resize(Codeplug().ReadCpEntry(entry, kTuningBlock, 0, 0));
            saved.Add({kTuningBlock, 0, 0, 0, entry});
        });
    }
}

void StandardCodeplugProgrammer::PutBack(const RadioSavedData& saved) {
    if (KeepsTuning(Job().mode)) {
        Guarded(kTuningRestoreLine, [&] {
            const SavedPiece& tuning = Piece(saved, kTuningBlock, 0);
            Codeplug().WriteCpField(tuning.bytes, kTuningBlock, 0, 0, 0);
        });
    }
    if (KeepsSerial(Job().mode)) {
        Guarded(kSerialLine, [&] {
            const SavedPiece& serial = Piece(saved, kIdentityBlock, 0);
            const SavedPiece& regionalId = Piece(saved, kIdentityBlock, kRegionalIdOffset);
            std::vector<std::uint8_t> entry = ReadIdentityEntry();
            if (serial.bytes.size() != kSerialNumberBytes || regionalId.bytes.size() != 1)
                throw CGenError(3, "The saved serial number and regional id are damaged");
            std::copy(serial.bytes.begin(), serial.bytes.end(), entry.begin());
            entry[kRegionalIdOffset] = regionalId.bytes[0];
            Codeplug().WriteCpField(entry, kIdentityBlock, 0, 0, 0);
        });
    }
}

std::vector<std::uint8_t> StandardCodeplugProgrammer::ReadIdentityEntry() {
    std::vector<std::uint8_t> entry(kBlockBufferBytes);
    entry.resize(Codeplug().ReadCpEntry(entry, kIdentityBlock, 0, 0));
    if (entry.size() <= kRegionalIdOffset)
        throw CGenError(3, "The codeplug's block 0 entry of %u bytes holds no regional id",
                        static_cast<unsigned>(entry.size()));
    return entry;
}
