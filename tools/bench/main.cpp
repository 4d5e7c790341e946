// corvida-bench: the programming time against the line's limit. Prints the virtual-time table (engine
// against the simulated radio, latencies at zero), then runs the real-time benchmarks. Nothing here
// asserts a time; the figures are for the README and for whoever changes a wait.

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#include "KitLoadBench.h"
#include "VirtualUpgrade.h"

namespace {

constexpr std::array<std::size_t, 3> kFirmwareKiB = {128, 256, 512};
constexpr std::array<unsigned, 3> kRates = {19200, 38400, 115200};
constexpr std::array<unsigned, 5> kRecordBytes = {16, 32, 64, 128, 250};

double Seconds(std::uint64_t ns) {
    return static_cast<double>(ns) / 1e9;
}

void PrintRow(const char* what, const std::string& detail, const PhaseMeter::Figures& figures, bool ok) {
    const double ratio = figures.boundNs ? static_cast<double>(figures.measuredNs) / figures.boundNs : 0;
    std::printf("%-10s %-28s %10.3f %10.3f %7.3f%s\n", what, detail.c_str(), Seconds(figures.measuredNs),
                Seconds(figures.boundNs), ratio, ok ? "" : "  (run failed)");
    std::fflush(stdout);
}

void PrintVirtualTable(const std::filesystem::path& work) {
    std::printf("In virtual time, engine against the simulated radio, latencies 0\n");
    std::printf("%-10s %-28s %10s %10s %7s\n", "phase", "case", "measured s", "bound s", "ratio");
    for (const Controller controller : {Controller::ZR5, Controller::Q7}) {
        VirtualUpgradeCase upgrade;
        upgrade.controller = controller;
        upgrade.firmwareBytes = 128 * 1024;
        const VirtualUpgradeResult result = RunVirtualUpgrade(upgrade, work);
        PrintRow("bootcode", std::string(controller == Controller::ZR5 ? "ZR5" : "Q7") + " 4000 B at 2400 Bd",
                 result.bootcode, result.status == UpgradeStatus::Succeeded);
    }
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

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path work = std::filesystem::temp_directory_path() / "corvida-bench";
    std::filesystem::create_directories(work);
    PrintVirtualTable(work);

    std::printf("\nIn real time\n");
    RegisterKitLoadBench(work);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(work);
    return 0;
}
