#include "files/KitFile.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <span>

#include "files/BlowfishCipher.h"

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

KitFileResult Failed(KitFileFailure failure) {
    KitFileResult result;
    result.failure = failure;
    return result;
}

// The size of an open file, or -1 when it cannot be taken.
long FileSize(std::FILE* file) {
    if (std::fseek(file, 0, SEEK_END) != 0)
        return -1;
    const long size = std::ftell(file);
    if (std::fseek(file, 0, SEEK_SET) != 0)
        return -1;
    return size;
}

}  // namespace

std::string_view KitFileResult::Text() const {
    if (buffer.empty())
        return {};
    const auto end = std::find(buffer.begin(), buffer.end(), '\0');
    return {buffer.data(), static_cast<std::size_t>(end - buffer.begin())};
}

KitFileResult ReadKitFile(const std::filesystem::path& name, std::string_view key) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(name, error))
        return Failed(KitFileFailure::kOpen);
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(name.c_str(), "rb"));
    if (!file)
        return Failed(KitFileFailure::kOpen);
    return ReadKitFile(file.get(), key);
}

KitFileResult ReadKitFile(std::FILE* file, std::string_view key) {
    if (file == nullptr)
        return Failed(KitFileFailure::kOpen);
    const long size = FileSize(file);
    // Kit file sizes are 32-bit; anything larger is no kit file.
    if (size <= 0 || size % BlowfishCipher::kBlockSize != 0 ||
        static_cast<unsigned long>(size) > std::numeric_limits<std::uint32_t>::max()) {
        return Failed(KitFileFailure::kCorrupt);
    }
    KitFileResult result;
    result.fileSize = static_cast<std::size_t>(size);
    try {
        result.buffer.assign(result.fileSize + KitFileResult::kSlackBytes, '\0');
    } catch (const std::bad_alloc&) {
        return Failed(KitFileFailure::kAllocation);
    }
    if (std::fread(result.buffer.data(), 1, result.fileSize, file) != result.fileSize) {
        return Failed(KitFileFailure::kCorrupt);
    }
    const BlowfishCipher cipher(key);
    cipher.DecryptBuffer(std::span(reinterpret_cast<std::uint8_t*>(result.buffer.data()), result.fileSize));
    return result;
}
