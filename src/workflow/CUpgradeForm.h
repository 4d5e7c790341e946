#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

#include "engine/FlashSettings.h"
#include "engine/KitVersion.h"
#include "files/FileManager.h"
#include "kwip/CKwipBroker.h"
#include "workflow/ProgramOutcome.h"
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

    // The power-up check before codeplug programming or patching: false, after its message, when the
    // status cannot be read or shows a hardware problem. A firmware-only upgrade asks nothing.
    bool PowerUpCheckPasses();
    // The boot variant for the engine and, when firmware is flashed, the boot code of the radio's group
    // at the chosen flash rate, loaded and checked on every press. The flash dialog asks for the rate at
    // the first press and again for a radio of another group. False when the press must end (a missing
    // boot-code file also asks the application to quit with kBootCodeMissingExit).
    bool PrepareFlashing();
    static constexpr int kBootCodeMissingExit = -1;
    // The operator's menu command: the flash dialog now; a confirmed rate serves the next press whatever
    // its radio's group.
    void ChangeFlashRate();

    // The Program button: verification, the power-up check, the flash dialog, then engine attempts until
    // one succeeds or the operator gives up. Every ending has been shown to the operator when it returns.
    void OnProgram();
    const ProgramOutcome& LastOutcome() const { return lastOutcome_; }

    const KitVersion& Version() const { return version_; }
    int CodeplugType() const { return codeplugType_; }
    FlashSettings& Flash() { return flash_; }
    FileManager& Configuration() { return config_; }
    std::int32_t ProductLine() const { return productLine_; }

private:
    bool LoadConfiguration();
    std::optional<std::uint8_t> PowerUpStatus();
    void WarnOfTestKit();
    ProgramOutcome Program();
    void RecordPress(const ProgramOutcome& outcome, std::chrono::system_clock::time_point started,
                     double seconds) const;

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
    std::optional<std::uint32_t> rateGroup_;  // the radio group the flash rate was last asked for
    bool rateChosenFromMenu_ = false;
    ProgramOutcome lastOutcome_;
};
