#include "cli/OperatorInput.h"

#include <algorithm>

OperatorInput::~OperatorInput() {
    if (!reader_)
        return;
    bool ended = false;
    {
        std::unique_lock lock(shared_->mutex);
        ended = shared_->endedSignal.wait_for(lock, kEndWait, [this] { return shared_->ended; });
    }
    if (ended)
        reader_->join();
    else
        reader_->detach();
}

void OperatorInput::Start() {
    if (reader_)
        return;
    reader_.emplace([&in = in_, shared = shared_] {
        std::string line;
        while (std::getline(in, line)) {
            line.resize(std::min(line.size(), kMaxLineBytes));
            const std::lock_guard lock(shared->mutex);
            shared->lines.push_back(line);
        }
        const std::lock_guard lock(shared->mutex);
        shared->ended = true;
        shared->endedSignal.notify_all();
    });
}

std::optional<std::string> OperatorInput::Take() {
    Start();
    const std::lock_guard lock(shared_->mutex);
    if (shared_->lines.empty())
        return std::nullopt;
    std::string line = std::move(shared_->lines.front());
    shared_->lines.pop_front();
    return line;
}

bool OperatorInput::Ended() {
    Start();
    const std::lock_guard lock(shared_->mutex);
    return shared_->ended && shared_->lines.empty();
}
