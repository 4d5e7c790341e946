#pragma once

#include <optional>
#include <string>

#include "notify/CancelSignal.h"
#include "notify/ProgressSurface.h"

// The rules of the progress display and the status pane, shared by every display: a display implements
// Notifications by handing progress and status calls to its model, and the model draws on the display's
// surface. Absent → active (Begin) → absent (End); Cancel closes the window but keeps the display active,
// so each later Step raises the cancel signal until End. Where the engine cannot stop safely it blocks
// Cancel: the button is off, says why, and a press (or the close box) is ignored.
class ProgressModel {
public:
    static constexpr int kStatusDownloadingBootcode = 1;
    static constexpr int kStatusFlashingFirmware = 2;

    ProgressModel(ProgressSurface& surface, CancelSignal& cancelSignal = CancelSignal::Global());

    // Opens the display with the range 0..total; ignored while active. When the window cannot be
    // created the display stays absent.
    void Begin(int total, bool percentageMode);
    // Advances by one step while the window exists, lets the operator act, then raises the cancel
    // signal if Cancel was pressed. Ignored while absent.
    void Step();
    // Closes the display and enables the main window; ignored while absent.
    void End();
    // The operator's Cancel: the window closes now and the main window is enabled again, the cancel
    // signal follows on the next Step. Ignored while Cancel is blocked.
    void Cancel();
    // Cancel off, saying why, until AllowCancel or End; kept while absent, so a display may open with it.
    void BlockCancel(const std::string& reason);
    void AllowCancel();
    // Replaces the message while the window exists; longer texts are cut to kMaxMessageLength.
    void SetMessage(const std::string& text);

    // Kinds 1 and 2 show an engine text (saving the pane's own text first); any other kind restores it.
    void StatusText(int kind);

    bool Active() const { return active_; }
    bool Cancelled() const { return cancelled_; }
    bool WindowOpen() const { return windowOpen_; }
    int Position() const { return position_; }
    int Upper() const { return upper_; }
    const std::string& Caption() const { return caption_; }
    const std::string& Message() const { return message_; }
    std::optional<std::string> SavedStatusText() const { return savedStatusText_; }

    static constexpr std::size_t kMaxMessageLength = 511;
    // The message of a newly opened window, until the engine sets its own.
    static constexpr const char* kInitialMessage = "Progress";
    static constexpr int kDefaultUpper = 100;

private:
    int Percentage() const;
    void ShowPosition();
    void CloseWindow();

    ProgressSurface& surface_;
    CancelSignal& cancelSignal_;

    bool active_ = false;
    bool cancelled_ = false;
    bool windowOpen_ = false;
    int lower_ = 0;
    int upper_ = kDefaultUpper;
    int step_ = 1;
    int position_ = 0;
    std::optional<int> shownPercentage_;
    std::string captionText_;
    std::string caption_;
    std::string message_;

    std::optional<std::string> cancelBlockedReason_;

    std::optional<std::string> savedStatusText_;
};
