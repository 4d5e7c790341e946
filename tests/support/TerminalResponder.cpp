#include "TerminalResponder.h"

#include <algorithm>
#include <chrono>
#include <optional>

#include "errors/TextFormat.h"

namespace {

constexpr std::chrono::microseconds kPoll{100};

bool StartsWith(const std::vector<std::uint8_t>& whole, const std::vector<std::uint8_t>& part) {
    return part.size() <= whole.size() && std::equal(part.begin(), part.end(), whole.begin());
}

}  // namespace

TerminalResponder::TerminalResponder() {
    std::optional<TermiosDevice::PseudoTerminal> terminal = TermiosDevice::OpenPseudoTerminal();
    if (!terminal) return;
    master_ = std::move(terminal->master);
    slavePath_ = terminal->slavePath;
}

TerminalResponder::~TerminalResponder() { Stop(); }

TerminalResponder& TerminalResponder::Answer(std::vector<std::uint8_t> expect, std::vector<std::uint8_t> reply) {
    steps_.push_back({std::move(expect), std::move(reply)});
    return *this;
}

void TerminalResponder::Start() {
    if (master_) thread_ = std::thread([this] { Serve(); });
}

std::string TerminalResponder::Stop() {
    const auto deadline = std::chrono::steady_clock::now() + kDeadline;
    while (thread_.joinable() && !done_ && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(kPoll);
    }
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (!master_) return "no pseudo-terminal";
    const std::lock_guard lock(mutex_);
    return deviation_;
}

void TerminalResponder::Serve() {
    const auto deadline = std::chrono::steady_clock::now() + kDeadline;
    std::vector<std::uint8_t> request;
    std::size_t next = 0;  // the step whose request is awaited
    while (!stop_ && next < steps_.size()) {
        if (std::chrono::steady_clock::now() > deadline) return Fail(FormatText("step %d never came", static_cast<int>(next) + 1));
        std::uint8_t byte = 0;
        if (master_->InputCount() == 0 || !master_->Read(std::span(&byte, 1))) {
            std::this_thread::sleep_for(kPoll);
            continue;
        }
        request.push_back(byte);
        const Step& current = steps_[next];
        const Step* previous = next > 0 ? &steps_[next - 1] : nullptr;
        if (!StartsWith(current.expect, request) && !(previous && StartsWith(previous->expect, request))) {
            return Fail(FormatText("step %d: unexpected byte %02X", static_cast<int>(next) + 1, byte));
        }
        const Step* answered = request == current.expect                 ? &current
                               : previous && request == previous->expect ? previous
                                                                         : nullptr;
        if (answered == nullptr) continue;
        if (!Send(answered->reply)) return Fail("the reply could not be sent");
        if (answered == &current) ++next;
        request.clear();
    }
    done_ = true;
}

bool TerminalResponder::Send(const std::vector<std::uint8_t>& bytes) {
    const auto deadline = std::chrono::steady_clock::now() + kDeadline;
    for (const std::uint8_t byte : bytes) {
        while (!master_->TransmitChar(byte)) {
            if (stop_ || std::chrono::steady_clock::now() > deadline) return false;
        }
    }
    return true;
}

void TerminalResponder::Fail(std::string what) {
    {
        const std::lock_guard lock(mutex_);
        deviation_ = std::move(what);
    }
    done_ = true;
}
