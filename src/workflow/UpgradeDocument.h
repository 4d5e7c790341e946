#pragma once

#include <cstdint>
#include <filesystem>

// The operator settings the upgrade form reads before every radio operation: changes take effect at the
// next operation.
class UpgradeDocument {
public:
    virtual ~UpgradeDocument() = default;

    virtual unsigned PortNumber() const = 0;    // COM numbering, 1 = COM1
    virtual std::uint8_t EchoType() const = 0;  // 1 = the interface box echoes every byte
    // The kit's folder: patcher.dat and every kit image are found there.
    virtual const std::filesystem::path& WorkingDirectory() const = 0;
};
