#pragma once

#include "engine/UpgradeStatus.h"
#include "errors/MessageBoxService.h"

// Where a Program press stands: its first attempt, a retry the operator asked for, or finished.
enum class AttemptState { First = 0, Retry = 1, Finished = 2 };

// One box of the program sequence and what its OK button does (Cancel always finishes).
struct ProgramPrompt {
    enum class OnOk { Finish, Retry, Continue };

    const char* text;
    const char* caption;
    MessageIcon icon;
    MessageButtons buttons;
    OnOk onOk;
};

// The program sequence's boxes as data: the bootstrap-mode instructions before an attempt that flashes
// firmware, and the answer to each engine status.
class ProgramStatusTable {
public:
    // The short instructions with Cancel on the first attempt, the long warning without it on a retry.
    static const ProgramPrompt& BootstrapPrompt(AttemptState state);
    // Status 3 ends the first attempt of a press but offers a retry on a later one.
    static const ProgramPrompt& Reaction(UpgradeStatus status, AttemptState state);
    // The general retry question ("An error occurred while updating the radio..."), also asked when a
    // retry's port cannot be opened.
    static const ProgramPrompt& RetryQuestion();
    // The success box of a run whose radio did not take its final reset.
    static const ProgramPrompt& SucceededWithoutRestart();
};
