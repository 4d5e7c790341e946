#include "workflow/RadioVerifier.h"

#include <algorithm>
#include <array>

#include "engine/KitVersion.h"
#include "errors/CError.h"
#include "errors/CErrorLog.h"
#include "errors/CGenError.h"
#include "errors/MessageBoxService.h"
#include "files/FileManager.h"
#include "files/KitFile.h"
#include "files/ProductLine.h"
#include "kwip/CKwipBroker.h"
#include "workflow/EchoHint.h"
#include "workflow/KitSyntaxError.h"
#include "workflow/ModelMatchingBlock.h"
#include "workflow/RadioMatchingBlock.h"
#include "workflow/UpgradeDocument.h"
#include "workflow/VerificationBlock.h"

namespace {

constexpr std::uint8_t kModelStatus = 0;
constexpr std::uint8_t kReleaseStatus = 3;
constexpr std::uint8_t kVariantStatus = 4;
constexpr std::uint8_t kSerialStatus = 11;
constexpr std::uint8_t kStatus14 = 14;
constexpr std::uint8_t kIdentityStatus = 15;
constexpr std::uint8_t kStatus16 = 16;

constexpr std::size_t kModelTextBuffer = 525;
constexpr std::size_t kSerialTextBuffer = 11;
constexpr std::size_t kStatus14Buffer = 3;
constexpr std::size_t kStatus16Buffer = 2;
constexpr std::size_t kIdentityBuffer = 17;
constexpr std::size_t kCodeplugCodeBytes = 10;
constexpr std::size_t kVariantCodeBytes = 2;

constexpr unsigned kCodeplugCodeAddress = 709;
constexpr unsigned kFarVarnoCodeplugCodeAddress = 706;
constexpr unsigned kOrbisCodeplugCodeAddress = 716;

// The identities whose model matching also compares the codeplug code.
constexpr std::array<std::array<std::uint8_t, 16>, 6> kFixedIdentities = {{
    {0xE5, 0x8E, 0xC1, 0x54, 0x19, 0x9D, 0x11, 0xD1, 0x80, 0x18, 0x00, 0x60, 0xB0, 0x3C, 0x8A, 0xFF},
    {0xB2, 0xA7, 0x0A, 0x04, 0x90, 0x2F, 0x11, 0xD6, 0xBF, 0xA6, 0x00, 0xC0, 0x4F, 0x6B, 0x8C, 0x5D},
    {0x48, 0x5F, 0x2B, 0x48, 0xFB, 0xA7, 0x45, 0xAF, 0xB2, 0x78, 0xDD, 0x8E, 0x6B, 0x17, 0xF3, 0xBC},
    {0x06, 0xF6, 0x7B, 0x2F, 0x23, 0x04, 0x4F, 0xA8, 0xB5, 0x6C, 0x64, 0x1F, 0xC8, 0xCC, 0xD9, 0x24},
    {0xBC, 0x91, 0xAC, 0x20, 0x21, 0x4D, 0x48, 0xDD, 0x94, 0xB5, 0x7D, 0xC2, 0x99, 0x5A, 0x87, 0xAB},
    {},
}};

constexpr const char* kIncompatibleConfig =
    "The configuration file used is not compatible with the current application!";
constexpr const char* kUnsupportedSeries =
    "Verification of radio failed. The current radio is not of the supported radio series";
constexpr const char* kOnlyForR03 =
    "Verification of radio failed : This upgradekit is only for R03 radio upgrades, please use R02 upgradekit.";
constexpr const char* kOnlyForR02 =
    "Verification of radio failed : This upgradekit is only for R02 radio upgrades, please use R03 upgradekit.";
constexpr const char* kRequirementsNotMet =
    "Verification of radio failed : The current radio does not meet all upgrade requirements or it has "
    "already been upgraded";
constexpr const char* kModelNotSupported = "Upgrading of this model not supported";
constexpr const char* kReleaseNotSupported =
    "Verification of radio failed. The current radio release %s is not supported by this upgradekit";
constexpr const char* kCodeplugFileMissing =
    "Unable to open codeplug file\nPlease make sure installation is completed successfully";
constexpr const char* kDataFileCorrupt =
    "The required data file is corrupted and unuseable\nPlease reinstall the application!";
constexpr const char* kNoMemory =
    "Unable to allocate temporary memory buffer.\nPlease free up some system memory and try again!";

void ShowError(const std::string& text) {
    MessageBoxService::ShowMessage(text, "Error", MessageIcon::Stop, MessageButtons::Ok);
}

// A reply text as the radio's C string: up to its first zero byte and before its first blank.
std::string CutAtBlank(std::string_view text) {
    text = text.substr(0, std::min(text.find('\0'), text.find(' ')));
    return std::string(text);
}

// Holds the broker's port open for one verification.
class OpenPort {
public:
    OpenPort(CKwipBroker& broker, unsigned port, std::uint8_t echo) : broker_(broker) {
        broker_.PortOpen = true;
        try {
            broker_.Comm().Open(port, echo);
        } catch (...) {
            Close();  // a failed open keeps the port borrowed
            throw;
        }
    }
    ~OpenPort() { Close(); }
    OpenPort(const OpenPort&) = delete;
    OpenPort& operator=(const OpenPort&) = delete;

private:
    void Close() {
        broker_.Comm().Close();
        broker_.PortOpen = false;
    }

    CKwipBroker& broker_;
};

}  // namespace

RadioVerifier::RadioVerifier(FileManager& config, CKwipBroker& broker, const UpgradeDocument& document,
                             std::int32_t productLine, const KitVersion& version)
    : config_(config), broker_(broker), document_(document), productLine_(productLine), version_(version) {}

bool RadioVerifier::Verify(VerifiedRadio& radio) {
    if (config_.ReadFirstLine() != kVersionTag) {
        ShowError(kIncompatibleConfig);
        return false;
    }
    radio = VerifiedRadio{};
    radio_ = &radio;
    try {
        const OpenPort port(broker_, document_.PortNumber(), document_.EchoType());
        if (!FindGroup()) {
            ShowError(kUnsupportedSeries);
            return false;
        }
        if (!CheckRelease())
            return false;
        if (!CheckVerificationBlock()) {
            ShowError(kRequirementsNotMet);
            return false;
        }
        ProcessCodeplugFile();
        MatchRadio();
        LoadPatchData();
        return true;
    } catch (const CError& error) {
        ShowError(EchoHint::Append(error.GetText(), broker_.Comm().SuspectedEcho(), document_.EchoSettingName()));
        return false;
    }
}

bool RadioVerifier::FindGroup() {
    const std::vector<char> reply = RequestStatus(kIdentityStatus, kIdentityBuffer);
    std::copy_n(reply.begin(), radio_->identity.size(), reinterpret_cast<char*>(radio_->identity.data()));
    const std::optional<std::uint32_t> group =
        RadioGroupRegion(config_).FindGroup(radio_->identity, identityBuffer_);
    if (!group)
        return false;
    radio_->group = *group;
    return true;
}

bool RadioVerifier::CheckRelease() {
    if (productLine_ != ProductLine::kKestar02 && productLine_ != ProductLine::kKestar03)
        return true;
    const auto code =
        static_cast<std::uint8_t>(VerificationBlock(config_, radio_->group).ReleaseStatusCode());
    const std::vector<char> reply = RequestStatus(code, kReplyBytes);
    if (reply[1] != '0')
        return true;
    if (reply[2] == '2' && productLine_ == ProductLine::kKestar03) {
        ShowError(kOnlyForR03);
        return false;
    }
    if (reply[2] == '3' && productLine_ == ProductLine::kKestar02) {
        ShowError(kOnlyForR02);
        return false;
    }
    return true;
}

bool RadioVerifier::CheckVerificationBlock() {
    const std::vector<VerificationEntry> entries = VerificationBlock(config_, radio_->group).ReadEntries();
    for (auto run = entries.begin(); run != entries.end();) {
        const auto runEnd = std::find_if(
            run, entries.end(),
            [code = run->statusCode](const VerificationEntry& entry) { return entry.statusCode != code; });
        const auto code = static_cast<std::uint8_t>(run->statusCode);
        const std::vector<char> reply = RequestStatus(code, VerificationBlock::kReplyBytes);
        if (code == kVariantStatus)
            radio_->variantCode.assign(reply.begin(), reply.begin() + kVariantCodeBytes);
        const bool matched = std::any_of(
            run, runEnd, [&reply](const VerificationEntry& entry) { return entry.Matches(reply); });
        if (!matched)
            return false;
        run = runEnd;
    }
    return true;
}

void RadioVerifier::ProcessCodeplugFile() {
    ModelMatchingBlock block(config_, radio_->group);
    const std::vector<ModelEntry> entries = block.ReadEntries();
    const std::uint32_t perSet = block.EntriesPerSet();

    RadioModelData data;
    data.modelText = RequestText(kModelStatus, kModelTextBuffer);
    if (IsFixedIdentity()) {
        std::array<std::uint8_t, kCodeplugCodeBytes> code{};
        broker_.ReadRequest(CodeplugCodeAddress(), code);
        data.codeplugCode = CutAtBlank({reinterpret_cast<const char*>(code.data()), code.size()});
    }
    data.status11Text = RequestText(kSerialStatus, kSerialTextBuffer);
    std::vector<char> status14 = RequestStatus(kStatus14, kStatus14Buffer);
    const auto blank = std::find(status14.begin(), status14.begin() + 2, ' ');
    if (blank != status14.begin() + 2)
        *blank = '\0';
    data.status14Byte1 = static_cast<std::uint8_t>(status14[1]);
    data.status16Byte = static_cast<std::uint8_t>(RequestStatus(kStatus16, kStatus16Buffer)[0]);
    radio_->serialText = data.status11Text;

    const bool checksStatus14 = productLine_ == ProductLine::kKds || productLine_ == ProductLine::kFarVarno;
    const auto selected = std::find_if(entries.begin(), entries.end(), [&](const ModelEntry& entry) {
        return entry.Fits(data, checksStatus14);
    });
    if (selected == entries.end())
        throw CGenError(3, "%s", kModelNotSupported);
    radio_->modelIndex = static_cast<std::uint32_t>(selected - entries.begin()) % perSet;
    radio_->options.modelCode = selected->modelCode;
    radio_->codeplugFile = selected->codeplugFile;
    if (selected->codeplugFile != ModelEntry::kNoCodeplugFile) {
        block.CheckCodeplugFileName(*selected);
        ReadCodeplugFile(selected->codeplugFile);
    }
}

void RadioVerifier::ReadCodeplugFile(const std::string& name) {
    radio_->codeplugText.reset();
    const KitFileResult file =
        ReadKitFile(document_.WorkingDirectory() / name, version_.key, KitFileKind::kCodeplug);
    switch (file.failure) {
        case KitFileFailure::kNone:
            radio_->codeplugText = std::string(file.Text());
            return;
        case KitFileFailure::kOpen:
            throw CGenError(3, "%s", kCodeplugFileMissing);
        case KitFileFailure::kCorrupt:
        case KitFileFailure::kTooLarge:
            ShowError(kDataFileCorrupt);
            return;
        case KitFileFailure::kAllocation:
            ErrorLog().Log(
                "CUpgradeForm::ProcessCodeplugFile: Unable to allocate memory for storing firmware S-Record");
            ShowError(kNoMemory);
            return;
    }
}

void RadioVerifier::MatchRadio() {
    const std::vector<char> reply = RequestStatus(kReleaseStatus, kReplyBytes);
    radio_->release = reply.data();  // compared whole, blanks included
    std::optional<UpgradeOptions> options =
        RadioMatchingBlock(config_, radio_->group).Select(radio_->release, radio_->modelIndex);
    if (!options)
        throw CGenError(3, kReleaseNotSupported, radio_->release.c_str());
    options->modelCode = radio_->options.modelCode;
    radio_->options = *options;
}

void RadioVerifier::LoadPatchData() {
    radio_->patchRecords.reset();
    if (!radio_->options.patchCodeplug)
        return;
    config_.FindBlock("PATCHER_DATA_BLOCK", radio_->group);
    PatchSection section = LoadPatchSection(config_, radio_->modelIndex);
    if (!section.closed)
        RaiseKitSyntaxError(config_, "PATCHER_DATA_BLOCK", section.firstLine,
                            "patch section without its 99 record");
    radio_->patchRecords = std::move(section.records);
}

std::vector<char> RadioVerifier::RequestStatus(std::uint8_t code, std::size_t bufferBytes) {
    std::vector<char> buffer(std::max(bufferBytes, kReplyBytes));
    broker_.RadioStatusRequest(code, std::span(buffer.data(), bufferBytes));
    return buffer;
}

std::string RadioVerifier::RequestText(std::uint8_t code, std::size_t bufferBytes) {
    std::vector<char> buffer(bufferBytes);
    return CutAtBlank(broker_.RadioStatusRequest(code, buffer));
}

bool RadioVerifier::IsFixedIdentity() const {
    return std::any_of(kFixedIdentities.begin(), kFixedIdentities.end(), [this](const auto& fixed) {
        return std::equal(fixed.begin(), fixed.end(), identityBuffer_.begin());
    });
}

unsigned RadioVerifier::CodeplugCodeAddress() const {
    switch (productLine_) {
        case ProductLine::kFarVarno:
            return kFarVarnoCodeplugCodeAddress;
        case ProductLine::kOrbis:
            return kOrbisCodeplugCodeAddress;
        default:
            return kCodeplugCodeAddress;
    }
}
