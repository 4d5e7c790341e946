#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

// A port the settings dialog and corvida-cli can offer.
struct ComPortInfo {
    unsigned number = 0;
    std::string path;
    // The adapter's maker and product where the system knows them, else empty.
    std::string description;

    bool operator==(const ComPortInfo&) const = default;
};

// COM port numbers and the devices behind them. By convention COM1-32 are /dev/ttyS0-31, COM33-64
// /dev/ttyUSB0-31 and COM65-96 /dev/ttyACM0-31; an override maps any number to any path (a
// /dev/serial/by-id name, radiosim's pseudo-terminal) and wins.
class ComPortMap {
public:
    // The system's folders unless a test gives its own.
    explicit ComPortMap(std::filesystem::path deviceDir = "/dev",
                        std::filesystem::path ttyClassDir = "/sys/class/tty");

    // The device of COM n; empty when there is none.
    std::string PathFor(unsigned port) const;
    void SetOverride(unsigned port, std::string path);
    void RemoveOverride(unsigned port);
    const std::map<unsigned, std::string>& Overrides() const { return overrides_; }

    // The ports worth offering, by number: overridden paths that exist and the conventional devices
    // that are present (a ttyS only where the kernel found a UART behind it). A device that an
    // override names is listed once, under the override.
    std::vector<ComPortInfo> ListPorts() const;

private:
    static std::optional<std::string> ConventionalName(unsigned port);
    bool IsPresent(const std::string& name, bool needsUart) const;
    std::string DescriptionOf(const std::filesystem::path& device) const;

    std::filesystem::path deviceDir_;
    std::filesystem::path ttyClassDir_;
    std::map<unsigned, std::string> overrides_;
};
