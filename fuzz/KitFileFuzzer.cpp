// Any file content and key given to ReadKitFile: a failure hands nothing on, a success ends its text
// inside the buffer with the slack still zero.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "files/KitFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::size_t keyLength = std::min<std::size_t>(data[0] % 100, size - 1);
    const std::string key(reinterpret_cast<const char*>(data + 1), keyLength);
    const std::size_t contentStart = 1 + keyLength;

    static const std::string path = "/tmp/corvida-kitfile-fuzz-" + std::to_string(getpid());
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        std::abort();
    std::fwrite(data + contentStart, 1, size - contentStart, file);
    std::fclose(file);

    const KitFileResult result = ReadKitFile(path, key, KitFileKind::kFirmware);
    if (result.Ok()) {
        if (result.fileSize == 0 || result.fileSize % 8 != 0)
            std::abort();
        if (result.buffer.size() != result.fileSize + KitFileResult::kSlackBytes)
            std::abort();
        if (result.Text().size() > result.fileSize)
            std::abort();
        for (std::size_t i = result.fileSize; i < result.buffer.size(); ++i) {
            if (result.buffer[i] != '\0')
                std::abort();
        }
    } else if (!result.buffer.empty() || result.fileSize != 0) {
        std::abort();
    }
    return 0;
}
