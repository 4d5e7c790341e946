#pragma once

#include <map>
#include <string>

class ComPortMap;

// COM numbers mapped to other devices (a /dev/serial/by-id name, radiosim's pseudo-terminal). They belong
// to the bench, not to a kit: kept in the application's QSettings (INI format, organisation "Veltrane",
// application "Corvida", group "Port Overrides"), shared by the desktop app and corvida-cli.
class PortOverrides {
public:
    static constexpr const char* kApplication = "Corvida";
    static constexpr const char* kGroup = "Port Overrides";

    static std::map<unsigned, std::string> Stored();
    // Applies the stored overrides to `ports`.
    static void LoadInto(ComPortMap& ports);
    // An empty path removes the override. Storage failures are silent.
    static void Store(unsigned port, const std::string& path);
};
