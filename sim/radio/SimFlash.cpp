#include "radio/SimFlash.h"

#include <algorithm>
#include <utility>

SimFlash::SimFlash(std::size_t bytes, std::span<const std::uint8_t> firmware)
    : bytes_(bytes, 0x00), written_(bytes, true) {
    std::copy_n(firmware.begin(), std::min(firmware.size(), bytes), bytes_.begin());
}

void SimFlash::Erase() {
    std::fill(bytes_.begin(), bytes_.end(), kErasedByte);
    std::fill(written_.begin(), written_.end(), false);
}

bool SimFlash::Program(std::size_t offset, std::span<const std::uint8_t> data) {
    if (offset > bytes_.size() || data.size() > bytes_.size() - offset)
        return false;
    const auto first = written_.begin() + static_cast<std::ptrdiff_t>(offset);
    if (std::any_of(first, first + static_cast<std::ptrdiff_t>(data.size()), [](bool w) { return w; }))
        return false;
    std::copy(data.begin(), data.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
    std::fill_n(first, data.size(), true);
    return true;
}

bool SimFlash::Restore(std::vector<std::uint8_t> bytes, std::vector<bool> written) {
    if (bytes.size() != bytes_.size() || written.size() != written_.size())
        return false;
    bytes_ = std::move(bytes);
    written_ = std::move(written);
    return true;
}
