#pragma once

#include <string>
#include <vector>

#include "notify/Notifications.h"

// Notifications that record each call as one line ("Begin 12 0", "Step", "End", "Status 1", "View 4",
// "Message Erasing flash ROM...", "Cursor 1") and install themselves for their lifetime. A test may ask
// for the cancel signal to be raised at a given Step, as the progress window does after a Cancel press.
class RecordingNotifications : public Notifications {
public:
    RecordingNotifications();
    ~RecordingNotifications() override;

    void BeginProgress(int total, bool percentageMode) override;
    void StepProgress() override;
    void EndProgress() override;
    void StatusText(int kind) override;
    void SwitchView(int kind) override;
    void SetProgressMessage(const std::string& text) override;
    void SetWaitCursor(bool busy) override;

    const std::vector<std::string>& Calls() const { return calls_; }
    // The calls that begin with `prefix` ("Status", "Message").
    std::vector<std::string> CallsOf(const std::string& prefix) const;
    int Steps() const { return steps_; }
    // Raises the cancel signal during Step number `step` (1-based) and every Step after it.
    void CancelAtStep(int step) { cancelAtStep_ = step; }

private:
    Notifications* previous_;
    std::vector<std::string> calls_;
    int steps_ = 0;
    int cancelAtStep_ = 0;
};
