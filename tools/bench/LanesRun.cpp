#include "LanesRun.h"

#include <sys/wait.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>

#include "ChildProcess.h"
#include "RealTimeUpgrade.h"

namespace {

using Clock = std::chrono::steady_clock;

// The profile with its serial number made the lane's own (the kit's ledger tells radios apart by it)
// and its latencies at zero, as in the single real-time run.
std::filesystem::path LaneProfile(const std::filesystem::path& profile, int lane,
                                  const std::filesystem::path& workFolder) {
    std::ifstream file(profile);
    if (!file)
        throw std::runtime_error("cannot read the radio's profile " + profile.string());
    std::stringstream text;
    text << file.rdbuf();
    std::string profileText = text.str();
    const std::string serialKey = "\nserial = ";
    const std::size_t at = profileText.find(serialKey);
    if (at != std::string::npos) {
        const std::size_t start = at + serialKey.size();
        const std::string serial = profileText.substr(start, profileText.find('\n', start) - start);
        std::string own = std::to_string(std::stoul(serial) + static_cast<unsigned long>(lane));
        own.resize(serial.size(), ' ');
        for (std::size_t next = 0; (next = profileText.find(serial, next)) != std::string::npos;)
            profileText.replace(next, serial.size(), own);
    }
    const std::filesystem::path copy = workFolder / ("radio" + std::to_string(lane) + ".radio");
    std::ofstream(copy) << profileText << "\nack_us = 0\nreply_us = 0\n";
    return copy;
}

// The lane's own lines of the supervisor's error output, where it names them "[device] "; one radio's
// run is today's single press, whose error output is all its own.
std::optional<FirmwareTraceMeter::Figures> LaneFirmware(const std::filesystem::path& errors,
                                                        const std::filesystem::path& link, bool alone) {
    const std::string prefix = alone ? std::string() : "[" + link.string() + "] ";
    std::ifstream all(errors);
    std::stringstream trace;
    for (std::string line; std::getline(all, line);)
        if (line.rfind(prefix, 0) == 0)
            trace << line.substr(prefix.size()) << '\n';
    return FirmwareTraceMeter::Measure(trace);
}

double Seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

}  // namespace

LanesRunResult RunLanes(const BenchPrograms& programs, int lanes, unsigned flashRate,
                        const std::filesystem::path& workFolder) {
    const std::filesystem::path kit = workFolder / "lanes-kit";
    std::filesystem::remove_all(kit);
    std::filesystem::copy(programs.kit, kit, std::filesystem::copy_options::recursive);

    std::vector<std::unique_ptr<ChildProcess>> radios;
    std::vector<std::filesystem::path> links;
    std::vector<std::string> arguments = {"--verbose"};
    for (int lane = 1; lane <= lanes; ++lane) {
        const std::filesystem::path link = workFolder / ("radio" + std::to_string(lane) + ".tty");
        std::filesystem::remove(link);
        radios.push_back(std::make_unique<ChildProcess>(
            programs.radiosim,
            std::vector<std::string>{"--profile", LaneProfile(programs.profile, lane, workFolder).string(),
                                     "--files", programs.kitFiles.string(), "--bootstrap", "auto", "--link",
                                     link.string()},
            workFolder / ("radiosim" + std::to_string(lane) + ".log"), std::filesystem::path()));
        WaitForLink(link);
        links.push_back(link);
        arguments.insert(arguments.end(), {"--device", link.string()});
    }
    arguments.insert(arguments.end(), {"program", "--kit", kit.string(), "--no-echo", "--rate",
                                       std::to_string(flashRate), "--yes"});

    LanesRunResult result;
    result.lanes = lanes;
    const std::filesystem::path output = workFolder / "lanes.out";
    const std::filesystem::path errors = workFolder / "lanes.err";
    const Clock::time_point start = Clock::now();
    ChildProcess cli(programs.cli, arguments, output, errors);
    const ChildProcess::Ending ending = cli.Wait();
    result.wallSeconds = Seconds(Clock::now() - start);
    for (std::unique_ptr<ChildProcess>& radio : radios)
        radio->Stop(SIGTERM);

    // The lanes are corvida-cli's children, waited for: their CPU time is in its own.
    result.cliCpuSeconds = Seconds(ending.usage.ru_utime) + Seconds(ending.usage.ru_stime);
    if (WIFEXITED(ending.status) && WEXITSTATUS(ending.status) == 0) {
        result.succeeded = lanes;
    } else {
        std::ifstream summary(output);
        for (std::string line; std::getline(summary, line);)
            result.succeeded += line.find(" success ") != std::string::npos ? 1 : 0;
    }
    for (const std::filesystem::path& link : links)
        result.firmware.push_back(LaneFirmware(errors, link, lanes == 1));
    return result;
}
