#include "radio/RadioProfile.h"

#include <algorithm>
#include <stdexcept>
#include <string>

void RadioProfile::Check() const {
    if (std::find(kFlashSizes.begin(), kFlashSizes.end(), flashBytes) == kFlashSizes.end())
        throw std::invalid_argument("the flash is 128, 256 or 512 KiB, not " + std::to_string(flashBytes) +
                                    " bytes");
    if (firmware.size() > flashBytes)
        throw std::invalid_argument("the firmware image is larger than the flash");
    for (const auto& [code, text] : statuses) {
        if (text.size() > kMaxStatusBytes) {
            throw std::invalid_argument("status " + std::to_string(code) + " is longer than " +
                                        std::to_string(kMaxStatusBytes) + " bytes");
        }
    }
    if (releaseInFlash && (releaseInFlash->length > kMaxStatusBytes ||
                           releaseInFlash->offset + releaseInFlash->length > flashBytes))
        throw std::invalid_argument("the release text lies outside the flash");
    if (codeplug.size() > kMaxCodeplugBytes)
        throw std::invalid_argument("the codeplug reaches the flash window");
    if (bootstrapBaud == 0)
        throw std::invalid_argument("the bootstrap rate is 0");
    for (const KnownBootcode& bootcode : bootcodes) {
        if (bootcode.image.empty() || bootcode.flashBaud == 0)
            throw std::invalid_argument("a bootcode needs its bytes and a flash rate");
    }
    if (announcement.kind == LoaderAnnouncement::Kind::Break && announcement.breakNs == 0)
        throw std::invalid_argument("the loader's break lasts no time");
}
