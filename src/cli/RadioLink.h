#pragma once

#include <CLI/CLI.hpp>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/OpenFailureHint.h"
#include "kwip/CKwipBroker.h"
#include "platform/ComPortMap.h"

// The line to the radio that commands share: --port N (COM numbering) or --device PATH, and --echo for
// the ZUB interface box that echoes every byte. When the command line names neither, CORVIDA_DEVICE or
// CORVIDA_PORT in the environment stands for it. The broker is opened on first use and closed by Close.
// Only `program` takes several lines (a lane each); every other use raises for more than one.
class RadioLink {
public:
    // The COM number a --device path is given, one that no conventional device has.
    static constexpr unsigned kDevicePort = 256;
    static constexpr const char* kDeviceVariable = "CORVIDA_DEVICE";
    static constexpr const char* kPortVariable = "CORVIDA_PORT";

    // The COM numbering of the platform whose serial port the broker borrows.
    explicit RadioLink(ComPortMap& ports) : ports_(ports) {}
    ~RadioLink() { Close(); }
    RadioLink(const RadioLink&) = delete;
    RadioLink& operator=(const RadioLink&) = delete;

    void AddOptions(CLI::App& app);

    // The COM number and echo flag the line names, for users that open the port through a broker of their
    // own. Raises CLI::RequiredError when the line names no port or device, and CLI::ValidationError
    // when the environment that stands for it names both or a port that cannot be.
    unsigned Port();
    std::uint8_t Echo() const { return echo_ ? 1 : 0; }

    // The broker with its port open. Raises CLI::RequiredError when the line names no port or device,
    // and CGenError 3 "Unable to open communication port" when the port cannot be opened.
    CKwipBroker& Broker();
    void Close();

    // The lines the command line names, as given: device paths, or "COMn" for ports; none when it names
    // none (the environment is not read).
    std::vector<std::string> Lines() const;
    // The lines as command-line arguments: {"--device", PATH} or {"--port", N} for each.
    std::vector<std::vector<std::string>> LineArguments() const;

    // The port and device named, once Port() has taken them; nothing before.
    std::optional<OpenFailureHint::Target> Target() const;
    // The ports the machine offers, as the port list has them.
    std::vector<ComPortInfo> PresentPorts() const;

private:
    void TakeEnvironment();

    ComPortMap& ports_;
    std::vector<std::string> portsGiven_;
    std::vector<std::string> devicesGiven_;
    std::string port_;
    std::string device_;
    bool echo_ = false;
    std::unique_ptr<CKwipBroker> broker_;
};
