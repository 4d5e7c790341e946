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

CKwipBroker& RadioLink::Broker() {
    if (broker_) return *broker_;
    if (port_.empty() && device_.empty()) {
        throw CLI::RequiredError("A line to the radio (--port N or --device PATH)");
    }
    unsigned port = CliArgument::Number(port_).value_or(0);
    if (!device_.empty()) {
        port = kDevicePort;
        ports_.SetOverride(port, device_);
    }
    auto broker = std::make_unique<CKwipBroker>();
    broker->Comm().Open(port, echo_ ? 1 : 0);
    broker->PortOpen = true;
    broker_ = std::move(broker);
    return *broker_;
}

void RadioLink::Close() {
    if (!broker_) return;
    broker_->Comm().Close();
    broker_->PortOpen = false;
    broker_.reset();
}
