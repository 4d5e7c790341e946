#include <gtest/gtest.h>

#include "workflow/ProgramStatusTable.h"

namespace {

using OnOk = ProgramPrompt::OnOk;

const std::string kRetryOrCancel =
    "Please press the OK button to retry or press the CANCEL button to cancel the programming.\n\nWARNING!\n"
    "Canceling at this point will leave the radio inoperable.";

struct Row {
    UpgradeStatus status;
    AttemptState state;
    std::string text;
    const char* caption;
    MessageIcon icon;
    MessageButtons buttons;
    OnOk onOk;
};

TEST(ProgramStatusTableTest, EveryStatusHasItsBoxAndDecision) {
    const Row rows[] = {
        {UpgradeStatus::Succeeded, AttemptState::First, "Radio Update is successful", "NOTE",
         MessageIcon::Information, MessageButtons::Ok, OnOk::Finish},
        {UpgradeStatus::InvalidDataFile, AttemptState::Retry,
         "Upgrade operation detected an invalid data file.\nPlease reinstall the application!",
         "Invalid Operation", MessageIcon::Stop, MessageButtons::Ok, OnOk::Finish},
        {UpgradeStatus::BootcodeFailed, AttemptState::First,
         "Flashing operation could not be started.\n\nIf the radio is now not responding (e.g. not able to PTT),\n"
         "please follow the following steps:\n\n1) Remove the programming cable from the radio\n2) Remove the "
         "battery and then reconnect it back to the radio\n3) Make sure the radio is switched on\n4) Reconnect "
         "back the programming cable and retry again",
         "Initialization Error", MessageIcon::Stop, MessageButtons::Ok, OnOk::Finish},
        {UpgradeStatus::BootcodeFailed, AttemptState::Retry,
         "Flashing operation could not be started.\nThe radio may not be in bootstrap mode.\n" +
             kRetryOrCancel,
         "Error", MessageIcon::Stop, MessageButtons::OkCancel, OnOk::Retry},
        {UpgradeStatus::FlashSizeNotDetected, AttemptState::First,
         "Failed to detect FlashRom size.\n" + kRetryOrCancel, "Error", MessageIcon::Stop,
         MessageButtons::OkCancel, OnOk::Retry},
        {UpgradeStatus::Cancelled, AttemptState::Retry, "Programming cancelled by the operator.", "NOTE",
         MessageIcon::Information, MessageButtons::Ok, OnOk::Finish},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        const ProgramPrompt& prompt = ProgramStatusTable::Reaction(row.status, row.state);
        EXPECT_EQ(prompt.text, row.text);
        EXPECT_STREQ(prompt.caption, row.caption);
        EXPECT_EQ(prompt.icon, row.icon);
        EXPECT_EQ(prompt.buttons, row.buttons);
        EXPECT_EQ(prompt.onOk, row.onOk);
    }
}

TEST(ProgramStatusTableTest, EngineFailuresAndUnknownStatusesOfferARetry) {
    const std::string text = "An error occurred while updating the radio.\n" + kRetryOrCancel;
    for (int status : {0, 1, 2, 8, -1}) {
        const ProgramPrompt& prompt =
            ProgramStatusTable::Reaction(static_cast<UpgradeStatus>(status), AttemptState::First);
        EXPECT_EQ(prompt.text, text) << status;
        EXPECT_EQ(prompt.buttons, MessageButtons::OkCancel);
        EXPECT_EQ(prompt.onOk, OnOk::Retry);
    }
}

TEST(ProgramStatusTableTest, TheFirstBootstrapPromptOffersCancelARetryOnlyWarns) {
    const std::string steps =
        "1) Switch the radio ON/OFF switch to the ON position.\n2) Throw the switch on the flashing kit to the ON "
        "position.\n3) Remove the battery supply and then put it back to set radio in bootstrap mode.";
    const ProgramPrompt& first = ProgramStatusTable::BootstrapPrompt(AttemptState::First);
    EXPECT_EQ(first.text, steps);
    EXPECT_EQ(first.buttons, MessageButtons::OkCancel);
    const ProgramPrompt& retry = ProgramStatusTable::BootstrapPrompt(AttemptState::Retry);
    EXPECT_EQ(
        retry.text,
        "Set radio in bootstrap mode.\n\nWARNING!\nNot following these instructions exactly may cause the "
        "radio to be inoperable.\n\nComplete these steps before pressing the \"OK\" button.\n\n" +
            steps);
    EXPECT_EQ(retry.buttons, MessageButtons::Ok);
    for (const ProgramPrompt* prompt : {&first, &retry}) {
        EXPECT_STREQ(prompt->caption, "NOTE");
        EXPECT_EQ(prompt->icon, MessageIcon::Information);
    }
}

}  // namespace
