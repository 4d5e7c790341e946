#include "workflow/EchoHint.h"

#include "errors/TextFormat.h"

namespace {

constexpr const char* kNoEchoCame =
    "Nothing came back as the echo of the request. Without the ZUB interface box the echo must be off: "
    "check %s.";
constexpr const char* kOwnEchoCame =
    "The request came back as it was sent, as the ZUB interface box returns it. With the box the echo must "
    "be on: check %s.";

}  // namespace

std::string EchoHint::Append(const std::string& text, CKwipComm::EchoSuspicion suspicion,
                             const std::string& settingName) {
    switch (suspicion) {
        case CKwipComm::EchoSuspicion::NoEchoCame:
            return text + "\n\n" + FormatText(kNoEchoCame, settingName.c_str());
        case CKwipComm::EchoSuspicion::OwnEchoCame:
            return text + "\n\n" + FormatText(kOwnEchoCame, settingName.c_str());
        case CKwipComm::EchoSuspicion::None:
            break;
    }
    return text;
}
