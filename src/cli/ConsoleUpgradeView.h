#pragma once

#include <optional>
#include <ostream>

#include "workflow/UpgradeView.h"

// corvida-cli's upgrade view: the kit's texts on the console, the flash rate from the command line, and
// a quit request remembered for the command to act on.
class ConsoleUpgradeView : public UpgradeView {
public:
    // `rate`: the --rate answer; none answers the dialog with its preselected rate.
    ConsoleUpgradeView(std::ostream& out, std::optional<unsigned> rate) : out_(out), rate_(rate) {}

    void ShowKitTexts(const std::string& title, const std::string& description) override;
    std::optional<unsigned> ChooseFlashRate(std::optional<unsigned> current) override;
    void RequestQuit(int exitStatus) override { quitStatus_ = exitStatus; }

    std::optional<int> QuitStatus() const { return quitStatus_; }

private:
    std::ostream& out_;
    std::optional<unsigned> rate_;
    std::optional<int> quitStatus_;
};
