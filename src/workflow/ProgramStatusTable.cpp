#include "workflow/ProgramStatusTable.h"

namespace {

using OnOk = ProgramPrompt::OnOk;

#define CORVIDA_BOOTSTRAP_STEPS                                                                                 \
    "1) Switch the radio ON/OFF switch to the ON position.\n2) Throw the switch on the flashing kit to the ON " \
    "position.\n3) Remove the battery supply and then put it back to set radio in bootstrap mode."
#define CORVIDA_RETRY_OR_CANCEL                                                                               \
    "Please press the OK button to retry or press the CANCEL button to cancel the programming.\n\nWARNING!\n" \
    "Canceling at this point will leave the radio inoperable."

constexpr ProgramPrompt kFirstBootstrapPrompt = {CORVIDA_BOOTSTRAP_STEPS, "NOTE", MessageIcon::Information,
                                                 MessageButtons::OkCancel, OnOk::Continue};
constexpr ProgramPrompt kRetryBootstrapPrompt = {
    "Set radio in bootstrap mode.\n\nWARNING!\nNot following these instructions exactly may cause the radio to "
    "be inoperable.\n\nComplete these steps before pressing the \"OK\" button.\n\n" CORVIDA_BOOTSTRAP_STEPS,
    "NOTE", MessageIcon::Information, MessageButtons::Ok, OnOk::Continue};

constexpr ProgramPrompt kSucceeded = {"Radio Update is successful", "NOTE", MessageIcon::Information,
                                      MessageButtons::Ok, OnOk::Finish};
constexpr ProgramPrompt kSucceededWithoutRestart = {
    "Radio Update is successful\nThe radio did not restart by itself: please switch the radio off and on.",
    "NOTE", MessageIcon::Information, MessageButtons::Ok, OnOk::Finish};
constexpr ProgramPrompt kInvalidDataFile = {
    "Upgrade operation detected an invalid data file.\nPlease reinstall the application!",
    "Invalid Operation", MessageIcon::Stop, MessageButtons::Ok, OnOk::Finish};
constexpr ProgramPrompt kNotStartedFirst = {
    "Flashing operation could not be started.\n\nIf the radio is now not responding (e.g. not able to PTT),\n"
    "please follow the following steps:\n\n1) Remove the programming cable from the radio\n2) Remove the "
    "battery and then reconnect it back to the radio\n3) Make sure the radio is switched on\n4) Reconnect back "
    "the programming cable and retry again",
    "Initialization Error", MessageIcon::Stop, MessageButtons::Ok, OnOk::Finish};
constexpr ProgramPrompt kNotStartedRetry = {
    "Flashing operation could not be started.\nThe radio may not be in bootstrap mode.\n" CORVIDA_RETRY_OR_CANCEL,
    "Error", MessageIcon::Stop, MessageButtons::OkCancel, OnOk::Retry};
constexpr ProgramPrompt kFlashSizeNotDetected = {"Failed to detect FlashRom size.\n" CORVIDA_RETRY_OR_CANCEL,
                                                 "Error", MessageIcon::Stop, MessageButtons::OkCancel,
                                                 OnOk::Retry};
// A cancel stops at a safe point, so it ends the press without the warning of a failure.
constexpr ProgramPrompt kCancelled = {"Programming cancelled by the operator.", "NOTE", MessageIcon::Information,
                                      MessageButtons::Ok, OnOk::Finish};
constexpr ProgramPrompt kUpdateFailed = {
    "An error occurred while updating the radio.\n" CORVIDA_RETRY_OR_CANCEL, "Error", MessageIcon::Stop,
    MessageButtons::OkCancel, OnOk::Retry};

#undef CORVIDA_BOOTSTRAP_STEPS
#undef CORVIDA_RETRY_OR_CANCEL

}  // namespace

const ProgramPrompt& ProgramStatusTable::BootstrapPrompt(AttemptState state) {
    return state == AttemptState::Retry ? kRetryBootstrapPrompt : kFirstBootstrapPrompt;
}

const ProgramPrompt& ProgramStatusTable::Reaction(UpgradeStatus status, AttemptState state) {
    switch (status) {
        case UpgradeStatus::Succeeded:
            return kSucceeded;
        case UpgradeStatus::InvalidDataFile:
            return kInvalidDataFile;
        case UpgradeStatus::BootcodeFailed:
            return state == AttemptState::Retry ? kNotStartedRetry : kNotStartedFirst;
        case UpgradeStatus::FlashSizeNotDetected:
            return kFlashSizeNotDetected;
        case UpgradeStatus::Cancelled:
            return kCancelled;
        default:
            return kUpdateFailed;
    }
}

const ProgramPrompt& ProgramStatusTable::RetryQuestion() {
    return kUpdateFailed;
}

const ProgramPrompt& ProgramStatusTable::SucceededWithoutRestart() {
    return kSucceededWithoutRestart;
}
