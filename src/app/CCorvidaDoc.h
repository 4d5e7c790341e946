#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>

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
    std::string PortName() const override;
    std::string EchoSettingName() const override { return echoSettingName_; }
    unsigned BootstrapWaitMs() const override { return bootstrapWaitMs_; }

    void SetPort(int port) { port_ = port; }
    // A device named by its path is recorded by it, not by the COM number that stands for it.
    void SetDevicePath(std::string path) { devicePath_ = std::move(path); }
    void SetEcho(int echo) { echo_ = echo; }
    // corvida-cli names its command-line options here in place of the desktop's dialog.
    void SetEchoSettingName(std::string name) { echoSettingName_ = std::move(name); }
    // corvida-cli --yes: the engine listens this long for the loader after the instructions.
    void SetBootstrapWaitMs(unsigned milliseconds) { bootstrapWaitMs_ = milliseconds; }
    // Writes the port and echo type back (at program exit).
    void Close() const;

private:
    void Load();

    std::filesystem::path folder_;
    std::string displayName_;
    int port_ = kDefaultPort;
    int echo_ = kDefaultEcho;
    std::string devicePath_;
    std::string echoSettingName_ = "ZUB Setting";
    unsigned bootstrapWaitMs_ = 0;
};
