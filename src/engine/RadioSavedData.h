#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One piece of a radio's own codeplug data: bytes of a block (or of one entry of one list of it) at a
// byte offset. A piece saved whole has offset 0 and the block's or entry's length.
struct SavedPiece {
    std::uint16_t block = 0;
    std::uint32_t list = 0;
    std::uint32_t entry = 0;
    std::uint32_t offset = 0;
    std::vector<std::uint8_t> bytes;

    bool operator==(const SavedPiece&) const = default;
};

// What codeplug programming saved of a radio before overwriting its codeplug: its tuning and serial
// data as pieces, with the layout (codeplug type) and codeplug mode they were saved under.
//
// It outlives the engine of one attempt: the program sequence keeps one for the whole Program press.
// Once the chunk write has begun the radio holds the kit's generic values, so from MarkAtRisk until
// Restored the pieces are the only copy of the radio's own data, and the next attempt must put them
// back instead of saving the radio's (now generic) values again.
class RadioSavedData {
public:
    // Forgets everything and starts a save for this layout, mode and variant code.
    void Begin(int layout, int mode, const std::string& variantCode);
    void Add(SavedPiece piece);

    // The piece saved from `block` at `offset`, or null.
    const SavedPiece* Find(std::uint16_t block, std::uint32_t offset) const;

    // The chunk write is about to overwrite the radio's own data.
    void MarkAtRisk() { atRisk_ = true; }
    // The radio holds its own data again: nothing is kept any more.
    void Restored();
    bool AtRisk() const { return atRisk_; }
    // Whether data at risk were saved under this layout and mode.
    bool AtRiskFor(int layout, int mode) const { return atRisk_ && layout_ == layout && mode_ == mode; }

    int Layout() const { return layout_; }
    int Mode() const { return mode_; }
    const std::string& VariantCode() const { return variantCode_; }
    const std::vector<SavedPiece>& Pieces() const { return pieces_; }

    // The radio's identity for backup file names (the serial number the verification read); the owner
    // sets it, empty when unknown.
    void SetRadioIdentity(const std::string& identity) { identity_ = identity; }
    const std::string& RadioIdentity() const { return identity_; }

private:
    int layout_ = 0;
    int mode_ = 0;
    std::string variantCode_;
    std::vector<SavedPiece> pieces_;
    bool atRisk_ = false;
    std::string identity_;
};
