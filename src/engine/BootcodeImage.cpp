#include "engine/BootcodeImage.h"

#include "engine/CBootstrap.h"
#include "files/SRecord.h"

std::optional<std::vector<std::uint8_t>> BootcodeImage(std::string_view text) {
    std::vector<std::uint8_t> image(CBootstrap::kMaxImageBytes);
    std::size_t length = 0;
    SRecord reader;
    reader.AttachText(text);
    if (!reader.CheckFirstRecord() || !reader.ReadAllData(image, length))
        return std::nullopt;
    image.resize(length);
    return image;
}
