#pragma once

#include <ostream>

#include "cli/CommandGroup.h"
#include "cli/RadioLink.h"

// "radio info": the radio's identity and the status data that verification and support look at, each
// on a line of its own with its label and code.
class RadioCommands : public CommandGroup {
public:
    RadioCommands(RadioLink& link, std::ostream& out) : link_(link), out_(out) {}

    void Register(CLI::App& app, Command& chosen) override;

private:
    void Info();

    RadioLink& link_;
    std::ostream& out_;
};
