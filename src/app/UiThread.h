#pragma once

#include <functional>

// Runs `work` on the user-interface thread and returns once it has run. Called from the UI thread it
// runs at once; from a press's worker thread it waits in the UI thread's event queue, so calls from the
// worker are handled one at a time and in the order they were made.
void RunOnUiThread(const std::function<void()>& work);

// The same for work with a result.
template <typename Result>
Result RunOnUiThreadFor(const std::function<Result()>& work) {
    Result result{};
    RunOnUiThread([&] { result = work(); });
    return result;
}
