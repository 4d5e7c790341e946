#pragma once

#include <filesystem>

// Registers the Google Benchmark of loading a kit's 512 KiB firmware file: deciphering it and reading
// its S-records, as the engine does before it programs. The file is made in `workFolder`.
void RegisterKitLoadBench(const std::filesystem::path& workFolder);
