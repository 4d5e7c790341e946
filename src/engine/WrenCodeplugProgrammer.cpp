#include "engine/WrenCodeplugProgrammer.h"

#include "codeplug/CCodeplug.h"
#include "errors/CGenError.h"
#include "kwip/CKwipBroker.h"

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
            // Exactly the saved bytes: a new block 0x10 of another size is refused, not padded.
            std::vector<std::uint8_t> tuning = Piece(saved, kTuningBlock, 0).bytes;
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
