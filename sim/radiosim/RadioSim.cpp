#include "radiosim/RadioSim.h"

#include <stdexcept>
#include <system_error>

#include "SimUart.h"
#include "platform/TermiosDevice.h"

namespace {

constexpr const char* kHelp = "commands: bootstrap, power, state, quit";

// Whether the loader's announcement reaches a program on a pseudo-terminal, which carries no breaks: as
// a character that DetectPulse takes, at 300 baud.
bool ReadsAsAPulse(const RadioProfile& profile) {
    if (profile.controller != Controller::ZR5)
        return true;
    const LoaderAnnouncement& announcement = profile.announcement;
    if (announcement.kind == LoaderAnnouncement::Kind::Pulse)
        return true;
    const double bitNs = SimUart::BitNs(SimRadio::kPulseBaud);
    int zeroBits = 0;
    while (zeroBits < 8 && (zeroBits + 1.5) * bitNs < static_cast<double>(announcement.breakNs))
        ++zeroBits;
    const auto reads = static_cast<std::uint8_t>(0xFF << zeroBits);
    return reads == 0xC0 || reads == 0xE0 || reads == 0xF8 || reads == 0xFC || reads == 0xFE;
}

}  // namespace

RadioSim::RadioSim(RadioProfile profile, Options options, std::ostream& out)
    : out_(out), options_(std::move(options)), bootstrapBaud_(profile.bootstrapBaud) {
    const bool announcementReachesTerminal = ReadsAsAPulse(profile);
    radio_ = std::make_shared<SimRadio>(std::move(profile));
    RestoreState();
    std::optional<TermiosDevice::PseudoTerminal> terminal = TermiosDevice::OpenPseudoTerminal();
    if (!terminal)
        throw std::runtime_error("the system gives no pseudo-terminal");
    slavePath_ = terminal->slavePath;
    radio_->AttachTo(line_);
    radio_->SetHelloWaitsForProgram(true);  // the program's rate change can reach us late
    line_->SetEchoBox(options_.echo);
    bridge_.emplace(std::move(terminal->master), line_, clock_);
    programLine_ = bridge_->ProgramLine();
    if (options_.verbose) {
        radio_->SetObserver([this](const RadioRequest& request) { out_ << Describe(request) << std::endl; });
        radio_->SetStateObserver([this](RadioState state) { out_ << "state: " << StateName(state) << std::endl; });
    }
    if (options_.verbose && stateFile_)
        out_ << "state: " << StateName(radio_->State()) << std::endl;
    if (!announcementReachesTerminal) {
        out_ << "note: a pseudo-terminal carries no break; this ZR5 loader's break reads as no pulse at 300 "
                "baud and never reaches the program"
             << std::endl;
    }
    if (options_.link.empty())
        return;
    std::error_code ignored;
    if (std::filesystem::is_symlink(options_.link, ignored))
        std::filesystem::remove(options_.link, ignored);
    std::filesystem::create_symlink(slavePath_, options_.link);
}

RadioSim::~RadioSim() {
    if (options_.link.empty())
        return;
    std::error_code ignored;
    std::filesystem::remove(options_.link, ignored);
}

void RadioSim::Command(const std::string& command) {
    const std::lock_guard lock(commandsMutex_);
    commands_.push_back(command);
}

void RadioSim::Run() {
    while (!stop_) {
        Pass();
        bridge_->AwaitProgram(UntilNextPass());
    }
}

std::chrono::nanoseconds RadioSim::UntilNextPass() const {
    const std::uint64_t dueNs = bridge_->NextPassNs();
    const std::uint64_t nowNs = ElapsedNs();
    const auto look = static_cast<std::uint64_t>(std::chrono::nanoseconds(kLookInterval).count());
    const std::uint64_t waitNs = dueNs > nowNs ? std::min(dueNs - nowNs, look) : 0;
    return std::chrono::nanoseconds(waitNs);
}

void RadioSim::Inspect(const std::function<void(const SimRadio&)>& look) {
    const std::lock_guard lock(passMutex_);
    look(*radio_);
}

void RadioSim::Pass() {
    const std::lock_guard lock(passMutex_);
    std::deque<std::string> commands;
    {
        const std::lock_guard lock(commandsMutex_);
        commands.swap(commands_);
    }
    for (const std::string& command : commands)
        Execute(command);
    bridge_->Pass(ElapsedNs());
    KeepState();
    bridge_->DeliverToProgram();
    FollowProgram();
}

void RadioSim::RestoreState() {
    if (options_.state.empty())
        return;
    stateFile_.emplace(options_.state);
    if (std::optional<RadioMemory::Saved> saved = stateFile_->Read()) {
        try {
            radio_->RestoreMemory(std::move(*saved));
        } catch (const std::invalid_argument& error) {
            throw std::invalid_argument(stateFile_->Path().string() +
                                        " is the state of another radio: " + error.what());
        }
    }
    stateFile_->Write(radio_->Memory().Save());
    savedRevision_ = radio_->Memory().Revision();
}

// Before the pass's answers reach the program: a change the radio acknowledges is saved first.
void RadioSim::KeepState() {
    if (!stateFile_ || radio_->Memory().Revision() == savedRevision_)
        return;
    stateFile_->Write(radio_->Memory().Save());
    savedRevision_ = radio_->Memory().Revision();
}

void RadioSim::Execute(const std::string& command) {
    if (command == "bootstrap") {
        radio_->EnterBootstrapMode(clock_->Peek());
    } else if (command == "power") {
        radio_->PowerCycle(clock_->Peek());
    } else if (command == "state") {
        out_ << "state: " << StateName(radio_->State()) << std::endl;
    } else if (command == "quit") {
        stop_ = true;
    } else if (!command.empty()) {
        out_ << kHelp << std::endl;
    }
}

// A pseudo-terminal shows us no open, only the settings the program sets: the program opens the port at
// the bootstrap rate for bootstrap mode (and never sets that rate on a port it uses for KWIP), so the
// bootstrap rate arriving while the radio runs its firmware or its bootcode (a flashing that failed and
// is tried again), or lies dead after a broken flashing, stands for that open. Rate changes while the
// loader runs (DetectPulse's 300 baud and back, a sync retry) leave the radio alone, as the operator's
// hands do.
void RadioSim::FollowProgram() {
    const LineSettings& line = bridge_->ProgramLine();
    if (line == programLine_)
        return;
    programLine_ = line;
    const bool bootstrapping = line.baud == bootstrapBaud_;
    const RadioState state = radio_->State();
    const bool awaitsTheOperator =
        state == RadioState::Running || state == RadioState::Bootcode || state == RadioState::Dead;
    if (options_.autoBootstrap && bootstrapping && awaitsTheOperator)
        radio_->EnterBootstrapMode(clock_->Peek());
}

std::uint64_t RadioSim::ElapsedNs() const {
    const auto elapsed = std::chrono::steady_clock::now() - start_;
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count());
}
