#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// Checks every record of a firmware S-record text before anything of it is written, so that a damaged
// kit never leaves a half-written flash: each data record (S1, S2, S3) must be well formed with a
// correct checksum, fit one KWIP write, and lie, after the flash-window mapping, inside a flash of
// `flashBytes`. Header, count and end-address records are skipped; any other record (S4, a line that
// starts no record) is damage. The fault names the record at fault; none when the text is sound.
std::optional<std::string> FirmwareRecordFault(std::string_view text, std::size_t flashBytes);

// The same for the engine's PrepareUpgrade: a fault is logged and raised as CGenError 3 "Read firmware
// S-Record file failed".
void CheckFirmwareRecords(std::string_view text, std::size_t flashBytes);

// Reads whole, from `kitFolder`, every firmware file the size probe may choose and checks each as
// PrepareUpgrade would for the flash it is made for. The fault of the first that would be refused,
// naming the file; none when all are sound. Nothing is kept: the engine reads its file again.
std::optional<std::string> FirmwareFileFault(const std::filesystem::path& kitFolder, std::string_view kitKey);
