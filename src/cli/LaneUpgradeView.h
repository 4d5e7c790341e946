#pragma once

#include <optional>

#include "cli/ConsoleUpgradeView.h"
#include "cli/LaneChannel.h"

// A lane's upgrade view: the kit's texts and the verified radio as events; the flash rate and the quit
// request as on the console.
class LaneUpgradeView : public ConsoleUpgradeView {
public:
    LaneUpgradeView(LaneChannel& channel, std::ostream& unused, std::optional<unsigned> rate)
        : ConsoleUpgradeView(unused, rate), channel_(channel) {}

    void ShowKitTexts(const std::string& title, const std::string& description) override;
    void ShowRadio(const VerifiedRadio& radio) override;

private:
    LaneChannel& channel_;
};
