#pragma once

#include <string>

// What a progress display draws on: a pop-up window and the main window's status pane in the desktop app,
// lines on the terminal in corvida-cli, a recorder in tests. The progress model decides what to show and
// when; a surface only shows it.
class ProgressSurface {
public:
    virtual ~ProgressSurface() = default;

    // Creates the progress window, not yet showing any text; false when it cannot be created.
    virtual bool OpenWindow() = 0;
    // Hides and destroys the window (a window keeps its screen position for the next one).
    virtual void CloseWindow() = 0;
    // Makes the window visible again if something hid it.
    virtual void RevealWindow() = 0;
    virtual void ShowCaption(const std::string& caption) = 0;
    virtual void ShowMessage(const std::string& message) = 0;
    virtual void ShowPosition(int position, int lower, int upper) = 0;
    // Lets the operator act (press Cancel) while the engine works between steps.
    virtual void DispatchPending() = 0;
    // Turns the window's Cancel on, or off with the reason for the operator; a new window starts with
    // it on. A surface without a Cancel button ignores it.
    virtual void ShowCancel(bool /*enabled*/, const std::string& /*whyNot*/) {}
    // The main window is disabled while the progress window is up; enabling brings it to the front.
    virtual void EnableMainWindow(bool enabled) = 0;

    virtual std::string StatusPaneText() const = 0;
    // Shows the text in the status pane and repaints at once.
    virtual void ShowStatusPaneText(const std::string& text) = 0;
};
