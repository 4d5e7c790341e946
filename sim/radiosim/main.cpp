#include <CLI/CLI.hpp>
#include <csignal>
#include <exception>
#include <iostream>
#include <string>
#include <thread>

#include "radio/RadioProfileReader.h"
#include "radiosim/RadioSim.h"

namespace {

RadioSim* running = nullptr;

extern "C" void StopOnSignal(int) {
    if (running)
        running->Stop();
}

// The operator's commands, a line each; at the end of the input radiosim goes on.
void ReadCommands(RadioSim& sim) {
    std::thread([&sim] {
        for (std::string line; std::getline(std::cin, line);)
            sim.Command(line);
    }).detach();
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app(
        "A simulated radio on a pseudo-terminal: prints the terminal's path, then answers the program "
        "that opens it as the radio of the profile would.",
        "radiosim");
    std::string profilePath;
    std::vector<std::string> folders;
    std::string bootstrap = "manual";
    RadioSim::Options options;
    app.add_option("--profile", profilePath, "The radio's profile")->required()->check(CLI::ExistingFile);
    app.add_option("--files", folders, "Another folder where the profile's files are looked for")
        ->check(CLI::ExistingDirectory);
    app.add_option("--link", options.link, "Make a symbolic link to the terminal at this path");
    app.add_flag("--echo", options.echo, "Echo every byte the program sends, as the ZUB interface box does");
    app.add_option("--bootstrap", bootstrap,
                   "auto: bootstrap mode when the program opens the port at the bootstrap rate while the radio "
                   "runs its firmware or bootcode or lies dead; manual: on the command "
                   "'bootstrap' on standard input")
        ->check(CLI::IsMember({"auto", "manual"}));
    app.add_option("--state", options.state,
                   "Keep the radio's memory in this file: read at the start when it exists, and written "
                   "after every change, so that radiosim, even killed, starts again as the same radio");
    app.add_flag("-v,--verbose", options.verbose, "Print each request the radio receives, on one line");
    CLI11_PARSE(app, argc, argv);
    options.autoBootstrap = bootstrap == "auto";

    try {
        std::vector<std::filesystem::path> searchFolders(folders.begin(), folders.end());
        RadioSim sim(RadioProfileReader(searchFolders).Read(profilePath), options, std::cout);
        std::cout << sim.SlavePath() << std::endl;
        running = &sim;
        std::signal(SIGINT, StopOnSignal);
        std::signal(SIGTERM, StopOnSignal);
        ReadCommands(sim);
        sim.Run();
        running = nullptr;
    } catch (const std::exception& error) {
        std::cerr << "radiosim: " << error.what() << std::endl;
        return 1;
    }
    return 0;
}
