#include "cli/RadioLink.h"

#include <cstdlib>

#include "cli/CliArgument.h"

namespace {

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

}  // namespace

void RadioLink::AddOptions(CLI::App& app) {
    CLI::Option* port =
        app.add_option("--port", portsGiven_,
                       "COM port number of the radio's line (COM1 is /dev/ttyS0); program takes several, "
                       "one radio on each")
            ->type_name("N")
            ->expected(1)
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
            ->check(CliArgument::NumberIn(1, CliArgument::kMaxPort));
    CLI::Option* device =
        app.add_option("--device", devicesGiven_,
                       "Device path of the radio's line, in place of --port; program takes several")
            ->type_name("PATH")
            ->expected(1)
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    port->excludes(device);
    app.add_flag("--echo", echo_, "The line runs through the ZUB interface box, which echoes every byte");
}

unsigned RadioLink::Port() {
    if (portsGiven_.size() + devicesGiven_.size() > 1)
        throw CLI::ValidationError(devicesGiven_.empty() ? "--port" : "--device",
                                   "only program takes several lines to radios");
    TakeEnvironment();
    if (port_.empty() && device_.empty()) {
        throw CLI::RequiredError("A line to the radio (--port N or --device PATH)");
    }
    if (device_.empty())
        return CliArgument::Number(port_).value_or(0);
    ports_.SetOverride(kDevicePort, CliArgument::AbsolutePath(device_));
    return kDevicePort;
}

CKwipBroker& RadioLink::Broker() {
    if (broker_)
        return *broker_;
    const unsigned port = Port();
    auto broker = std::make_unique<CKwipBroker>();
    broker->Comm().Open(port, Echo());
    broker->PortOpen = true;
    broker_ = std::move(broker);
    return *broker_;
}

void RadioLink::Close() {
    if (!broker_)
        return;
    broker_->Comm().Close();
    broker_->PortOpen = false;
    broker_.reset();
}

std::vector<std::string> RadioLink::Lines() const {
    std::vector<std::string> lines = devicesGiven_;
    for (const std::string& port : portsGiven_)
        lines.push_back("COM" + std::to_string(CliArgument::Number(port).value_or(0)));
    return lines;
}

std::vector<std::vector<std::string>> RadioLink::LineArguments() const {
    std::vector<std::vector<std::string>> lines;
    for (const std::string& device : devicesGiven_)
        lines.push_back({"--device", device});
    for (const std::string& port : portsGiven_)
        lines.push_back({"--port", port});
    return lines;
}

void RadioLink::TakeEnvironment() {
    if (!portsGiven_.empty())
        port_ = portsGiven_.front();
    if (!devicesGiven_.empty())
        device_ = devicesGiven_.front();
    if (!port_.empty() || !device_.empty())
        return;
    const std::string device = Variable(kDeviceVariable);
    const std::string port = Variable(kPortVariable);
    if (!device.empty() && !port.empty()) {
        throw CLI::ValidationError(std::string(kPortVariable) + " and " + kDeviceVariable,
                                   "both are set; name one line to the radio");
    }
    if (!port.empty()) {
        std::string text = port;
        const std::string problem = CliArgument::NumberIn(1, CliArgument::kMaxPort)(text);
        if (!problem.empty())
            throw CLI::ValidationError(kPortVariable, problem);
    }
    device_ = device;
    port_ = port;
}

std::optional<OpenFailureHint::Target> RadioLink::Target() const {
    if (!device_.empty())
        return OpenFailureHint::Target{0, device_};
    const std::optional<unsigned> port = CliArgument::Number(port_);
    if (!port)
        return std::nullopt;
    return OpenFailureHint::Target{*port, ports_.PathFor(*port)};
}

std::vector<ComPortInfo> RadioLink::PresentPorts() const {
    std::vector<ComPortInfo> ports = ports_.ListPorts();
    std::erase_if(ports, [](const ComPortInfo& port) { return port.number == kDevicePort; });
    return ports;
}
