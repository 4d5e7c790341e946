// corvida-bench: the programming time against the line's limit. Prints the virtual-time table (engine
// against the simulated radio, latencies at zero), then a whole upgrade in real time (corvida-cli against
// radiosim on a pseudo-terminal), then runs the real-time benchmarks. Nothing here asserts a time; the
// figures are for the README and for whoever changes a wait.

#include <benchmark/benchmark.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchPrograms.h"
#include "FirstRequestBench.h"
#include "KitLoadBench.h"
#include "LanesRun.h"
#include "RealTimeUpgrade.h"
#include "VirtualUpgrade.h"

namespace {

constexpr std::array<std::size_t, 3> kFirmwareKiB = {128, 256, 512};
constexpr std::array<unsigned, 3> kRates = {19200, 38400, 115200};
constexpr std::array<unsigned, 5> kRecordBytes = {16, 32, 64, 128, 250};
constexpr unsigned kRealTimeFlashRate = 115200;
// On a loaded machine radiosim can fall behind the line during the bootcode download, and the run
// fails there; the figures are of the first run that succeeds.
constexpr int kRealTimeTries = 3;
// Radios upgraded at once, a lane each, by one corvida-cli.
constexpr std::array<int, 4> kLaneCounts = {1, 3, 4, 8};

double Seconds(std::uint64_t ns) {
    return static_cast<double>(ns) / 1e9;
}

void PrintRow(const char* what, const std::string& detail, const PhaseMeter::Figures& figures, bool ok) {
    const double ratio = figures.boundNs ? static_cast<double>(figures.measuredNs) / figures.boundNs : 0;
    std::printf("%-10s %-34s %10.3f %10.3f %7.3f%s\n", what, detail.c_str(), Seconds(figures.measuredNs),
                Seconds(figures.boundNs), ratio, ok ? "" : "  (run failed)");
    std::fflush(stdout);
}

// The whole codeplug, alone at the KWIP rate and after the firmware at each flash rate, where the
// engine talks to the bootcode.
void PrintCodeplugRows(const std::filesystem::path& work) {
    VirtualUpgradeCase alone;
    alone.flashFirmware = false;
    alone.codeplugMode = 3;
    const VirtualUpgradeResult result = RunVirtualUpgrade(alone, work);
    const std::string kib = std::to_string(alone.codeplugBytes / 1024) + " KiB ";
    PrintRow("codeplug", kib + "9600 Bd, alone", result.codeplug, result.status == UpgradeStatus::Succeeded);
    for (const unsigned rate : kRates) {
        VirtualUpgradeCase afterFirmware;
        afterFirmware.codeplugMode = 3;
        afterFirmware.flashRate = rate;
        const VirtualUpgradeResult after = RunVirtualUpgrade(afterFirmware, work);
        PrintRow("codeplug", kib + std::to_string(rate) + " Bd, after firmware", after.codeplug,
                 after.status == UpgradeStatus::Succeeded);
    }
}

void PrintVirtualTable(const std::filesystem::path& work) {
    std::printf("In virtual time, engine against the simulated radio, latencies 0\n");
    std::printf("%-10s %-34s %10s %10s %7s\n", "phase", "case", "measured s", "bound s", "ratio");
    for (const Controller controller : {Controller::ZR5, Controller::Q7}) {
        VirtualUpgradeCase upgrade;
        upgrade.controller = controller;
        upgrade.firmwareBytes = 128 * 1024;
        const VirtualUpgradeResult result = RunVirtualUpgrade(upgrade, work);
        PrintRow("bootcode", std::string(controller == Controller::ZR5 ? "ZR5" : "Q7") + " 4000 B at 2400 Bd",
                 result.bootcode, result.status == UpgradeStatus::Succeeded);
    }
    PrintCodeplugRows(work);
    for (const std::size_t kib : kFirmwareKiB) {
        for (const unsigned rate : kRates) {
            for (const unsigned record : kRecordBytes) {
                VirtualUpgradeCase upgrade;
                upgrade.firmwareBytes = kib * 1024;
                upgrade.flashRate = rate;
                upgrade.recordBytes = record;
                const VirtualUpgradeResult result = RunVirtualUpgrade(upgrade, work);
                const std::string detail = std::to_string(kib) + " KiB " + std::to_string(rate) + " Bd " +
                                           std::to_string(record) + " B/rec";
                PrintRow("firmware", detail, result.firmware, result.status == UpgradeStatus::Succeeded);
            }
        }
    }
}

// False when the run failed; its logs and trace are then left in `work`.
bool PrintRealTimeUpgrade(const BenchPrograms& programs, const std::filesystem::path& work) {
    std::printf("\nIn real time, corvida-cli against radiosim on a pseudo-terminal: %s\n",
                programs.profile.filename().c_str());
    std::printf("%-10s %-34s %10s %10s %7s\n", "phase", "case", "measured s", "bound s", "ratio");
    RealTimeUpgradeResult result;
    int tries = 0;
    while (tries < kRealTimeTries && !result.succeeded) {
        ++tries;
        result = RunRealTimeUpgrade(programs, kRealTimeFlashRate, work);
    }
    if (const auto& firmware = result.firmware) {
        const std::string detail =
            std::to_string(firmware->writes) + " writes at " + std::to_string(firmware->baud) + " Bd";
        std::printf("%-10s %-34s %10.3f %10.3f %7.3f%s\n", "firmware", detail.c_str(),
                    firmware->measuredSeconds, firmware->boundSeconds,
                    firmware->measuredSeconds / firmware->boundSeconds,
                    result.succeeded ? "" : "  (run failed)");
    } else {
        std::printf("firmware   no firmware writes in corvida-cli's trace (%s)\n",
                    (work / "corvida-cli.trace").c_str());
    }
    const double cpuSeconds = result.cliUserSeconds + result.cliSystemSeconds;
    std::printf(
        "whole run  %.3f s; corvida-cli used %.3f s of CPU (%.3f user, %.3f system): %.1f %% of one core%s\n",
        result.wallSeconds, cpuSeconds, result.cliUserSeconds, result.cliSystemSeconds,
        100 * cpuSeconds / result.wallSeconds, result.succeeded ? "" : " (run failed)");
    if (tries > 1)
        std::printf("           %d runs: the figures are the last one's, the runs before it failed\n", tries);
    std::fflush(stdout);
    return result.succeeded && result.firmware.has_value();
}

// 1, 3, 4 and 8 radios at once: what a bench of N adapters gains, and what corvida-cli costs per lane.
void PrintLanes(const BenchPrograms& programs, const std::filesystem::path& work) {
    std::printf(
        "\nIn real time, lanes: corvida-cli program with a --device per radio, each radio a radiosim %s\n",
        programs.profile.filename().c_str());
    std::printf("%5s %6s %8s %12s %9s %14s %18s\n", "lanes", "ok", "wall s", "radios/hour", "vs one",
                "CPU % per lane", "firmware ratio");
    double oneLane = 0;
    for (const int lanes : kLaneCounts) {
        const LanesRunResult result = RunLanes(programs, lanes, kRealTimeFlashRate, work);
        if (lanes == 1)
            oneLane = result.wallSeconds;
        double lowest = 0;
        double highest = 0;
        for (const auto& firmware : result.firmware) {
            if (!firmware)
                continue;
            const double ratio = firmware->measuredSeconds / firmware->boundSeconds;
            lowest = lowest == 0 ? ratio : std::min(lowest, ratio);
            highest = std::max(highest, ratio);
        }
        std::printf("%5d %3d/%-2d %8.2f %12.1f %9.2f %14.2f %8.3f to %.3f\n", lanes, result.succeeded, lanes,
                    result.wallSeconds, 3600.0 * result.succeeded / result.wallSeconds,
                    oneLane > 0 ? result.wallSeconds / oneLane : 0,
                    100 * result.cliCpuSeconds / result.wallSeconds / lanes, lowest, highest);
        std::fflush(stdout);
    }
}

// The programs beside corvida-bench in the build tree; the radio from the demo kit's sources.
BenchPrograms ProgramsBeside(const std::filesystem::path& bench) {
    const std::filesystem::path build = bench.parent_path().parent_path().parent_path();
    return {build / "src/cli/corvida-cli", build / "sim/radiosim/radiosim", build / "kits/demo",
            build / "kits/demo-src",
            std::filesystem::path(CORVIDA_SOURCE_DIR) / "kits/demo/radios/kx600.radio"};
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app(
        "corvida-bench: programming time against the wire's limit; the rest of the options are "
        "Google Benchmark's --benchmark_*.",
        "corvida-bench");
    BenchPrograms programs = ProgramsBeside(std::filesystem::canonical("/proc/self/exe"));
    std::string rows = "all";
    app.add_option("--cli", programs.cli, "corvida-cli")->capture_default_str();
    app.add_option("--radiosim", programs.radiosim, "radiosim")->capture_default_str();
    app.add_option("--kit", programs.kit, "The enciphered kit corvida-cli programs from")
        ->capture_default_str();
    app.add_option("--kit-files", programs.kitFiles, "The kit's plain images, for radiosim")
        ->capture_default_str();
    app.add_option("--profile", programs.profile, "The radio radiosim plays")->capture_default_str();
    app.add_option("--rows", rows, "Which rows to measure")
        ->check(CLI::IsMember({"all", "virtual", "real-time", "lanes"}))
        ->capture_default_str();
    app.allow_extras();
    CLI11_PARSE(app, argc, argv);
    // What is left is Google Benchmark's.
    std::vector<std::string> rest = app.remaining();
    std::vector<char*> benchmarkArgv{argv[0]};
    for (std::string& option : rest)
        benchmarkArgv.push_back(option.data());
    int benchmarkArgc = static_cast<int>(benchmarkArgv.size());
    benchmark::Initialize(&benchmarkArgc, benchmarkArgv.data());
    if (benchmark::ReportUnrecognizedArguments(benchmarkArgc, benchmarkArgv.data()))
        return 2;

    const std::filesystem::path work = std::filesystem::temp_directory_path() / "corvida-bench";
    std::filesystem::create_directories(work);
    bool keepWork = false;
    try {
        if (rows == "all" || rows == "virtual")
            PrintVirtualTable(work);
        if (rows == "all" || rows == "lanes")
            PrintLanes(programs, work);
        if (rows == "all" || rows == "real-time") {
            keepWork = !PrintRealTimeUpgrade(programs, work);
            std::printf("\nIn real time, Google Benchmark\n");
            RegisterKitLoadBench(work);
            RegisterFirstRequestBench(programs, work);
            benchmark::RunSpecifiedBenchmarks();
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "corvida-bench: %s\n", error.what());
        return 1;
    }
    benchmark::Shutdown();
    if (keepWork)
        std::printf("\nThe real-time run's logs and corvida-cli's trace are in %s\n", work.c_str());
    else
        std::filesystem::remove_all(work);
    return 0;
}
