// Any deciphered configuration text: every query the program and kittool make must stop at the end
// of the data.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "KitConfig.h"
#include "files/FileManager.h"
#include "files/PatchSection.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const auto block = input.ConsumeIntegralInRange<std::size_t>(0, KitConfig::kBlockNames.size() - 1);
    const auto occurrence = input.ConsumeIntegralInRange<std::uint32_t>(0, 4);
    const auto line = input.ConsumeIntegralInRange<std::uint32_t>(0, 40);
    const auto field = input.ConsumeIntegralInRange<std::uint32_t>(0, 12);
    const auto section = input.ConsumeIntegralInRange<std::uint32_t>(0, 6);
    const std::string text = input.ConsumeRemainingBytesAsString();

    FileManager config;
    config.LoadText(text);
    config.ReadFirstLine();
    config.GetProductLine();
    config.CountBlocks(KitConfig::kBlockNames[block]);
    config.FindBlock(KitConfig::kBlockNames[block], occurrence);
    config.ReadLine(line);
    config.HasLine(line);
    config.TextLineNumber(line);
    const std::string decoded = config.ReadField(line, field, true);
    if (decoded.size() != config.ReadField(line, field).size())
        std::abort();
    config.ReadNumber(line, field);
    std::array<std::uint8_t, FileManager::kMaxByteStringLength> bytes{};
    const auto written = config.ReadBytes(line, field, bytes);
    if (written && *written > bytes.size())
        std::abort();
    LoadPatchSection(config, section);

    return 0;
}
