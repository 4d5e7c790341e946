#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// The radio's flash ROM. An erase sets every cell to 0xFF; after that each cell takes one write until the
// next erase, and a write that would touch a cell already written, or run past the end, changes nothing.
class SimFlash {
public:
    static constexpr std::uint8_t kErasedByte = 0xFF;

    // A flash of `bytes` holding the radio's present firmware: `firmware` from offset 0, zeros after it,
    // every cell written, so that nothing can be programmed before an erase.
    SimFlash(std::size_t bytes, std::span<const std::uint8_t> firmware);

    std::size_t Size() const { return bytes_.size(); }
    std::span<const std::uint8_t> Bytes() const { return bytes_; }
    bool IsWritten(std::size_t offset) const { return written_.at(offset); }
    const std::vector<bool>& Written() const { return written_; }

    void Erase();
    // False, with nothing written, when the bytes do not all fit or a cell among them is not erased.
    bool Program(std::size_t offset, std::span<const std::uint8_t> data);
    // The cells and which of them are written, as Bytes and Written gave them; false, with nothing
    // changed, when they are not of this flash's size.
    bool Restore(std::vector<std::uint8_t> bytes, std::vector<bool> written);

private:
    std::vector<std::uint8_t> bytes_;
    std::vector<bool> written_;
};
