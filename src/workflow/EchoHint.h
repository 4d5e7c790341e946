#pragma once

#include <string>

#include "kwip/CKwipComm.h"

// The hint added to the message of a radio's first failed request when the exchange suspects the echo
// setting: which way it seems wrong, and where the operator changes it.
class EchoHint {
public:
    // `text` unchanged when there is no suspicion; `settingName` as UpgradeDocument::EchoSettingName.
    static std::string Append(const std::string& text, CKwipComm::EchoSuspicion suspicion,
                              const std::string& settingName);
};
