#include "notify/ProgressModel.h"

#include "errors/TextFormat.h"

namespace {

constexpr const char* kPercentageCaption = "Progress Percentage";
constexpr const char* kPleaseWaitCaption = "Please Wait";
constexpr const char* kDownloadingBootcodeText = "Please Wait: Downloading bootcode ...";
constexpr const char* kFlashingFirmwareText = "Please Wait: Flashing firmware ...";

}  // namespace

ProgressModel::ProgressModel(ProgressSurface& surface, CancelSignal& cancelSignal)
    : surface_(surface), cancelSignal_(cancelSignal) {}

void ProgressModel::Begin(int total, bool percentageMode) {
    if (active_ || !surface_.OpenWindow())
        return;
    active_ = true;
    windowOpen_ = true;
    cancelled_ = false;
    surface_.EnableMainWindow(false);

    captionText_ = percentageMode ? kPercentageCaption : kPleaseWaitCaption;
    caption_ = captionText_;
    surface_.ShowCaption(caption_);
    message_ = ProgressModel::kInitialMessage;
    surface_.ShowMessage(message_);

    lower_ = 0;
    upper_ = total;
    position_ = 0;
    shownPercentage_.reset();
    surface_.ShowPosition(position_, lower_, upper_);
    if (cancelBlockedReason_)
        surface_.ShowCancel(false, *cancelBlockedReason_);
}

void ProgressModel::Step() {
    if (!active_)
        return;
    if (windowOpen_) {
        position_ += step_;
        // A bar holds its position within its range, so extra steps never show more than 100 per cent.
        if (lower_ < upper_ && position_ > upper_)
            position_ = upper_;
        ShowPosition();
        surface_.RevealWindow();
    }
    if (!cancelled_)
        surface_.DispatchPending();
    if (cancelled_)
        cancelSignal_.Set();
}

void ProgressModel::End() {
    cancelBlockedReason_.reset();
    if (!active_)
        return;
    message_.clear();
    position_ = 0;
    if (windowOpen_) {
        surface_.ShowMessage(message_);
        surface_.ShowPosition(position_, lower_, upper_);
        CloseWindow();
    }
    active_ = false;
    cancelled_ = false;
    surface_.EnableMainWindow(true);
}

void ProgressModel::Cancel() {
    if (!active_ || cancelled_ || cancelBlockedReason_)
        return;
    cancelled_ = true;
    if (windowOpen_)
        CloseWindow();
    // The engine stops at its next safe point; the main window need not wait for it.
    surface_.EnableMainWindow(true);
}

void ProgressModel::BlockCancel(const std::string& reason) {
    if (cancelBlockedReason_ == reason)
        return;
    cancelBlockedReason_ = reason;
    if (windowOpen_)
        surface_.ShowCancel(false, reason);
}

void ProgressModel::AllowCancel() {
    if (!cancelBlockedReason_)
        return;
    cancelBlockedReason_.reset();
    if (windowOpen_)
        surface_.ShowCancel(true, "");
}

void ProgressModel::SetMessage(const std::string& text) {
    if (!windowOpen_)
        return;
    message_ = text.substr(0, kMaxMessageLength);
    surface_.ShowMessage(message_);
}

void ProgressModel::StatusText(int kind) {
    if (kind == kStatusDownloadingBootcode || kind == kStatusFlashingFirmware) {
        if (!savedStatusText_)
            savedStatusText_ = surface_.StatusPaneText();
        surface_.ShowStatusPaneText(kind == kStatusDownloadingBootcode ? kDownloadingBootcodeText
                                                                       : kFlashingFirmwareText);
    } else if (savedStatusText_) {
        surface_.ShowStatusPaneText(*savedStatusText_);
        savedStatusText_.reset();
    }
}

int ProgressModel::Percentage() const {
    if (lower_ >= upper_)
        return 0;
    // Wide enough for any int range; the position is deliberately not offset by the lower bound.
    return static_cast<int>(static_cast<long long>(position_) * 100 / (static_cast<long long>(upper_) - lower_));
}

void ProgressModel::ShowPosition() {
    const int percentage = Percentage();
    if (percentage != shownPercentage_) {
        shownPercentage_ = percentage;
        caption_ = FormatText("%s [%d%%]", captionText_.c_str(), percentage);
        surface_.ShowCaption(caption_);
    }
    surface_.ShowPosition(position_, lower_, upper_);
}

void ProgressModel::CloseWindow() {
    windowOpen_ = false;
    surface_.CloseWindow();
}
