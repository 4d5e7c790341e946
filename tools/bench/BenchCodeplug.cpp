#include "BenchCodeplug.h"

#include <stdexcept>
#include <string>

#include "CodeplugBuilder.h"

namespace {

using Region = CodeplugBuilder::Region;

constexpr std::uint16_t kTuningBlock = 0x8000;
constexpr std::uint16_t kIdentityBlock = 0;
constexpr std::uint16_t kChannelsBlock = 0x10;
constexpr std::uint16_t kPaddingBlock = 0x11;
constexpr std::uint32_t kEntryBytes = 96;  // tuning and identity, as the demo radios have them
constexpr std::uint32_t kChannelBytes = 32;

Bytes Entry(std::uint32_t bytes, std::uint8_t seed) {
    Bytes entry(bytes);
    for (std::uint32_t at = 0; at < bytes; ++at)
        entry[at] = static_cast<std::uint8_t>(at * 7 + seed);
    return entry;
}

std::vector<Bytes> Entries(std::size_t count, std::uint32_t bytes, std::uint8_t seed) {
    std::vector<Bytes> entries;
    for (std::size_t at = 0; at < count; ++at)
        entries.push_back(Entry(bytes, static_cast<std::uint8_t>(seed + at)));
    return entries;
}

// The channels in whole entries, then single bytes, up to `fillBytes` of entry data.
BuiltCodeplug Build(std::size_t fillBytes, std::uint8_t seed) {
    const std::size_t channels = fillBytes / kChannelBytes;
    CodeplugBuilder builder;
    builder.Block(kTuningBlock, Region::k1, BlockContent::Simple(kEntryBytes, {Entry(kEntryBytes, seed)}))
        .Block(kIdentityBlock, Region::k2, BlockContent::Simple(kEntryBytes, {Entry(kEntryBytes, seed + 1)}))
        .Block(kChannelsBlock, Region::k3,
               BlockContent::Simple(kChannelBytes, Entries(channels, kChannelBytes, seed)));
    if (const std::size_t rest = fillBytes % kChannelBytes; rest > 0)
        builder.Block(kPaddingBlock, Region::k3, BlockContent::Simple(1, Entries(rest, 1, seed)));
    return builder.Build();
}

}  // namespace

std::vector<std::uint8_t> BenchCodeplug(std::size_t bytes, std::uint8_t serialSeed) {
    // The headers, vector and checksums take what they take; the fill is sized to what is left.
    const std::size_t overhead = Build(0, serialSeed).bytes.size();
    if (overhead >= bytes)
        throw std::invalid_argument("a bench codeplug needs more than " + std::to_string(overhead) +
                                    " bytes");
    // The padding block brings its own header and checksum: a few tries below the first guess fit.
    constexpr std::size_t kTries = 64;
    for (std::size_t fill = bytes - overhead; fill > 0 && fill + kTries > bytes - overhead; --fill) {
        BuiltCodeplug codeplug = Build(fill, serialSeed);
        if (codeplug.bytes.size() == bytes)
            return std::move(codeplug.bytes);
    }
    throw std::logic_error("no bench codeplug comes out at the size asked for");
}
