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
    if (!terminal)
        return;
    master_ = std::move(terminal->master);
    slavePath_ = terminal->slavePath;
}

TerminalResponder::~TerminalResponder() {
    Stop();
}

TerminalResponder& TerminalResponder::Answer(std::vector<std::uint8_t> expect,
                                             std::vector<std::uint8_t> reply) {
    steps_.push_back({std::move(expect), std::move(reply)});
    return *this;
}

void TerminalResponder::Start() {
    if (master_)
        thread_ = std::thread([this] { Serve(); });
}

std::string TerminalResponder::Stop() {
    const auto deadline = std::chrono::steady_clock::now() + kDeadline;
    while (thread_.joinable() && !done_ && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(kPoll);
    }
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    if (!master_)
        return "no pseudo-terminal";
    const std::lock_guard lock(mutex_);
    return deviation_;
}

void TerminalResponder::Serve() {
    const auto deadline = std::chrono::steady_clock::now() + kDeadline;
    std::vector<std::uint8_t> request;
    std::size_t next = 0;  // the step whose request is awaited
    done_ = steps_.empty();
    while (!stop_) {
        if (std::chrono::steady_clock::now() > deadline) {
            if (!done_)
                Fail(FormatText("step %d never came", static_cast<int>(next) + 1));
            return;
        }
        std::uint8_t byte = 0;
        if (master_->InputCount() == 0 || !master_->Read(std::span(&byte, 1))) {
            std::this_thread::sleep_for(kPoll);
            continue;
        }
        request.push_back(byte);
        const Step* current = next < steps_.size() ? &steps_[next] : nullptr;
        const Step* previous = next > 0 ? &steps_[next - 1] : nullptr;
        const auto awaits = [&](const Step* step) { return step && StartsWith(step->expect, request); };
        if (!awaits(current) && !awaits(previous)) {
            return Fail(FormatText("step %d: unexpected byte %02X", static_cast<int>(next) + 1, byte));
        }
        const auto complete = [&](const Step* step) { return step && request == step->expect; };
        const Step* answered = complete(current) ? current : complete(previous) ? previous : nullptr;
        if (answered == nullptr)
            continue;
        if (!Send(answered->reply))
            return Fail("the reply could not be sent");
        if (answered == current && ++next == steps_.size())
            done_ = true;
        request.clear();
    }
}

bool TerminalResponder::Send(const std::vector<std::uint8_t>& bytes) {
    const auto deadline = std::chrono::steady_clock::now() + kDeadline;
    for (const std::uint8_t byte : bytes) {
        while (!master_->TransmitChar(byte)) {
            if (stop_ || std::chrono::steady_clock::now() > deadline)
                return false;
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
