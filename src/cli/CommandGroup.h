#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <utility>

// A family of corvida-cli commands ("radio", "kwip"; later the upgrade, port listing and codeplug
// backup). It adds its subcommands to the command line; the command the line names is run only after
// the whole line has been read, so every option is in place when it runs.
class CommandGroup {
public:
    using Command = std::function<void()>;

    virtual ~CommandGroup() = default;

    // Adds the group's commands under `app`; a command given on the line puts its action in `chosen`.
    virtual void Register(CLI::App& app, Command& chosen) = 0;

protected:
    static void OnChosen(CLI::App* command, Command& chosen, Command action) {
        command->callback([&chosen, action = std::move(action)] { chosen = action; });
    }
};
