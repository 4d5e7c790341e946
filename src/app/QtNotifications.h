#pragma once

#include <QPointer>

#include "app/ProgressWindow.h"
#include "notify/Notifications.h"
#include "notify/ProgressModel.h"

class CMainFrame;

// The desktop's notifications: the progress window and the status pane on the shared progress model,
// the view switch and the wait cursor. Every call is carried out on the UI thread and returns once done,
// from whichever thread it comes. Installs itself for its lifetime.
class QtNotifications : public Notifications, private ProgressSurface {
public:
    explicit QtNotifications(CMainFrame& frame);
    ~QtNotifications() override;
    QtNotifications(const QtNotifications&) = delete;
    QtNotifications& operator=(const QtNotifications&) = delete;

    void BeginProgress(int total, bool percentageMode) override;
    void StepProgress() override;
    void EndProgress() override;
    void StatusText(int kind) override;
    void SwitchView(int kind) override;
    void SetProgressMessage(const std::string& text) override;
    void SetWaitCursor(bool busy) override;
    void BlockCancel(const std::string& reason) override;
    void AllowCancel() override;

    const ProgressModel& Model() const { return model_; }
    // The open progress window, or null.
    ProgressWindow* Window() const { return window_; }

private:
    bool OpenWindow() override;
    void CloseWindow() override;
    void RevealWindow() override;
    void ShowCaption(const std::string& caption) override;
    void ShowMessage(const std::string& message) override;
    void ShowPosition(int position, int lower, int upper) override;
    void ShowCancel(bool enabled, const std::string& whyNot) override;
    void DispatchPending() override;
    void EnableMainWindow(bool enabled) override;
    std::string StatusPaneText() const override;
    void ShowStatusPaneText(const std::string& text) override;

    CMainFrame& frame_;
    ProgressModel model_;
    QPointer<ProgressWindow> window_;
    Notifications* previous_;
    int waitCursors_ = 0;
};
