#include "cli/RadioLink.h"

#include "cli/CliArgument.h"

void RadioLink::AddOptions(CLI::App& app) {
    CLI::Option* port =
        app.add_option("--port", port_, "COM port number of the radio's line (COM1 is /dev/ttyS0)")
            ->type_name("N")
            ->check(CliArgument::NumberIn(1, CliArgument::kMaxPort));
    CLI::Option* device =
        app.add_option("--device", device_, "Device path of the radio's line, in place of --port")
            ->type_name("PATH");
    port->excludes(device);
    app.add_flag("--echo", echo_, "The line runs through the ZUB interface box, which echoes every byte");
}

unsigned RadioLink::Port() {
    if (port_.empty() && device_.empty()) {
        throw CLI::RequiredError("A line to the radio (--port N or --device PATH)");
    }
    if (device_.empty())
        return CliArgument::Number(port_).value_or(0);
    ports_.SetOverride(kDevicePort, device_);
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
