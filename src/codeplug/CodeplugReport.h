#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <string>

#include "codeplug/CCodeplug.h"

// A support report of a codeplug loaded as a file image: its pointers with the region checksums, and
// per block its id, address, header fields, size and whether its checksums hold. The standard layout
// never computes a checksum, only keeps sums; its areas are reported as holding when their bytes sum
// to kAreaSum, the convention of the images our tools build. The variants' own rules are checked as
// their block writes compute them.
class CodeplugReport {
public:
    static constexpr std::uint8_t kAreaSum = 0x00;
    static constexpr std::uint8_t kKdsBlockSum = 0x5A;

    explicit CodeplugReport(std::ostream& out) : out_(out) {}

    // Returns whether every checksum that the report checked holds.
    bool Print(CCodeplug& codeplug);

private:
    struct Tally {
        int checked = 0;
        int holding = 0;
        void Add(bool holds) {
            ++checked;
            holding += holds ? 1 : 0;
        }
        std::string Text(const char* what) const;
    };

    void PrintPointers(const CCodeplug& codeplug);
    void PrintRegion(const char* name, std::uint64_t start, std::uint64_t end,
                     std::optional<std::uint64_t> checksum);
    void PrintStandardBlocks(CCodeplug& codeplug);
    void PrintStandardBlock(CCodeplug& codeplug, std::uint16_t id);
    std::string StandardChecksums(CCodeplug& codeplug);
    void PrintWrenBlocks(CCodeplug& codeplug);
    void PrintKdsBlocks(CCodeplug& codeplug);
    // The byte sum of [start, end) of the image; none when it runs past the image.
    std::optional<std::uint8_t> Sum(std::uint64_t start, std::uint64_t end) const;
    bool Holds(std::uint64_t start, std::uint64_t end) const;

    std::ostream& out_;
    std::span<const std::uint8_t> image_;
    bool allHold_ = true;
};
