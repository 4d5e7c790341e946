#pragma once

#include <atomic>

// The operator's request to stop, as an auto-reset event: the progress display sets it, an engine loop
// polls it, and a poll that finds it set also resets it. Set may come from any thread.
class CancelSignal {
public:
    void Set() { set_.store(true); }
    // True when the signal was set since the last poll that returned true.
    bool Poll() { return set_.exchange(false); }

    // The process's one signal, not set at start.
    static CancelSignal& Global();

private:
    std::atomic<bool> set_{false};
};
