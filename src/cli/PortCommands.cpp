#include "cli/PortCommands.h"

#include "app/PortOverrides.h"
#include "cli/CliArgument.h"
#include "cli/DeviceCheck.h"
#include "errors/ByteText.h"
#include "errors/TextFormat.h"

void PortCommands::Register(CLI::App& app, Command& chosen) {
    CLI::App* ports = app.add_subcommand("ports", "List the COM ports and the stored port overrides");
    ports->add_option("--map", map_, "Store an override: COM number N stands for the device PATH")
        ->type_name("N PATH")
        ->expected(2);
    ports->add_flag("--force", force_,
                    "With --map: store the override even when PATH is not a serial device (yet)");
    ports->add_option("--unmap", unmap_, "Remove the stored override of COM number N")
        ->type_name("N")
        ->check(CLI::Range(1u, CliArgument::kMaxPort));
    OnChosen(ports, chosen, [this] { List(); });
}

void PortCommands::List() {
    if (!map_.empty()) {
        const std::optional<unsigned> port = CliArgument::Number(map_[0]);
        if (!port || *port < 1 || *port > CliArgument::kMaxPort)
            throw CLI::ValidationError("--map", "N must be a COM number from 1 to 255");
        const std::string path = CliArgument::AbsolutePath(map_[1]);
        // A mistyped path would otherwise stand for the port until someone wonders why it never opens.
        if (!force_ && !DeviceCheck().Examine(path).terminal) {
            throw CLI::ValidationError(
                "--map", "PATH is not a serial device or pseudo-terminal; --force stores it anyway");
        }
        PortOverrides::Store(*port, path);
    }
    if (unmap_ != 0) {
        PortOverrides::Store(unmap_, "");
        ports_.RemoveOverride(unmap_);
    }
    PortOverrides::LoadInto(ports_);

    const std::vector<ComPortInfo> present = ports_.ListPorts();
    if (present.empty())
        out_ << "No COM port present\n";
    for (const ComPortInfo& port : present) {
        out_ << FormatText("COM%-4u %s", port.number, port.path.c_str());
        if (!port.description.empty())
            out_ << "  (" << ByteText::Escaped(port.description) << ')';  // the adapter's own words
        out_ << '\n';
    }
    const std::map<unsigned, std::string> overrides = PortOverrides::Stored();
    out_ << (overrides.empty() ? "No port overrides\n" : "Port overrides:\n");
    for (const auto& [number, path] : overrides)
        out_ << FormatText("  COM%-4u -> %s", number, path.c_str()) << '\n';
}
