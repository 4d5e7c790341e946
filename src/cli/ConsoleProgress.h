#pragma once

#include <ostream>
#include <string>

#include "notify/Notifications.h"
#include "notify/ProgressModel.h"
#include "notify/ProgressSurface.h"

// corvida-cli's progress display: the shared progress model drawn on the console. On a terminal one
// line is redrawn as a bar with the caption and the percentage; otherwise (a log, a pipe) a line is
// written at each new tenth, so a script's output stays short. Status texts and progress messages are
// printed as lines. Installs itself as the notifications for its lifetime.
class ConsoleProgress : public Notifications, private ProgressSurface {
public:
    // `terminal`: redraw one bar line in place instead of writing a line per tenth.
    ConsoleProgress(std::ostream& out, bool terminal);
    ~ConsoleProgress() override;
    ConsoleProgress(const ConsoleProgress&) = delete;
    ConsoleProgress& operator=(const ConsoleProgress&) = delete;

    // Whether standard error is a terminal.
    static bool ErrorIsTerminal();
    // The caption without the model's " [n%]" suffix; a bar shows the percentage itself.
    static std::string BareCaption(const std::string& caption);

    void BeginProgress(int total, bool percentageMode) override { model_.Begin(total, percentageMode); }
    void StepProgress() override { model_.Step(); }
    void EndProgress() override { model_.End(); }
    void StatusText(int kind) override { model_.StatusText(kind); }
    void SwitchView(int) override {}
    void SetProgressMessage(const std::string& text) override { model_.SetMessage(text); }
    void SetWaitCursor(bool) override {}

private:
    bool OpenWindow() override;
    void CloseWindow() override;
    void RevealWindow() override {}
    void ShowCaption(const std::string& caption) override;
    void ShowMessage(const std::string& message) override;
    void ShowPosition(int position, int lower, int upper) override;
    void DispatchPending() override {}
    void EnableMainWindow(bool) override {}
    std::string StatusPaneText() const override { return statusText_; }
    void ShowStatusPaneText(const std::string& text) override;

    void EndBarLine();
    void DrawBar();

    std::ostream& out_;
    bool terminal_;
    ProgressModel model_;
    Notifications* previous_;
    std::string caption_;
    std::string message_;
    std::string statusText_;
    int percent_ = -1;
    bool barDrawn_ = false;
    bool closing_ = false;
};
