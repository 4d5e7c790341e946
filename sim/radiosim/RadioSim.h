#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>

#include "SimLine.h"
#include "VirtualClock.h"
#include "radio/RadioProfile.h"
#include "radio/SimRadio.h"
#include "radiosim/RadioStateFile.h"
#include "radiosim/TerminalBridge.h"

// radiosim's work: a SimRadio behind a pseudo-terminal in real time, and the operator's hands. The
// program opens the terminal's slave (SlavePath) as its serial port; the radio follows the settings
// the program sets there. Commands, from radiosim's standard input or a test:
//
//     bootstrap   put the radio into bootstrap mode      power   switch it off and on
//     state       print its state                        quit    end Run
//
// With autoBootstrap the radio enters bootstrap mode when the program opens the port at the bootstrap
// rate while the radio runs its firmware or lies dead, as the operator does when the program asks; never
// on a rate change while the loader or the bootcode runs. On a pseudo-terminal the ZR5 loader's breaks
// and pulses reach the program only as the characters they read as at 300 baud; a profile whose
// announcement reads as no character there is told so. The bootcode's first character waits for the
// program to listen at the flash rate, which on a busy machine can come long after the bootcode starts.
//
// With a state file the radio's memory outlives radiosim, as a radio's outlives a pulled cable: it is read
// at the start when the file exists (a radio left half flashed starts dead) and written again after
// every pass that changed it, before the radio's answers to that pass leave, so that even a kill loses
// nothing the program was told was done.
class RadioSim {
public:
    struct Options {
        bool echo = false;            // the ZUB box between: every byte the program sends comes back
        bool autoBootstrap = false;   // bootstrap mode when the program opens at the bootstrap rate
        bool verbose = false;         // a line for each request, and each change of state
        std::filesystem::path link;   // a symbolic link to the slave, made now and removed at the end
        std::filesystem::path state;  // the radio's memory, kept across runs; none when empty
    };

    // The longest radiosim sleeps: the program's settings and the operator's commands wake it for
    // nothing, and are looked at this often.
    static constexpr std::chrono::milliseconds kLookInterval{5};

    // Throws std::runtime_error when the system gives no pseudo-terminal, the link cannot be made or the
    // state file cannot be read or written, and std::invalid_argument for a profile that describes no
    // radio or a state file of another radio.
    RadioSim(RadioProfile profile, Options options, std::ostream& out);
    ~RadioSim();
    RadioSim(const RadioSim&) = delete;
    RadioSim& operator=(const RadioSim&) = delete;

    const std::string& SlavePath() const { return slavePath_; }
    // Passes until Stop or "quit": one as soon as the program writes or the line has something due
    // (TerminalBridge::NextPassNs), and one every kLookInterval at least; in between it sleeps.
    void Run();
    // Both may be called from any thread.
    void Stop() { stop_ = true; }
    void Command(const std::string& command);

    // Calls `look` with the radio between two passes, from any thread: for a test that watches it run.
    void Inspect(const std::function<void(const SimRadio&)>& look);
    // For a test, once Run has returned.
    const SimRadio& Radio() const { return *radio_; }

private:
    void Pass();
    std::chrono::nanoseconds UntilNextPass() const;
    void Execute(const std::string& command);
    void FollowProgram();
    void RestoreState();
    void KeepState();
    std::uint64_t ElapsedNs() const;

    std::ostream& out_;
    Options options_;
    std::shared_ptr<VirtualClock> clock_ = std::make_shared<VirtualClock>(0, 0);
    std::shared_ptr<SimLine> line_ = std::make_shared<SimLine>(clock_);
    std::shared_ptr<SimRadio> radio_;
    std::optional<TerminalBridge> bridge_;
    std::string slavePath_;
    unsigned bootstrapBaud_;
    LineSettings programLine_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::atomic<bool> stop_ = false;
    std::mutex passMutex_;
    std::mutex commandsMutex_;
    std::deque<std::string> commands_;
    std::optional<RadioStateFile> stateFile_;
    std::uint64_t savedRevision_ = 0;
};
