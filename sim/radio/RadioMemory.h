#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <vector>

#include "radio/RadioProfile.h"
#include "radio/SimFlash.h"

// What the radio holds: its status texts, its codeplug memory (codeplug addresses from 0) and its flash
// ROM, which KWIP reaches in a window from kFlashBase. Accesses that do not lie wholly inside change
// nothing and report failure.
class RadioMemory {
public:
    static constexpr unsigned kFlashBase = 0x400000;
    static constexpr std::uint8_t kReleaseStatus = 3;
    // The firmware starts only when its first bytes, where the controller finds its entry, are written,
    // and, for a profile that says so, a reflashed flash ends in its check value (FirmwareTrailer).
    static constexpr std::size_t kEntryBytes = 4;

    // What the radio keeps while it has no power or cable: with the profile, it makes the same radio
    // again (radiosim's --state). The status texts come from the profile, and the release from the flash.
    struct Saved {
        std::vector<std::uint8_t> codeplug;
        std::vector<std::uint8_t> flash;
        std::vector<bool> flashWritten;
        bool reprogrammed = false;  // the flash was erased since the profile's firmware
    };

    explicit RadioMemory(const RadioProfile& profile);

    Saved Save() const;
    // Throws std::invalid_argument, with nothing changed, when the saved memory is not the size of this
    // radio's: the state of another radio.
    void Restore(Saved saved);
    // Counts the changes to what Save gives, so that a keeper can tell when to save again.
    std::uint64_t Revision() const { return revision_; }

    // The status text for a code, or nothing when the radio does not know the code.
    std::optional<std::span<const std::uint8_t>> Status(std::uint8_t code) const;
    std::span<const std::uint8_t> Codeplug() const { return codeplug_; }
    const SimFlash& Flash() const { return flash_; }

    std::optional<std::vector<std::uint8_t>> ReadCodeplug(unsigned address, std::size_t count) const;
    bool WriteCodeplug(unsigned address, std::span<const std::uint8_t> data);
    // `address` is in the flash window.
    bool ProgramFlash(unsigned address, std::span<const std::uint8_t> data);
    void EraseFlash();

    bool FirmwareIntact() const;
    // The firmware starts: once the flash has been reprogrammed, the release text is the one in the new
    // image, where the profile says it lies.
    void StartFirmware();

private:
    bool HoldsCodeplug(unsigned address, std::size_t count) const;

    std::map<std::uint8_t, std::vector<std::uint8_t>> statuses_;
    std::vector<std::uint8_t> codeplug_;
    SimFlash flash_;
    std::optional<ReleaseLocation> releaseInFlash_;
    bool checkValue_ = false;
    bool reprogrammed_ = false;
    std::uint64_t revision_ = 0;
};
