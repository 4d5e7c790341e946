#include "files/KitFile.h"

#include <algorithm>
#include <new>
#include <span>

#include "errors/CErrorLog.h"
#include "files/BlowfishCipher.h"
#include "files/RegularFile.h"

namespace {

KitFileResult Failed(KitFileFailure failure) {
    KitFileResult result;
    result.failure = failure;
    return result;
}

}  // namespace

std::uint64_t MaxKitFileBytes(KitFileKind kind) {
    switch (kind) {
        case KitFileKind::kConfig:
            return kMaxConfigFileBytes;
        case KitFileKind::kFirmware:
            return kMaxFirmwareFileBytes;
        case KitFileKind::kBootCode:
            return kMaxBootCodeFileBytes;
        case KitFileKind::kCodeplug:
            return kMaxCodeplugFileBytes;
    }
    return 0;
}

std::string_view KitFileResult::Text() const {
    if (buffer.empty())
        return {};
    const auto end = std::find(buffer.begin(), buffer.end(), '\0');
    return {buffer.data(), static_cast<std::size_t>(end - buffer.begin())};
}

KitFileResult ReadKitFile(const std::filesystem::path& name, std::string_view key, KitFileKind kind) {
    const RegularFile file(name);
    KitFileResult result = ReadKitFile(file, key, kind);
    if (result.failure == KitFileFailure::kTooLarge) {
        ErrorLog().Log("ReadKitFile: %s has %llu bytes, more than the %llu a file of its kind may have",
                       name.string().c_str(), static_cast<unsigned long long>(file.Size()),
                       static_cast<unsigned long long>(MaxKitFileBytes(kind)));
    }
    return result;
}

KitFileResult ReadKitFile(const RegularFile& file, std::string_view key, KitFileKind kind) {
    if (!file.IsOpen())
        return Failed(KitFileFailure::kOpen);
    const std::uint64_t size = file.Size();
    if (size > MaxKitFileBytes(kind))
        return Failed(KitFileFailure::kTooLarge);
    if (size == 0 || size % BlowfishCipher::kBlockSize != 0)
        return Failed(KitFileFailure::kCorrupt);
    KitFileResult result;
    result.fileSize = static_cast<std::size_t>(size);
    try {
        result.buffer.assign(result.fileSize + KitFileResult::kSlackBytes, '\0');
    } catch (const std::bad_alloc&) {
        return Failed(KitFileFailure::kAllocation);
    }
    if (!file.ReadFromStart(std::span(result.buffer.data(), result.fileSize)))
        return Failed(KitFileFailure::kCorrupt);
    const BlowfishCipher cipher(key);
    cipher.DecryptBuffer(std::span(reinterpret_cast<std::uint8_t*>(result.buffer.data()), result.fileSize));
    return result;
}
