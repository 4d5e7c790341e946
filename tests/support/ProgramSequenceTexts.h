#pragma once

// The program sequence's boxes as the operator reads them, written out once for the tests that follow a
// whole Program press; kept apart from the code's own table so that a changed text fails these tests.
namespace ProgramSequenceTexts {

inline constexpr const char* kFirstBootstrapPrompt =
    "1) Switch the radio ON/OFF switch to the ON position.\n2) Throw the switch on the flashing kit to the ON "
    "position.\n3) Remove the battery supply and then put it back to set radio in bootstrap mode.";
inline constexpr const char* kSuccess = "Radio Update is successful";
inline constexpr const char* kNotStarted =
    "Flashing operation could not be started.\n\nIf the radio is now not responding (e.g. not able to "
    "PTT),\nplease follow the following steps:\n\n1) Remove the programming cable from the radio\n2) Remove "
    "the battery and then reconnect it back to the radio\n3) Make sure the radio is switched on\n4) "
    "Reconnect back the programming cable and retry again";
inline constexpr const char* kNoFlashSize =
    "Failed to detect FlashRom size.\nPlease press the OK button to retry or press the CANCEL button to "
    "cancel the programming.\n\nWARNING!\nCanceling at this point will leave the radio inoperable.";
inline constexpr const char* kNotInBootstrapMode =
    "Flashing operation could not be started.\nThe radio may not be in bootstrap mode.\nPlease press the OK "
    "button to retry or press the CANCEL button to cancel the programming.\n\nWARNING!\nCanceling at this "
    "point will leave the radio inoperable.";
inline constexpr const char* kUpdateFailed =
    "An error occurred while updating the radio.\nPlease press the OK button to retry or press the CANCEL "
    "button to cancel the programming.\n\nWARNING!\nCanceling at this point will leave the radio inoperable.";
inline constexpr const char* kCancelled = "Programming cancelled by the operator.";
inline constexpr const char* kNotPermitted = "The kit permits no upgrade of this radio";

}  // namespace ProgramSequenceTexts
