#include "radiosim/RadioSim.h"

#include <stdexcept>
#include <system_error>
#include <thread>

#include "platform/TermiosDevice.h"

namespace {

constexpr const char* kHelp = "commands: bootstrap, power, state, quit";

}  // namespace

RadioSim::RadioSim(RadioProfile profile, Options options, std::ostream& out)
    : out_(out), options_(std::move(options)), bootstrapBaud_(profile.bootstrapBaud) {
    const bool announcesWithBreak =
        profile.controller == Controller::ZR5 && profile.announcement.kind == LoaderAnnouncement::Kind::Break;
    radio_ = std::make_shared<SimRadio>(std::move(profile));
    std::optional<TermiosDevice::PseudoTerminal> terminal = TermiosDevice::OpenPseudoTerminal();
    if (!terminal)
        throw std::runtime_error("the system gives no pseudo-terminal");
    slavePath_ = terminal->slavePath;
    radio_->AttachTo(line_);
    line_->SetEchoBox(options_.echo);
    bridge_.emplace(std::move(terminal->master), line_, clock_);
    programLine_ = bridge_->ProgramLine();
    if (options_.verbose)
        radio_->SetObserver([this](const RadioRequest& request) { out_ << Describe(request) << std::endl; });
    if (announcesWithBreak) {
        out_ << "note: a pseudo-terminal carries no break; the ZR5 loader's break never reaches the program"
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
        std::this_thread::sleep_for(kPassInterval);
    }
}

void RadioSim::Pass() {
    std::deque<std::string> commands;
    {
        const std::lock_guard lock(commandsMutex_);
        commands.swap(commands_);
    }
    for (const std::string& command : commands)
        Execute(command);
    bridge_->Pass(ElapsedNs());
    FollowProgram();
    if (options_.verbose && radio_->State() != shownState_) {
        shownState_ = radio_->State();
        out_ << "state: " << StateName(shownState_) << std::endl;
    }
}

void RadioSim::Execute(const std::string& command) {
    if (command == "bootstrap") {
        radio_->EnterBootstrapMode(ElapsedNs());
    } else if (command == "power") {
        radio_->PowerCycle(ElapsedNs());
    } else if (command == "state") {
        out_ << "state: " << StateName(radio_->State()) << std::endl;
    } else if (command == "quit") {
        stop_ = true;
    } else if (!command.empty()) {
        out_ << kHelp << std::endl;
    }
}

void RadioSim::FollowProgram() {
    const LineSettings& line = bridge_->ProgramLine();
    if (line == programLine_)
        return;
    programLine_ = line;
    const bool loaderWaiting = radio_->State() == RadioState::Loader && !radio_->LoaderSynced();
    const bool bootstrapping = line.baud == bootstrapBaud_ || line.baud == SimRadio::kPulseBaud;
    if (options_.autoBootstrap && bootstrapping && !loaderWaiting)
        radio_->EnterBootstrapMode(ElapsedNs());
}

std::uint64_t RadioSim::ElapsedNs() const {
    const auto elapsed = std::chrono::steady_clock::now() - start_;
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count());
}
