#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/CommandGroup.h"
#include "platform/ComPortMap.h"

// "ports": the COM numbers worth offering with their devices and adapters, and the bench's stored
// overrides; --map and --unmap change the overrides for both programs. --map takes only a serial device
// or pseudo-terminal unless --force is given.
class PortCommands : public CommandGroup {
public:
    PortCommands(ComPortMap& ports, std::ostream& out) : ports_(ports), out_(out) {}
    void Register(CLI::App& app, Command& chosen) override;

private:
    void List();

    ComPortMap& ports_;
    std::ostream& out_;
    std::vector<std::string> map_;
    unsigned unmap_ = 0;
    bool force_ = false;
};
