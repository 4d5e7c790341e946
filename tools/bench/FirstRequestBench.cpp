#include "FirstRequestBench.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "PseudoTerminal.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kFirstByteLimitMs = 5000;

// The bench holds the terminal's master and reads the first byte there itself, rather than through
// radiosim, which would add its pass interval and the request's time on the wire at 9600 Bd. The
// program is killed once it has written: only its start is timed.
void TimeFirstRequest(benchmark::State& state, const BenchPrograms& programs,
                      const std::vector<std::string>& command) {
    for (auto _ : state) {
        PseudoTerminal terminal;
        std::vector<std::string> arguments{"--device", terminal.SlavePath()};
        arguments.insert(arguments.end(), command.begin(), command.end());
        const Clock::time_point start = Clock::now();
        ChildProcess cli(programs.cli, arguments);
        if (!terminal.WaitForInput(kFirstByteLimitMs)) {
            state.SkipWithError("corvida-cli sent nothing on the line");
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        cli.Stop(SIGKILL);
    }
}

void Register(const char* name, const BenchPrograms& programs, std::vector<std::string> command) {
    benchmark::RegisterBenchmark(
        name, [programs, command](benchmark::State& state) { TimeFirstRequest(state, programs, command); })
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

}  // namespace

void RegisterFirstRequestBench(const BenchPrograms& programs, const std::filesystem::path& workFolder) {
    Register("corvida-cli start to first request: radio info", programs, {"radio", "info"});
    // The kit is only read before the first request; the copy keeps the build's kit as it is.
    const std::filesystem::path kit = workFolder / "first-request-kit";
    std::filesystem::remove_all(kit);
    std::filesystem::copy(programs.kit, kit, std::filesystem::copy_options::recursive);
    Register("corvida-cli start to first request: program", programs,
             {"program", "--kit", kit.string(), "--no-echo", "--rate", "115200", "--yes"});
}
