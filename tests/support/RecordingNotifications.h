#pragma once

#include <string>
#include <vector>

#include "notify/Notifications.h"
#include "notify/ProgressModel.h"
#include "notify/ProgressSurface.h"

// Notifications that record each call as one line ("Begin 12 0", "Step", "End", "Status 1", "View 4",
// "Message Erasing flash ROM...", "Cursor 1", "Cancel off: REASON", "Cancel on") and install themselves
// for their lifetime. Progress calls also drive the shared progress model on a window of nothing, so a
// Cancel press a test schedules is taken, refused or turned into the cancel signal as the window would.
class RecordingNotifications : public Notifications, private ProgressSurface {
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
    void BlockCancel(const std::string& reason) override;
    void AllowCancel() override;

    const std::vector<std::string>& Calls() const { return calls_; }
    // The calls that begin with `prefix` ("Status", "Message").
    std::vector<std::string> CallsOf(const std::string& prefix) const;
    int Steps() const { return steps_; }
    // The operator presses Cancel just before Step number `step` (1-based); unless Cancel is blocked
    // then, that Step and every later one of the display raise the cancel signal.
    void CancelAtStep(int step) { cancelAtStep_ = step; }
    const ProgressModel& Model() const { return model_; }

private:
    bool OpenWindow() override { return true; }
    void CloseWindow() override {}
    void RevealWindow() override {}
    void ShowCaption(const std::string&) override {}
    void ShowMessage(const std::string&) override {}
    void ShowPosition(int, int, int) override {}
    void DispatchPending() override {}
    void EnableMainWindow(bool) override {}
    std::string StatusPaneText() const override { return {}; }
    void ShowStatusPaneText(const std::string&) override {}

    ProgressModel model_;
    Notifications* previous_;
    std::vector<std::string> calls_;
    int steps_ = 0;
    int cancelAtStep_ = 0;
};
