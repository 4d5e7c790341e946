#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "workflow/RadioGroupRegion.h"
#include "workflow/VerifiedRadio.h"

class CKwipBroker;
class FileManager;
class UpgradeDocument;
struct KitVersion;

// The checks of one verification on an open port: the radio's group, its release against the KESTAR
// kits, the verification entries, the model entry and its codeplug file, the operations and the patch
// records. Nothing is written to the radio. Operator messages go through the message-box service; errors
// raised here (CGenError, KWIP errors) are for the caller to show.
class RadioVerifier {
public:
    // The configuration's first line, the version block's header.
    static constexpr const char* kVersionTag = "PATCH-D01.01.07";

    RadioVerifier(FileManager& config, CKwipBroker& broker, const UpgradeDocument& document,
                  std::int32_t productLine, const KitVersion& version);

    // True when the radio may be programmed; `radio` then holds the choices. On false the operator has
    // been told why.
    bool Verify(VerifiedRadio& radio);

    bool CheckVerificationBlock();
    // Raises CGenError 3 when no model entry fits or the codeplug file is missing.
    void ProcessCodeplugFile();
    // Raises CGenError 3 when no matching row names the radio's release.
    void MatchRadio();
    void LoadPatchData();

private:
    static constexpr std::size_t kReplyBytes = 256;

    bool FindGroup();
    bool CheckRelease();
    std::vector<char> RequestStatus(std::uint8_t code, std::size_t bufferBytes);
    std::string RequestText(std::uint8_t code, std::size_t bufferBytes);
    bool IsFixedIdentity() const;
    unsigned CodeplugCodeAddress() const;
    void ReadCodeplugFile(const std::string& name);

    FileManager& config_;
    CKwipBroker& broker_;
    const UpgradeDocument& document_;
    std::int32_t productLine_;
    const KitVersion& version_;
    RadioGroupRegion::IdentityBuffer identityBuffer_{};
    VerifiedRadio* radio_ = nullptr;
};
