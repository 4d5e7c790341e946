#include "VirtualUpgrade.h"

#include <array>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "BenchCodeplug.h"
#include "SRecordWriter.h"
#include "SimLine.h"
#include "VirtualPlatform.h"
#include "engine/CRadioUpgrade.h"
#include "engine/FlashSettings.h"
#include "engine/KitVersion.h"
#include "engine/UpgradeOptions.h"
#include "errors/CErrorLog.h"
#include "errors/CwFileLog.h"
#include "files/BlowfishCipher.h"
#include "kwip/CKwipComm.h"
#include "platform/CPosixSerial.h"
#include "radio/SimRadio.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr unsigned kPort = 1;
constexpr unsigned kBootstrapBaud = 2400;
constexpr std::uint8_t kNoEcho = 0;
constexpr const char* kKitKey = "bench-kit-key";
constexpr std::array<unsigned, 3> kFlashRates = {19200, 38400, 115200};
// The radio's own time from the whole bootcode to its first character, which no program shortens. It
// must leave the program time to change to the flash rate once the last piece has gone out.
constexpr std::uint64_t kBootcodeStartNs = 10'000'000;
// What codeplug programming pauses after each command of its radio access.
constexpr std::uint64_t kCodeplugPostDelayNs = 2'000'000;
constexpr int kStandardCodeplug = 1;
// The kit's codeplug and the radio's differ where the radio's own data lie.
constexpr std::uint8_t kKitCodeplugSeed = 0x10;
constexpr std::uint8_t kRadioCodeplugSeed = 0x40;

Bytes Pattern(std::size_t bytes, unsigned seed) {
    Bytes image(bytes);
    for (std::size_t at = 0; at < bytes; ++at)
        image[at] = static_cast<std::uint8_t>(at * 13 + seed);
    return image;
}

// Each flash rate has its own bootcode, told apart by its last byte.
Bytes BootcodeFor(unsigned flashRate, std::size_t bytes) {
    Bytes image = Pattern(bytes, 7);
    image.back() = static_cast<std::uint8_t>(flashRate / 1200);
    return image;
}

std::string FirmwareFileName(std::size_t bytes) {
    return "fw_" + std::to_string(bytes / 1024) + "k";
}

void WriteKitFile(const std::filesystem::path& name, std::string plain) {
    plain.resize((plain.size() + 7) / 8 * 8, '\0');
    BlowfishCipher(kKitKey).EncryptBuffer(
        std::span(reinterpret_cast<std::uint8_t*>(plain.data()), plain.size()));
    std::ofstream(name, std::ios::binary) << plain;
}

RadioProfile ProfileFor(const VirtualUpgradeCase& upgrade) {
    RadioProfile profile;
    profile.name = "bench radio";
    profile.controller = upgrade.controller;
    profile.flashBytes = upgrade.firmwareBytes;
    profile.codeplug = BenchCodeplug(upgrade.codeplugBytes, kRadioCodeplugSeed);
    profile.bootstrapBaud = kBootstrapBaud;
    for (const unsigned rate : kFlashRates)
        profile.bootcodes.push_back({BootcodeFor(rate, upgrade.bootcodeBytes), rate});
    profile.latencies = {0, 0, 0, 0, 0, kBootcodeStartNs};
    return profile;
}

// Puts the platform in place and back, and the current folder with it.
class BenchWorld {
public:
    BenchWorld(std::unique_ptr<CPlatform> platform, const std::filesystem::path& folder)
        : previousFolder_(std::filesystem::current_path()),
          previous_(CPlatform::Install(std::move(platform))) {
        ErrorLog().CloseSinks();
        std::filesystem::current_path(folder);
    }
    ~BenchWorld() {
        ErrorLog().CloseSinks();
        CPlatform::Install(std::move(previous_));
        std::filesystem::current_path(previousFolder_);
    }
    BenchWorld(const BenchWorld&) = delete;
    BenchWorld& operator=(const BenchWorld&) = delete;

private:
    std::filesystem::path previousFolder_;
    std::unique_ptr<CPlatform> previous_;
};

}  // namespace

VirtualUpgradeResult RunVirtualUpgrade(const VirtualUpgradeCase& upgrade,
                                       const std::filesystem::path& workFolder) {
    const std::filesystem::path kit = workFolder / "kit";
    std::filesystem::remove_all(kit);
    std::filesystem::create_directories(kit);
    WriteKitFile(kit / FirmwareFileName(upgrade.firmwareBytes),
                 WriteSRecords(Pattern(upgrade.firmwareBytes, 1), SRecordLayout{0, upgrade.recordBytes, 2}));

    auto clock = std::make_shared<VirtualClock>();
    auto line = std::make_shared<SimLine>(clock);
    auto radio = std::make_shared<SimRadio>(ProfileFor(upgrade));
    radio->AttachTo(line);
    auto platform = std::make_unique<VirtualPlatform>(
        clock, std::make_unique<CPosixSerial>(SimLine::Opener(line, kPort)));
    CwFileLog::SetDirectory(kit);
    BenchWorld world(std::move(platform), kit);

    UpgradeOptions options{true, upgrade.flashFirmware, upgrade.codeplugMode, false, "01"};
    FlashSettings settings;
    settings.bootVariant =
        upgrade.controller == Controller::Q7 ? FlashSettings::kVariantQ7 : FlashSettings::kVariantZR5;
    settings.flashRate = upgrade.flashRate;
    settings.bootCodeText =
        WriteSRecords(BootcodeFor(upgrade.flashRate, upgrade.bootcodeBytes), SRecordLayout{});
    KitVersion version;
    version.key = kKitKey;
    const std::string codeplugText =
        WriteSRecords(BenchCodeplug(upgrade.codeplugBytes, kKitCodeplugSeed), {});

    // Without firmware the codeplug access opens the port itself, at the KWIP rate.
    PhaseMeter meter(*clock, upgrade.flashFirmware ? kBootstrapBaud : CKwipComm::kBaud);
    CRadioUpgrade engine;
    if (upgrade.flashFirmware) {
        CSerial* port = CPlatform::Instance()->GetSerial();
        port->SetEcho(kNoEcho);
        port->SetParams(kBootstrapBaud, CSerial::kParityNone, CSerial::kOneStopBit, 8);
        port->Open(kPort);
        radio->EnterBootstrapMode(line->PeerNowNs());
        engine.SetBootstrapPort(port);
    }
    engine.SetPort(kPort, kNoEcho);
    engine.SetOptions(&options);
    engine.SetInputs(&settings, upgrade.codeplugMode != 0 ? &codeplugText : nullptr, nullptr,
                     kStandardCodeplug, &version);
    engine.SetVariantCode("Z5");
    VirtualUpgradeResult result;
    result.status = engine.UpgradeRadio();
    result.bootcode = meter.Of(PhaseMeter::Phase::Bootcode);
    result.bootcode.boundNs += kBootcodeStartNs;
    result.firmware = meter.Of(PhaseMeter::Phase::Firmware);
    result.codeplug = meter.Of(PhaseMeter::Phase::Codeplug);
    result.codeplug.boundNs += result.codeplug.commands * kCodeplugPostDelayNs;
    CwFileLog::SetDirectory({});
    return result;
}
