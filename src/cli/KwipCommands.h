#pragma once

#include <ostream>
#include <string>

#include "cli/CommandGroup.h"
#include "cli/RadioLink.h"

// "kwip status|read|write|reset": one broker request each, for support on a live radio; what the reply
// carries is printed on the output.
class KwipCommands : public CommandGroup {
public:
    static constexpr unsigned kDefaultStatusSize = 525;  // the largest buffer any caller gives

    KwipCommands(RadioLink& link, std::ostream& out) : link_(link), out_(out) {}

    void Register(CLI::App& app, Command& chosen) override;

private:
    void Status();
    void Read();
    void Write();
    void Reset();

    RadioLink& link_;
    std::ostream& out_;
    std::string code_;
    std::string size_ = std::to_string(kDefaultStatusSize);
    std::string address_;
    std::string count_;
    std::string data_;
};
