#include "engine/RadioSavedData.h"

#include <algorithm>

void RadioSavedData::Begin(int layout, int mode, const std::string& variantCode) {
    layout_ = layout;
    mode_ = mode;
    variantCode_ = variantCode;
    pieces_.clear();
    atRisk_ = false;
    backupFile_.clear();
    fromEarlierPress_ = false;
}

void RadioSavedData::Add(SavedPiece piece) { pieces_.push_back(std::move(piece)); }

const SavedPiece* RadioSavedData::Find(std::uint16_t block, std::uint32_t offset) const {
    const auto found = std::find_if(pieces_.begin(), pieces_.end(), [&](const SavedPiece& piece) {
        return piece.block == block && piece.offset == offset;
    });
    return found == pieces_.end() ? nullptr : &*found;
}
