#include "workflow/FlashDialog.h"

#include <algorithm>
#include <span>
#include <vector>

#include "engine/BootcodeImage.h"
#include "engine/CBootstrap.h"
#include "errors/CErrorLog.h"
#include "errors/MessageBoxService.h"
#include "errors/TextFormat.h"
#include "files/BlowfishCipher.h"
#include "files/KitFileName.h"
#include "files/RegularFile.h"
#include "workflow/KitSyntaxError.h"
#include "workflow/RadioGroupRegion.h"
#include "workflow/UpgradeView.h"

namespace {

constexpr const char* kBootCodeMissing = "Boot code file is non-existent or corrupt !!: Terminating program";
constexpr const char* kBootCodeCorrupt =
    "Upgrade operation detected an invalid data file.\nPlease reinstall the application!\n\nThe boot code "
    "file %s cannot be used.";
constexpr const char* kBootCodeTooLarge =
    "Boot code file %s is larger than 10000 bytes and cannot be used.\nPlease reinstall the application!";

}  // namespace

FlashDialog::FlashDialog(FlashSettings& settings, FileManager& config, std::uint32_t group,
                         std::string kitKey, std::filesystem::path workingDirectory)
    : settings_(settings),
      config_(config),
      group_(group),
      kitKey_(std::move(kitKey)),
      workingDirectory_(std::move(workingDirectory)) {}

unsigned FlashDialog::RateChoice(std::optional<unsigned> flashRate) {
    const auto rate = std::find(kRates.begin(), kRates.end(), flashRate.value_or(0));
    return rate == kRates.end() ? 0 : static_cast<unsigned>(rate - kRates.begin());
}

bool FlashDialog::AskRate(FlashSettings& settings, UpgradeView& view) {
    const std::optional<unsigned> chosen = view.ChooseFlashRate(settings.flashRate);
    const bool confirmed = chosen && std::find(kRates.begin(), kRates.end(), *chosen) != kRates.end();
    settings.flashRate = kRates[RateChoice(confirmed ? chosen : settings.flashRate)];
    return confirmed;
}

FlashDialog::Outcome FlashDialog::LoadBootCode() {
    Outcome failure = Outcome::Loaded;
    std::optional<std::string> bootCode = ReadBootCode(RateChoice(settings_.flashRate), failure);
    if (!bootCode)
        return failure;
    settings_.bootCodeText = std::move(*bootCode);
    return Outcome::Loaded;
}

std::optional<std::string> FlashDialog::ReadBootCode(unsigned rateChoice, Outcome& failure) const {
    const std::string name = RadioGroupRegion(config_).BootCodeFileName(group_, rateChoice);
    if (!NameIsPlain(rateChoice, name)) {
        failure = Outcome::BootCodeNameRefused;
        return std::nullopt;
    }
    const RegularFile file(workingDirectory_ / name);
    if (!file.IsOpen()) {
        MessageBoxService::ShowMessage(kBootCodeMissing, "", MessageIcon::None, MessageButtons::Ok);
        failure = Outcome::BootCodeMissing;
        return std::nullopt;
    }
    if (file.Size() > kBootCodeBufferBytes) {
        ErrorLog().Log("FlashDialog::OnOK: Boot code file %s exceeds %u bytes", name.c_str(),
                       static_cast<unsigned>(kBootCodeBufferBytes));
        MessageBoxService::ShowMessage(FormatText(kBootCodeTooLarge, name.c_str()), "Error",
                                       MessageIcon::Stop, MessageButtons::Ok);
        failure = Outcome::BootCodeTooLarge;
        return std::nullopt;
    }
    std::vector<char> content(static_cast<std::size_t>(file.Size()));
    if (!file.ReadFromStart(content)) {
        MessageBoxService::ShowMessage(kBootCodeMissing, "", MessageIcon::None, MessageButtons::Ok);
        failure = Outcome::BootCodeMissing;
        return std::nullopt;
    }
    // A size that is not a whole number of cipher blocks stays as read, as the cipher leaves it.
    BlowfishCipher(kitKey_).DecryptBuffer(
        std::span(reinterpret_cast<std::uint8_t*>(content.data()), content.size()));
    const auto zero = std::find(content.begin(), content.end(), '\0');
    std::string text(content.begin(), zero);
    // Found now rather than at the download, when the radio has already left its firmware.
    if (!BootcodeImage(text)) {
        ErrorLog().Log("FlashDialog::OnOK: Boot code file %s holds no boot code of at most %u bytes", name.c_str(),
                       static_cast<unsigned>(CBootstrap::kMaxImageBytes));
        MessageBoxService::ShowMessage(FormatText(kBootCodeCorrupt, name.c_str()), "Invalid Operation",
                                       MessageIcon::Stop, MessageButtons::Ok);
        failure = Outcome::BootCodeCorrupt;
        return std::nullopt;
    }
    return text;
}

// The name stays inside the kit folder, or the kit is at fault and the operator is told so.
bool FlashDialog::NameIsPlain(unsigned rateChoice, const std::string& name) const {
    const std::optional<std::string_view> fault = KitFileNameFault(name);
    if (!fault)
        return true;
    const std::string what = "boot-code file name \"" + name + "\" " + std::string(*fault);
    const CGenError error =
        KitSyntaxError(config_, RadioGroupRegion::kBlock, RadioGroupRegion::BootCodeLine(rateChoice), what);
    MessageBoxService::ShowMessage(error.GetText(), "Error", MessageIcon::Stop, MessageButtons::Ok);
    return false;
}
