#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "workflow/UpgradeDocument.h"

// The operator settings of one kit: the COM port and the echo type, kept in QSettings (INI format,
// organisation "Veltrane", application the kit's display name, values "Port ID" and "ZUB Echo Type"),
// and the kit folder, the working directory. Storage failures are silent: a value that cannot be read
// leaves the one before.
class CCorvidaDoc : public UpgradeDocument {
public:
    static constexpr const char* kOrganisation = "Veltrane";
    static constexpr const char* kPortKey = "Port ID";
    static constexpr const char* kEchoKey = "ZUB Echo Type";
    static constexpr std::size_t kMaxDisplayNameLength = 26;
    static constexpr int kDefaultPort = 1;
    static constexpr int kDefaultEcho = 1;

    // Takes the kit folder and loads the settings; on a first run stores port 1 and echo 1.
    explicit CCorvidaDoc(std::filesystem::path kitFolder);

    // The kit folder's name, cut to kMaxDisplayNameLength characters: the settings' application name.
    static std::string KitDisplayName(const std::filesystem::path& kitFolder);

    unsigned PortNumber() const override { return static_cast<unsigned>(port_); }
    std::uint8_t EchoType() const override { return static_cast<std::uint8_t>(echo_); }
    const std::filesystem::path& WorkingDirectory() const override { return folder_; }

    void SetPort(int port) { port_ = port; }
    void SetEcho(int echo) { echo_ = echo; }
    // Writes the port and echo type back (at program exit).
    void Close() const;

private:
    void Load();

    std::filesystem::path folder_;
    std::string displayName_;
    int port_ = kDefaultPort;
    int echo_ = kDefaultEcho;
};
