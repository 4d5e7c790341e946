#pragma once

#include <optional>
#include <string>

struct VerifiedRadio;

// What the upgrade form asks of its window besides message boxes: the kit's texts, the flash-rate
// dialog and the request to end the program. The desktop app, corvida-cli and tests each give their own.
class UpgradeView {
public:
    virtual ~UpgradeView() = default;

    virtual void ShowKitTexts(const std::string& title, const std::string& description) = 0;
    // The flash-rate dialog: `current` is the rate in effect (none before the first choice); the result
    // is the rate confirmed with OK (19200, 38400 or 115200), or none when it was closed without OK.
    virtual std::optional<unsigned> ChooseFlashRate(std::optional<unsigned> current) = 0;
    // The radio a Program press verified, before anything is written to it; a view with no place for
    // it ignores it.
    virtual void ShowRadio(const VerifiedRadio& /*radio*/) {}
    // Asks the application to end once control returns to it, with this exit status.
    virtual void RequestQuit(int exitStatus) = 0;
};
