#include "codeplug/CodeplugMemory.h"

#include <algorithm>

#include "errors/CErrorLog.h"
#include "errors/CGenError.h"

void CodeplugMemory::Fetch(std::uint64_t address, std::span<std::uint8_t> destination) {
    std::uint64_t chunk = address;
    if (source_ == Source::kImage)
        image_.Read(address, destination);
    else
        RadioRead(address, destination, chunk);
}

void CodeplugMemory::Store(std::uint64_t address, std::span<const std::uint8_t> source) {
    std::uint64_t chunk = address;
    if (source_ == Source::kImage)
        image_.Write(address, source);
    else
        RadioWrite(address, source, chunk);
}

template <typename Transfer>
void CodeplugMemory::Guarded(FailureLine line, const char* text, Transfer transfer) {
    std::uint64_t chunk = 0;
    try {
        transfer(chunk);
    } catch (const CError& error) {
        ErrorLog().Log("%s", error.GetText());
        line(static_cast<unsigned>(chunk));
        throw CGenError(3, "%s", text);
    }
}

void CodeplugMemory::Read(std::uint64_t address, std::span<std::uint8_t> destination, FailureLine line,
                          const char* text) {
    if (source_ == Source::kImage)
        image_.Read(address, destination);
    else
        Guarded(line, text, [&](std::uint64_t& chunk) { RadioRead(address, destination, chunk); });
}

void CodeplugMemory::Write(std::uint64_t address, std::span<const std::uint8_t> source, FailureLine line,
                           const char* text) {
    if (source_ == Source::kImage)
        image_.Write(address, source);
    else
        Guarded(line, text, [&](std::uint64_t& chunk) { RadioWrite(address, source, chunk); });
}

bool CodeplugMemory::TryFetch(std::uint64_t address, std::span<std::uint8_t> destination) {
    try {
        Fetch(address, destination);
        return true;
    } catch (const CError& error) {
        ErrorLog().Log("%s", error.GetText());
        return false;
    }
}

void CodeplugMemory::CheckRadioAddress(std::uint64_t address, std::size_t count) {
    // The radio's addresses are 24-bit: a transfer past them would wrap to the start of its memory.
    if (address + count > kRadioAddressLimit)
        throw CGenError(3, "%s", CodeplugImage::kOutOfImage);
}

void CodeplugMemory::RadioRead(std::uint64_t address, std::span<std::uint8_t> destination,
                               std::uint64_t& chunk) {
    CheckRadioAddress(address, destination.size());
    for (std::size_t offset = 0; offset < destination.size(); offset += kChunkBytes) {
        chunk = address + offset;
        broker_.ReadRequest(static_cast<unsigned>(chunk),
                            destination.subspan(offset, std::min(kChunkBytes, destination.size() - offset)));
    }
}

void CodeplugMemory::RadioWrite(std::uint64_t address, std::span<const std::uint8_t> source,
                                std::uint64_t& chunk) {
    CheckRadioAddress(address, source.size());
    for (std::size_t offset = 0; offset < source.size(); offset += kChunkBytes) {
        chunk = address + offset;
        broker_.WriteRequest(static_cast<unsigned>(chunk),
                             source.subspan(offset, std::min(kChunkBytes, source.size() - offset)));
    }
}
