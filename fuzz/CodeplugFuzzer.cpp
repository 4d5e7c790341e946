// Any codeplug image, in any of the three layouts, raw or as S-record text: every block id the image
// names is read, its fields read and written in a block buffer and in the image, and the support report
// walks it all. Nothing may read or write outside the image or the caller's buffers.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "codeplug/CCodeplug.h"
#include "codeplug/CodeplugBackup.h"
#include "codeplug/CodeplugReport.h"
#include "codeplug/MakeCodeplug.h"
#include "codeplug/WrenPointerTable.h"
#include "errors/CError.h"
#include "files/SRecord.h"

namespace {

constexpr std::size_t kBlockBuffer = 0x10000;
constexpr std::size_t kFieldsPerImage = 16;

struct FieldRequest {
    std::uint32_t list;
    std::uint32_t entry;
    std::uint32_t offset;
    std::vector<std::uint8_t> bytes;
};

template <typename Action>
void Tolerate(Action action) {
    try {
        action();
    } catch (const CError&) {
        // Refusals are the point: they must come as errors, never as stray accesses.
    }
}

// The ids worth asking for: those the image's vector can name, the special ones, the layout's own.
std::vector<std::uint16_t> BlockIds(CCodeplug& codeplug) {
    std::vector<std::uint16_t> ids = {0x8000, 0x8001, 0x8002, 0x8003, 0x8004, 0x8005, 0xFFFF, 139, 48};
    for (const WrenPointerTable::Pointer& pointer : WrenPointerTable::All())
        ids.push_back(pointer.id);
    const std::optional<CodeplugPointers> pointers = codeplug.GetRdkPtrs();
    if (pointers && codeplug.FormatType() == CCodeplug::kAdkFormat) {
        const std::size_t length = codeplug.ImageData().size();
        const std::size_t named = pointers->vectorTable < length ? (length - pointers->vectorTable) / 2 : 0;
        const std::uint32_t count =
            std::min<std::uint32_t>(pointers->blockCount, static_cast<std::uint32_t>(named));
        for (std::uint32_t id = 0; id <= count && id <= 0x7FFF; ++id)
            ids.push_back(static_cast<std::uint16_t>(id));
    }
    return ids;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const int type = input.ConsumeIntegralInRange<int>(0, 3);
    const bool asText = input.ConsumeBool();
    const int mode = input.ConsumeIntegralInRange<int>(0, 1);
    const std::string code = input.ConsumeBytesAsString(2);
    FieldRequest field{input.ConsumeIntegralInRange<std::uint32_t>(0, 4),
                       input.ConsumeIntegralInRange<std::uint32_t>(0, 8),
                       input.ConsumeIntegralInRange<std::uint32_t>(0, 300),
                       input.ConsumeBytes<std::uint8_t>(input.ConsumeIntegralInRange<std::size_t>(1, 40))};
    const std::string image = input.ConsumeRemainingBytesAsString();

    std::unique_ptr<CCodeplug> codeplug = MakeCodeplug(type);
    codeplug->SetExternalCodeplug(image, code);
    codeplug->SetCpMode(mode);
    Tolerate([&] {
        if (asText) {
            SRecord reader;
            reader.AttachText(image);
            codeplug->ReadCpFile(reader);
        } else {
            codeplug->ReadCpImage({reinterpret_cast<const std::uint8_t*>(image.data()), image.size()});
        }
    });
    const std::size_t imageLength = codeplug->ImageData().size();

    std::vector<std::uint8_t> buffer(kBlockBuffer);
    std::size_t fields = 0;
    for (const std::uint16_t id : BlockIds(*codeplug)) {
        std::optional<std::size_t> length;
        Tolerate([&] { length = codeplug->ReadCpBlock(buffer, id); });
        if (length && *length > buffer.size())
            std::abort();
        if (!length || ++fields > kFieldsPerImage)
            continue;
        const std::span<std::uint8_t> block = std::span(buffer).first(*length);
        std::vector<std::uint8_t> out(field.bytes.size());
        Tolerate([&] { codeplug->ReadCpField(out, block, field.list, field.entry, field.offset); });
        Tolerate([&] { codeplug->WriteCpField(field.bytes, block, field.list, field.entry, field.offset); });
        Tolerate([&] { codeplug->WriteCpBlock(block, id); });
        Tolerate([&] { codeplug->ReadCpEntry(buffer, id, field.list, field.entry); });
        Tolerate([&] { codeplug->WriteCpField(field.bytes, id, field.list, field.entry, field.offset); });
        if (codeplug->ImageData().size() != imageLength)
            std::abort();
    }
    std::ostringstream report;
    Tolerate([&] { CodeplugReport(report).Print(*codeplug); });
    Tolerate([&] { BackupCodeplug(*codeplug); });
    return 0;
}
