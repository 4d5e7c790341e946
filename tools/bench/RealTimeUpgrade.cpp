#include "RealTimeUpgrade.h"

#include <sys/wait.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>

#include "ChildProcess.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kRadioStartLimit = std::chrono::seconds(5);
constexpr auto kLinkPoll = std::chrono::milliseconds(10);

// The profile's radio answering at once, as the virtual rows' radio does: what the run takes beyond the
// wire is then the program's and the pseudo-terminal's. The radio's files are still found in the kit's.
std::filesystem::path ProfileWithoutLatencies(const std::filesystem::path& profile,
                                              const std::filesystem::path& workFolder) {
    std::ifstream text(profile);
    if (!text)
        throw std::runtime_error("cannot read the radio's profile " + profile.string());
    const std::filesystem::path copy = workFolder / "radio.radio";
    std::ofstream(copy) << text.rdbuf() << "\nack_us = 0\nreply_us = 0\n";
    return copy;
}

double Seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

}  // namespace

void WaitForLink(const std::filesystem::path& link) {
    const Clock::time_point limit = Clock::now() + kRadioStartLimit;
    while (!std::filesystem::exists(link)) {
        if (Clock::now() > limit)
            throw std::runtime_error("radiosim made no terminal at " + link.string());
        std::this_thread::sleep_for(kLinkPoll);
    }
}

RealTimeUpgradeResult RunRealTimeUpgrade(const BenchPrograms& programs, unsigned flashRate,
                                         const std::filesystem::path& workFolder) {
    const std::filesystem::path kit = workFolder / "real-time-kit";
    const std::filesystem::path link = workFolder / "radio.tty";
    const std::filesystem::path trace = workFolder / "corvida-cli.trace";
    std::filesystem::remove_all(kit);
    std::filesystem::remove(link);
    std::filesystem::copy(programs.kit, kit, std::filesystem::copy_options::recursive);

    ChildProcess radiosim(
        programs.radiosim,
        {"--profile", ProfileWithoutLatencies(programs.profile, workFolder).string(), "--files",
         programs.kitFiles.string(), "--bootstrap", "auto", "--link", link.string()},
        workFolder / "radiosim.log", workFolder / "radiosim.errors");
    WaitForLink(link);

    RealTimeUpgradeResult result;
    const Clock::time_point start = Clock::now();
    ChildProcess cli(programs.cli,
                     {"--verbose", "--device", link.string(), "program", "--kit", kit.string(), "--no-echo",
                      "--rate", std::to_string(flashRate), "--yes"},
                     workFolder / "corvida-cli.log", trace);
    const ChildProcess::Ending ending = cli.Wait();
    result.wallSeconds = Seconds(Clock::now() - start);
    radiosim.Stop(SIGTERM);

    result.succeeded = WIFEXITED(ending.status) && WEXITSTATUS(ending.status) == 0;
    result.cliUserSeconds = Seconds(ending.usage.ru_utime);
    result.cliSystemSeconds = Seconds(ending.usage.ru_stime);
    std::ifstream traceText(trace);
    result.firmware = FirmwareTraceMeter::Measure(traceText);
    return result;
}
