#include "radio/RadioMemory.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "FirmwareTrailer.h"

RadioMemory::RadioMemory(const RadioProfile& profile)
    : statuses_(profile.statuses),
      codeplug_(profile.codeplug),
      flash_(profile.flashBytes, profile.firmware),
      releaseInFlash_(profile.releaseInFlash),
      checkValue_(profile.firmwareCheckValue) {}

RadioMemory::Saved RadioMemory::Save() const {
    return {codeplug_, std::vector<std::uint8_t>(flash_.Bytes().begin(), flash_.Bytes().end()),
            flash_.Written(), reprogrammed_};
}

void RadioMemory::Restore(Saved saved) {
    if (saved.codeplug.size() != codeplug_.size())
        throw std::invalid_argument("its codeplug memory is not the size of this radio's");
    if (!flash_.Restore(std::move(saved.flash), std::move(saved.flashWritten)))
        throw std::invalid_argument("its flash is not the size of this radio's");
    codeplug_ = std::move(saved.codeplug);
    reprogrammed_ = saved.reprogrammed;
    ++revision_;
}

std::optional<std::span<const std::uint8_t>> RadioMemory::Status(std::uint8_t code) const {
    const auto found = statuses_.find(code);
    if (found == statuses_.end())
        return std::nullopt;
    return std::span<const std::uint8_t>(found->second);
}

bool RadioMemory::HoldsCodeplug(unsigned address, std::size_t count) const {
    return address <= codeplug_.size() && count <= codeplug_.size() - address;
}

std::optional<std::vector<std::uint8_t>> RadioMemory::ReadCodeplug(unsigned address,
                                                                   std::size_t count) const {
    if (!HoldsCodeplug(address, count))
        return std::nullopt;
    const auto first = codeplug_.begin() + address;
    return std::vector<std::uint8_t>(first, first + static_cast<std::ptrdiff_t>(count));
}

bool RadioMemory::WriteCodeplug(unsigned address, std::span<const std::uint8_t> data) {
    if (!HoldsCodeplug(address, data.size()))
        return false;
    std::copy(data.begin(), data.end(), codeplug_.begin() + address);
    ++revision_;
    return true;
}

bool RadioMemory::ProgramFlash(unsigned address, std::span<const std::uint8_t> data) {
    if (address < kFlashBase || !flash_.Program(address - kFlashBase, data))
        return false;
    ++revision_;
    return true;
}

void RadioMemory::EraseFlash() {
    flash_.Erase();
    reprogrammed_ = true;
    ++revision_;
}

bool RadioMemory::FirmwareIntact() const {
    for (std::size_t offset = 0; offset < kEntryBytes; ++offset) {
        if (!flash_.IsWritten(offset))
            return false;
    }
    return !checkValue_ || !reprogrammed_ || FirmwareTrailer::Holds(flash_.Bytes());
}

void RadioMemory::StartFirmware() {
    if (!reprogrammed_ || !releaseInFlash_)
        return;
    const auto first = flash_.Bytes().begin() + static_cast<std::ptrdiff_t>(releaseInFlash_->offset);
    statuses_[kReleaseStatus].assign(first, first + static_cast<std::ptrdiff_t>(releaseInFlash_->length));
}
