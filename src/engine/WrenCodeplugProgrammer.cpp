#include "engine/WrenCodeplugProgrammer.h"

#include "codeplug/CCodeplug.h"
#include "codeplug/CWrenCodeplug.h"
#include "errors/CGenError.h"
#include "errors/TextFormat.h"
#include "kwip/CKwipBroker.h"

void WrenCodeplugProgrammer::CheckBeforeChanging(const RadioSavedData& saved) {
    CWrenCodeplug* kit = Wren(KitCodeplug());
    if (kit == nullptr)
        return;
    if (KeepsTuning(Job().mode)) {
        const Field& last = kTuningFields.back();
        CheckKitBlockHolds(*kit, kTuningFieldsBlock, last.offset + last.length);
        CheckTuningBlockFits(*kit, saved);
    }
    if (KeepsSerial(Job().mode))
        CheckKitBlockHolds(*kit, kSerialBlock, kSerialOffset + kSerialBytes);
}

void WrenCodeplugProgrammer::CheckKitBlockHolds(CWrenCodeplug& kit, std::uint16_t id, std::size_t fieldsEnd) {
    const std::optional<std::size_t> bytes = KitBlockBytes(kit, id);
    if (bytes && (*bytes < fieldsEnd || *bytes > kBlockBufferBytes))
        RefuseRestore(FormatText("the kit's block %X has %u bytes", id, static_cast<unsigned>(*bytes)));
}

// The radio's block 0x10 (or the one an earlier attempt saved) must fit whole where the kit puts its own.
void WrenCodeplugProgrammer::CheckTuningBlockFits(CWrenCodeplug& kit, const RadioSavedData& saved) {
    const std::optional<std::size_t> kitBytes = KitBlockBytes(kit, kTuningBlock);
    CWrenCodeplug* radio = Wren(Codeplug());
    if (!kitBytes || radio == nullptr)
        return;
    std::size_t radioBytes = 0;
    if (saved.AtRiskFor(Job().type, Job().mode)) {
        radioBytes = Piece(saved, kTuningBlock, 0).bytes.size();
    } else {
        Guarded(kTuningReadLine, [&] {
            const std::optional<std::size_t> bytes = radio->BlockBytes(kTuningBlock);
            if (!bytes)
                throw CGenError(3, CCodeplug::kNoBlockText, kTuningBlock);
            radioBytes = *bytes;
        });
    }
    if (radioBytes > *kitBytes)
        RefuseRestore(FormatText("the radio's block %X of %u bytes does not fit the kit's of %u bytes", kTuningBlock,
                                 static_cast<unsigned>(radioBytes), static_cast<unsigned>(*kitBytes)));
}

std::optional<std::size_t> WrenCodeplugProgrammer::KitBlockBytes(CWrenCodeplug& kit, std::uint16_t id) {
    const std::uint32_t address = kit.GetBlockVector(id);
    if (address == 0)
        RefuseRestore(FormatText("the kit's codeplug has no block %X", id));
    if (address < Job().region.start || address >= Job().region.end)
        return std::nullopt;
    return kit.BlockBytes(id);
}

CWrenCodeplug* WrenCodeplugProgrammer::Wren(CCodeplug& codeplug) const {
    return dynamic_cast<CWrenCodeplug*>(&codeplug);
}

void WrenCodeplugProgrammer::Prepare() {
    if (!Job().rawCopies)
        return;
    // Both are read before either is written, as the radio expects.
    CKwipBroker& broker = Codeplug().Broker();
    std::array<std::vector<std::uint8_t>, kRawCopies.size()> bytes;
    for (std::size_t i = 0; i < kRawCopies.size(); ++i) {
        bytes[i].resize(kRawCopies[i].length);
        broker.ReadRequest(kRawCopies[i].from, bytes[i]);
    }
    for (std::size_t i = 0; i < kRawCopies.size(); ++i)
        broker.WriteRequest(kRawCopies[i].to, bytes[i]);
}

void WrenCodeplugProgrammer::Save(RadioSavedData& saved) {
    if (KeepsSerial(Job().mode)) {
        Guarded(kSerialReadLine, [&] {
            const std::vector<std::uint8_t> block = ReadBlock(kSerialBlock, kBlockBufferBytes);
            std::vector<std::uint8_t> serial(kSerialBytes);
            Codeplug().ReadCpField(serial, block, 0, 0, kSerialOffset);
            saved.Add({kSerialBlock, 0, 0, kSerialOffset, serial});
        });
    }
    if (KeepsTuning(Job().mode)) {
        Guarded(kTuningReadLine, [&] {
            const std::vector<std::uint8_t> block = ReadBlock(kTuningFieldsBlock, kBlockBufferBytes);
            for (const Field& field : kTuningFields) {
                std::vector<std::uint8_t> bytes(field.length);
                Codeplug().ReadCpField(bytes, block, 0, 0, field.offset);
                saved.Add({kTuningFieldsBlock, 0, 0, field.offset, bytes});
            }
            saved.Add({kTuningBlock, 0, 0, 0, ReadBlock(kTuningBlock, kTuningBlockBytes)});
        });
    }
}

void WrenCodeplugProgrammer::PutBack(const RadioSavedData& saved) {
    if (KeepsTuning(Job().mode)) {
        Guarded(kTuningRestoreLine, [&] {
            std::vector<std::uint8_t> block = ReadBlock(kTuningFieldsBlock, kBlockBufferBytes);
            for (const Field& field : kTuningFields)
                Codeplug().WriteCpField(Piece(saved, kTuningFieldsBlock, field.offset).bytes, block, 0, 0,
                                        field.offset);
            Codeplug().WriteCpBlock(block, kTuningFieldsBlock);
            // Exactly the saved block, with its own size, where the kit's may be longer.
            std::vector<std::uint8_t> tuning = Piece(saved, kTuningBlock, 0).bytes;
            if (CWrenCodeplug* wren = Wren(Codeplug()))
                wren->WriteSavedBlock(tuning, kTuningBlock);
            else
                Codeplug().WriteCpBlock(tuning, kTuningBlock);
        });
    }
    if (KeepsSerial(Job().mode)) {
        Guarded(kSerialRestoreLine, [&] {
            std::vector<std::uint8_t> block = ReadBlock(kSerialBlock, kBlockBufferBytes);
            Codeplug().WriteCpField(Piece(saved, kSerialBlock, kSerialOffset).bytes, block, 0, 0, kSerialOffset);
            Codeplug().WriteCpBlock(block, kSerialBlock);
        });
    }
}

std::vector<std::uint8_t> WrenCodeplugProgrammer::ReadBlock(std::uint16_t id, std::size_t bufferBytes) {
    std::vector<std::uint8_t> block(bufferBytes);
    const std::optional<std::size_t> length = Codeplug().ReadCpBlock(block, id);
    if (!length)
        throw CGenError(3, CCodeplug::kNoBlockText, id);
    block.resize(*length);
    return block;
}
