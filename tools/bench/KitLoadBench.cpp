#include "KitLoadBench.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "SRecordWriter.h"
#include "files/BlowfishCipher.h"
#include "files/KitFile.h"
#include "files/SRecord.h"

namespace {

constexpr std::size_t kFirmwareBytes = 512 * 1024;
constexpr unsigned kRecordBytes = 32;
constexpr const char* kKitKey = "bench-kit-key";

std::filesystem::path WriteFirmwareFile(const std::filesystem::path& folder) {
    std::vector<std::uint8_t> image(kFirmwareBytes);
    for (std::size_t at = 0; at < image.size(); ++at)
        image[at] = static_cast<std::uint8_t>(at * 13 + 1);
    std::string text = WriteSRecords(image, SRecordLayout{0, kRecordBytes, 2});
    text.resize((text.size() + 7) / 8 * 8, '\0');
    BlowfishCipher(kKitKey).EncryptBuffer(
        std::span(reinterpret_cast<std::uint8_t*>(text.data()), text.size()));
    const std::filesystem::path file = folder / "fw_512k";
    std::ofstream(file, std::ios::binary) << text;
    return file;
}

// What the engine does with the chosen file before the first write: decipher it, check its first
// record, count the records, then read them all.
void LoadKit(benchmark::State& state, const std::filesystem::path& file) {
    for (auto _ : state) {
        KitFileResult kit = ReadKitFile(file, kKitKey, KitFileKind::kFirmware);
        if (!kit.Ok()) {
            state.SkipWithError("the firmware file could not be read");
            return;
        }
        std::string text(kit.Text());
        SRecord reader;
        reader.AttachString(text);
        benchmark::DoNotOptimize(reader.CheckFirstRecord());
        benchmark::DoNotOptimize(reader.CountRecords());
        SRecordData record;
        std::uint64_t bytes = 0;
        while (reader.ReadNextRecord(record))
            bytes += record.length;
        if (bytes != kFirmwareBytes) {
            state.SkipWithError("the firmware file did not read back whole");
            return;
        }
    }
}

}  // namespace

void RegisterKitLoadBench(const std::filesystem::path& workFolder) {
    const std::filesystem::path file = WriteFirmwareFile(workFolder);
    benchmark::RegisterBenchmark("kit load: decipher and read a 512 KiB firmware file",
                                 [file](benchmark::State& state) { LoadKit(state, file); })
        ->Unit(benchmark::kMillisecond);
}
