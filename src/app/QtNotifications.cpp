#include "app/QtNotifications.h"

#include <QApplication>

#include "app/CMainFrame.h"
#include "app/UiThread.h"

QtNotifications::QtNotifications(CMainFrame& frame)
    : frame_(frame), model_(*this), previous_(Notifications::Installed()) {
    Notifications::Install(this);
}

QtNotifications::~QtNotifications() {
    Notifications::Install(previous_);
    while (waitCursors_-- > 0)
        QApplication::restoreOverrideCursor();
    delete window_;
}

void QtNotifications::BeginProgress(int total, bool percentageMode) {
    RunOnUiThread([&] { model_.Begin(total, percentageMode); });
}

void QtNotifications::StepProgress() {
    RunOnUiThread([&] { model_.Step(); });
}

void QtNotifications::EndProgress() {
    RunOnUiThread([&] { model_.End(); });
}

void QtNotifications::StatusText(int kind) {
    RunOnUiThread([&] { model_.StatusText(kind); });
}

void QtNotifications::SwitchView(int kind) {
    RunOnUiThread([&] { frame_.SwitchView(kind); });
}

void QtNotifications::SetProgressMessage(const std::string& text) {
    RunOnUiThread([&] { model_.SetMessage(text); });
}

void QtNotifications::SetWaitCursor(bool busy) {
    RunOnUiThread([&] {
        if (busy) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            ++waitCursors_;
        } else if (waitCursors_ > 0) {
            QApplication::restoreOverrideCursor();
            --waitCursors_;
        }
    });
}

void QtNotifications::BlockCancel(const std::string& reason) {
    RunOnUiThread([&] { model_.BlockCancel(reason); });
}

void QtNotifications::AllowCancel() {
    RunOnUiThread([&] { model_.AllowCancel(); });
}

bool QtNotifications::OpenWindow() {
    window_ = new ProgressWindow(&frame_);
    QObject::connect(window_, &ProgressWindow::cancelPressed, window_, [this] { model_.Cancel(); });
    window_->show();
    return true;
}

void QtNotifications::CloseWindow() {
    if (window_ == nullptr)
        return;
    window_->StorePlace();
    window_->hide();
    // Cancel closes the window from inside its own button's signal.
    window_->deleteLater();
    window_ = nullptr;
}

void QtNotifications::RevealWindow() {
    if (window_ != nullptr && window_->isHidden())
        window_->show();
}

void QtNotifications::ShowCaption(const std::string& caption) {
    if (window_ != nullptr)
        window_->setWindowTitle(QString::fromStdString(caption));
}

void QtNotifications::ShowMessage(const std::string& message) {
    if (window_ != nullptr)
        window_->SetMessage(QString::fromStdString(message));
}

void QtNotifications::ShowPosition(int position, int lower, int upper) {
    if (window_ != nullptr)
        window_->SetPosition(position, lower, upper);
}

void QtNotifications::ShowCancel(bool enabled, const std::string& whyNot) {
    if (window_ != nullptr)
        window_->SetCancelEnabled(enabled, QString::fromStdString(whyNot));
}

void QtNotifications::DispatchPending() {
    // Nothing to do: the press runs off the UI thread, whose event loop serves the Cancel button
    // between any two notifications.
}

void QtNotifications::EnableMainWindow(bool enabled) {
    frame_.SetContentEnabled(enabled);
    if (enabled) {
        frame_.raise();
        frame_.activateWindow();
    }
}

std::string QtNotifications::StatusPaneText() const {
    return frame_.StatusPaneText().toStdString();
}

void QtNotifications::ShowStatusPaneText(const std::string& text) {
    frame_.SetStatusPaneText(QString::fromStdString(text));
}
