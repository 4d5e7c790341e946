#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "errors/MessageBoxService.h"
#include "workflow/ProgramOutcome.h"
#include "workflow/ProgramStatusTable.h"

class CError;
class CRadioUpgrade;
class CSerial;
class RadioSavedData;
class UpgradeDocument;
struct FlashSettings;
struct KitVersion;
struct VerifiedRadio;

// The attempt loop of a Program press: a new engine per attempt, the bootstrap-mode instructions before
// each attempt that flashes firmware, and the operator's answer to each engine status deciding between
// a retry and the end of the press.
class ProgramSequence {
public:
    ProgramSequence(const UpgradeDocument& document, const VerifiedRadio& radio, FlashSettings& flash,
                    const KitVersion& version, int codeplugType, std::int32_t productLine);

    ProgramOutcome Run();

private:
    enum class PortResult { Lent, Cancelled, Unavailable };

    bool FirmwareFilesSound(ProgramOutcome& outcome);
    PortResult LendBootstrapPort(CRadioUpgrade& engine, AttemptState state, ProgramOutcome& outcome);
    CSerial* OpenBootstrapPort();
    // The retry question again, headed by the text of the error that kept the port from opening.
    static MessageResult AskRetryAfterOpenFailure(const CError& error);
    void HandOverInputs(CRadioUpgrade& engine);
    std::string Details(UpgradeStatus status, const CRadioUpgrade& engine, const RadioSavedData& savedData) const;
    std::string Shown(const std::filesystem::path& file) const;
    AttemptState React(UpgradeStatus status, bool restartFailed, AttemptState state, const std::string& details,
                       ProgramOutcome& outcome);

    const UpgradeDocument& document_;
    const VerifiedRadio& radio_;
    FlashSettings& flash_;
    const KitVersion& version_;
    int codeplugType_;
    std::int32_t productLine_;
};
