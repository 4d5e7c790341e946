#pragma once

#include <cstdint>
#include <optional>

#include "engine/FlashSettings.h"
#include "engine/KitVersion.h"
#include "files/FileManager.h"
#include "kwip/CKwipBroker.h"
#include "workflow/VerifiedRadio.h"

class UpgradeDocument;
class UpgradeView;

// The upgrade form's logic: the kit configuration loaded once at form start, and per Program press the
// verification of the attached radio and the program sequence. It reaches the operator through the
// message-box service and its view, and reads the port, echo type and kit folder from the document.
class CUpgradeForm {
public:
    CUpgradeForm(UpgradeDocument& document, UpgradeView& view, std::int32_t productLine);

    // Loads the configuration, shows the kit's texts, warns of an unknown product line and a test kit.
    void FormStart();
    bool ConfigurationLoaded() const { return configLoaded_; }

    // True when the attached radio may be programmed; Radio() then holds what was chosen for it.
    bool VerifyRadio();
    const VerifiedRadio& Radio() const { return radio_; }

    // The radio's power-up status (status 5, byte 0); none, after its message, when it cannot be read.
    std::optional<std::uint8_t> PowerUpStatus();
    // A power-up status with a hardware problem; the operator has been told.
    static bool RefusedForHardware(std::uint8_t powerUpStatus);

    const KitVersion& Version() const { return version_; }
    int CodeplugType() const { return codeplugType_; }
    FlashSettings& Flash() { return flash_; }
    FileManager& Configuration() { return config_; }
    std::int32_t ProductLine() const { return productLine_; }

private:
    bool LoadConfiguration();
    void WarnOfTestKit();

    UpgradeDocument& document_;
    UpgradeView& view_;
    std::int32_t productLine_;
    FileManager config_;
    bool configLoaded_ = false;
    KitVersion version_;
    int codeplugType_ = 0;
    CKwipBroker broker_;
    VerifiedRadio radio_;
    FlashSettings flash_;
};
