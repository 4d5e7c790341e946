#pragma once

#include <string>

#include "cli/LaneChannel.h"
#include "notify/Notifications.h"
#include "notify/ProgressModel.h"
#include "notify/ProgressSurface.h"

// A lane's progress display: the shared progress model drawn as events. Status texts and progress
// messages are "phase" events; the position is a "progress" event at each new percent, so a whole
// flash sends about a hundred lines. Installs itself as the notifications for its lifetime.
class LaneProgress : public Notifications, private ProgressSurface {
public:
    explicit LaneProgress(LaneChannel& channel);
    ~LaneProgress() override;
    LaneProgress(const LaneProgress&) = delete;
    LaneProgress& operator=(const LaneProgress&) = delete;

    void BeginProgress(int total, bool percentageMode) override { model_.Begin(total, percentageMode); }
    void StepProgress() override { model_.Step(); }
    void EndProgress() override { model_.End(); }
    void StatusText(int kind) override { model_.StatusText(kind); }
    void SwitchView(int) override {}
    void SetProgressMessage(const std::string& text) override { model_.SetMessage(text); }
    void SetWaitCursor(bool) override {}

private:
    bool OpenWindow() override;
    void CloseWindow() override {}
    void RevealWindow() override {}
    void ShowCaption(const std::string& caption) override;
    void ShowMessage(const std::string& message) override;
    void ShowPosition(int position, int lower, int upper) override;
    void DispatchPending() override {}
    void EnableMainWindow(bool) override {}
    std::string StatusPaneText() const override { return statusText_; }
    void ShowStatusPaneText(const std::string& text) override;

    void SendPhase(const std::string& text);

    LaneChannel& channel_;
    ProgressModel model_;
    Notifications* previous_;
    std::string caption_;
    std::string message_;
    std::string statusText_;
    int percent_ = -1;
    bool closing_ = false;
};
