#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/RadioIdentity.h"

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
// back instead of saving the radio's (now generic) values again. The backup file keeps them across
// presses: one whose data are at risk is the radio's ledger entry that a later press takes up.
class RadioSavedData {
public:
    // Forgets the saved pieces and their backup file and starts a save for this layout, mode and variant
    // code.
    void Begin(int layout, int mode, const std::string& variantCode);
    void Add(SavedPiece piece);

    // The piece saved from `block` at `offset`, or null.
    const SavedPiece* Find(std::uint16_t block, std::uint32_t offset) const;

    // The chunk write is about to overwrite the radio's own data.
    void MarkAtRisk() { atRisk_ = true; }
    // The radio holds its own data again.
    void Restored() { atRisk_ = false; }
    bool AtRisk() const { return atRisk_; }
    // Whether data at risk were saved under this layout and mode.
    bool AtRiskFor(int layout, int mode) const { return atRisk_ && layout_ == layout && mode_ == mode; }

    int Layout() const { return layout_; }
    int Mode() const { return mode_; }
    const std::string& VariantCode() const { return variantCode_; }
    const std::vector<SavedPiece>& Pieces() const { return pieces_; }

    // The radio the data belong to (as the verification read it); the owner sets it, Begin keeps it.
    void SetRadio(const RadioIdentity& radio) { radio_ = radio; }
    const RadioIdentity& Radio() const { return radio_; }

    // The backup file that holds these data, once written or when they were read from one.
    void SetBackupFile(const std::filesystem::path& file) { backupFile_ = file; }
    const std::filesystem::path& BackupFile() const { return backupFile_; }
    // The data came from the backup of an earlier press whose data never went back into the radio.
    void SetFromEarlierPress() { fromEarlierPress_ = true; }
    bool FromEarlierPress() const { return fromEarlierPress_; }

private:
    int layout_ = 0;
    int mode_ = 0;
    std::string variantCode_;
    std::vector<SavedPiece> pieces_;
    bool atRisk_ = false;
    RadioIdentity radio_;
    std::filesystem::path backupFile_;
    bool fromEarlierPress_ = false;
};
