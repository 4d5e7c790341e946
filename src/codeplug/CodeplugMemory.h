#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "codeplug/CodeplugImage.h"

// Where a codeplug's bytes are: the file image, or the radio, reached through the KWIP broker in
// requests of at most kChunkBytes data bytes.
class CodeplugMemory {
public:
    enum class Source { kRadio = 0, kImage = 1 };
    static constexpr std::size_t kChunkBytes = 32;

    // Logs the failing operation's line for the chunk at `address`.
    using FailureLine = void (*)(unsigned address);

    Source GetSource() const { return source_; }
    void SetSource(Source source) { source_ = source; }
    CodeplugImage& Image() { return image_; }
    const CodeplugImage& Image() const { return image_; }

    // Transfers through the source and passes its failure on unchanged: CGenError 3 "Access out of
    // codeplug" beyond the image, the broker's error from the radio.
    void Fetch(std::uint64_t address, std::span<std::uint8_t> destination);
    void Store(std::uint64_t address, std::span<const std::uint8_t> source);

    // As Fetch and Store, but a radio failure is logged (its text, then `line` with the failing chunk's
    // address) and raised as CGenError 3 `text`.
    void Read(std::uint64_t address, std::span<std::uint8_t> destination, FailureLine line, const char* text);
    void Write(std::uint64_t address, std::span<const std::uint8_t> source, FailureLine line, const char* text);

    // For probes: false after logging the failure's text.
    bool TryFetch(std::uint64_t address, std::span<std::uint8_t> destination);

private:
    void RadioRead(std::uint64_t address, std::span<std::uint8_t> destination, std::uint64_t& chunk);
    void RadioWrite(std::uint64_t address, std::span<const std::uint8_t> source, std::uint64_t& chunk);

    Source source_ = Source::kRadio;
    CodeplugImage image_;
};
