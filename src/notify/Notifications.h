#pragma once

#include <string>

// What the engine and the workflow tell the main window: the progress display, the status-bar text, the
// view, the progress message and the wait cursor. Every call is synchronous: it returns once the display
// has taken it in. An application installs its own (a Qt window, the console, a test recorder); without
// one installed, nothing is shown. Process-wide like the message box, so no layer reaches upwards.
class Notifications {
public:
    // Status text kinds: 1 and 2 replace the pane's text, any other value (3 and 4 are sent) puts back the
    // text that stood before.
    static constexpr int kStatusDownloadingBootcode = 1;
    static constexpr int kStatusFlashingFirmware = 2;
    static constexpr int kStatusRestore = 3;
    static constexpr int kStatusCodeplug = 4;  // acts as a restore

    // View kinds: 4 is the upgrade form, anything else the start-up view.
    static constexpr int kViewUpgradeForm = 4;
    static constexpr int kViewStartup = 255;

    virtual ~Notifications() = default;

    // Opens the progress display with `total` steps; ignored while one is open.
    virtual void BeginProgress(int total, bool percentageMode) = 0;
    // Advances the display by one step; may raise the cancel signal (CancelSignal::Global).
    virtual void StepProgress() = 0;
    virtual void EndProgress() = 0;
    virtual void StatusText(int kind) = 0;
    virtual void SwitchView(int kind) = 0;
    // Replaces the open progress display's message; ignored while none is open.
    virtual void SetProgressMessage(const std::string& text) = 0;
    virtual void SetWaitCursor(bool busy) = 0;

    // Cancel is offered only where the work can stop safely. BlockCancel turns the progress display's
    // Cancel off, saying why, until AllowCancel or the display's End; it may come before Begin so that
    // the display opens with Cancel off. Displays without a Cancel button ignore both.
    virtual void BlockCancel(const std::string& /*reason*/) {}
    virtual void AllowCancel() {}

    // The caller keeps ownership and uninstalls (nullptr) before the object dies.
    static void Install(Notifications* notifications);
    static Notifications* Installed();
    // The installed notifications, or one that shows nothing.
    static Notifications& Current();
};

// Shows the wait cursor for its lifetime.
class WaitCursor {
public:
    WaitCursor() { Notifications::Current().SetWaitCursor(true); }
    ~WaitCursor() { Notifications::Current().SetWaitCursor(false); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};
