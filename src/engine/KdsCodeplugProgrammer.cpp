#include "engine/KdsCodeplugProgrammer.h"

#include <algorithm>

#include "codeplug/CCodeplug.h"
#include "errors/CGenError.h"
#include "errors/TextFormat.h"
#include "notify/Notifications.h"

void KdsCodeplugProgrammer::Prepare() {
    Codeplug().SetExternalCodeplug(Job().codeplugText != nullptr ? std::string_view(*Job().codeplugText)
                                                                 : std::string_view(),
                                   Job().variantCode);
    Notifications::Current().StatusText(Notifications::kStatusCodeplug);
    Notifications::Current().SetProgressMessage("Programming Codeplug...");
}

bool KdsCodeplugProgrammer::TuningMoved() const {
    return Job().variantCode.size() >= 2 && Job().variantCode[1] == kMovedTuningCode;
}

void KdsCodeplugProgrammer::CheckBeforeWriting(const RadioSavedData& saved) {
    if (!KeepsTuning(Job().mode))
        return;
    const std::size_t savedBytes = Piece(saved, kTuningBlock, 0).bytes.size();
    std::size_t savedNeeds = 0;
    std::size_t kitNeeds = savedBytes;
    if (TuningMoved()) {
        kitNeeds = 0;
        for (const Move& move : kTuningMoves) {
            savedNeeds = std::max<std::size_t>(savedNeeds, move.from + move.length);
            kitNeeds = std::max<std::size_t>(kitNeeds, move.to + move.length);
        }
    }
    if (savedBytes < savedNeeds)
        RefuseRestore(FormatText("the radio's tuning entry has %u bytes, the moved fields need %u",
                                 static_cast<unsigned>(savedBytes), static_cast<unsigned>(savedNeeds)));
    std::vector<std::uint8_t> entry(kBlockBufferBytes);
    const std::size_t kitBytes = KitCodeplug().ReadCpEntry(entry, kTuningBlock, 0, 0);
    if (kitBytes < kitNeeds)
        RefuseRestore(FormatText("the kit's tuning entry has %u bytes, the radio's tuning needs %u",
                                 static_cast<unsigned>(kitBytes), static_cast<unsigned>(kitNeeds)));
}

void KdsCodeplugProgrammer::Save(RadioSavedData& saved) {
    if (!KeepsTuning(Job().mode))
        return;
    Guarded(kTuningReadLine, [&] {
        std::vector<std::uint8_t> entry(kBlockBufferBytes);
        entry.resize(Codeplug().ReadCpEntry(entry, kTuningBlock, 0, 0));
        saved.Add({kTuningBlock, 0, 0, 0, entry});
        Codeplug().SetCpMode(kSaveMode);
        std::vector<std::uint8_t> block;
        try {
            block = ReadPlacedBlock();
        } catch (const CError&) {
            Codeplug().SetCpMode(0);
            throw;
        }
        Codeplug().SetCpMode(0);
        for (const Field& field : kPlacedFields) {
            std::vector<std::uint8_t> bytes(field.length);
            Codeplug().ReadCpField(bytes, block, 0, 0, field.offset);
            saved.Add({kPlacedBlock, 0, 0, field.offset, bytes});
        }
    });
}

void KdsCodeplugProgrammer::PutBack(const RadioSavedData& saved) {
    if (!KeepsTuning(Job().mode))
        return;
    Guarded(kTuningRestoreLine, [&] {
        const std::vector<std::uint8_t>& old = Piece(saved, kTuningBlock, 0).bytes;
        const std::vector<std::uint8_t> tuning = TuningMoved() ? MigratedTuning(old) : old;
        Codeplug().WriteCpField(tuning, kTuningBlock, 0, 0, 0);
        std::vector<std::uint8_t> block = ReadPlacedBlock();
        for (const Field& field : kPlacedFields)
            Codeplug().WriteCpField(Piece(saved, kPlacedBlock, field.offset).bytes, block, 0, 0, field.offset);
        Codeplug().WriteCpBlock(block, kPlacedBlock);
    });
}

std::vector<std::uint8_t> KdsCodeplugProgrammer::MigratedTuning(const std::vector<std::uint8_t>& old) {
    std::vector<std::uint8_t> entry(kBlockBufferBytes);
    entry.resize(Codeplug().ReadCpEntry(entry, kTuningBlock, 0, 0));
    for (const Move& move : kTuningMoves) {
        std::vector<std::uint8_t> field(move.length);
        Codeplug().ReadCpField(field, old, 0, 0, move.from);
        Codeplug().WriteCpField(field, entry, 0, 0, move.to);
    }
    return entry;
}

std::vector<std::uint8_t> KdsCodeplugProgrammer::ReadPlacedBlock() {
    std::vector<std::uint8_t> block(kPlacedBlockBytes);
    const std::optional<std::size_t> length = Codeplug().ReadCpBlock(block, kPlacedBlock);
    if (!length)
        throw CGenError(3, CCodeplug::kNoBlockText, kPlacedBlock);
    block.resize(*length);
    return block;
}
