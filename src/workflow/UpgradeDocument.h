#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

// The operator settings the upgrade form reads before every radio operation: changes take effect at the
// next operation.
class UpgradeDocument {
public:
    virtual ~UpgradeDocument() = default;

    virtual unsigned PortNumber() const = 0;    // COM numbering, 1 = COM1
    virtual std::uint8_t EchoType() const = 0;  // 1 = the interface box echoes every byte
    // The port as the upgrade record names it.
    virtual std::string PortName() const { return "COM" + std::to_string(PortNumber()); }
    // Where the operator changes the echo type, for a hint when it seems wrong.
    virtual std::string EchoSettingName() const { return "ZUB Setting"; }
    // How long the bootcode download listens for the radio's loader, in milliseconds, when nobody is
    // there to put the radio in bootstrap mode before answering the instructions; 0 by default.
    virtual unsigned BootstrapWaitMs() const { return 0; }
    // The kit's folder: patcher.dat and every kit image are found there.
    virtual const std::filesystem::path& WorkingDirectory() const = 0;
};
