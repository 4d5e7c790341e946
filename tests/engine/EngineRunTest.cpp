#include "EngineRunTest.h"

#include <gtest/gtest.h>

#include "KitFileWriter.h"
#include "SRecordWriter.h"
#include "SmallRadio.h"

namespace {

constexpr unsigned kBootstrapBaud = 2400;
constexpr std::array<unsigned, 3> kFlashRates = {19200, 38400, 115200};

}  // namespace

EngineRunTest::EngineRunTest() : previousFolder_(std::filesystem::current_path()) {
    std::filesystem::current_path(kit_.Path());
    version_.key = kKitKey;
    options_ = {true, true, 0, false, "01"};
    settings_.bootVariant = FlashSettings::kVariantZR5;
    settings_.flashRate = 115200;
    Profile().bootcodes.clear();
    for (const unsigned rate : kFlashRates)
        Profile().bootcodes.push_back({BootcodeFor(rate), rate});
}

EngineRunTest::~EngineRunTest() {
    std::filesystem::current_path(previousFolder_);
}

EngineRunTest::Bytes EngineRunTest::BootcodeFor(unsigned flashRate) {
    Bytes image = SmallRadio::Bootcode();
    image.push_back(static_cast<std::uint8_t>(flashRate / 1200));
    return image;
}

EngineRunTest::Bytes EngineRunTest::FirmwareImage(std::size_t bytes) {
    Bytes image(bytes);
    for (std::size_t at = 0; at < bytes; ++at)
        image[at] = static_cast<std::uint8_t>(at * 13 + 1);
    return image;
}

std::string EngineRunTest::FirmwareText(const Bytes& image, std::uint32_t address, int type,
                                        unsigned recordBytes) {
    return WriteSRecords(image, SRecordLayout{address, recordBytes, type, "\r\n"});
}

void EngineRunTest::WriteKitFile(const std::string& name, const std::string& plain) const {
    kit_.WriteFile(name, EncipherForKit(plain, kKitKey));
}

UpgradeStatus EngineRunTest::Run() {
    if (settings_.bootCodeText.empty() && settings_.flashRate)
        settings_.bootCodeText = WriteSRecords(BootcodeFor(*settings_.flashRate), SRecordLayout{});
    engine_ = std::make_unique<CRadioUpgrade>();
    CRadioUpgrade& engine = *engine_;
    if (options_.flashFirmware && handOverPort_) {
        CSerial* port = Platform().GetSerial();
        port->SetEcho(kEcho);
        port->SetParams(kBootstrapBaud, CSerial::kParityNone, CSerial::kOneStopBit, 8);
        port->Open(kPort);
        if (enterBootstrapMode_)
            Radio().EnterBootstrapMode(NowNs());
        engine.SetBootstrapPort(port);
    }
    engine.SetPort(kPort, kEcho);
    engine.SetOptions(&options_);
    engine.SetInputs(&settings_, codeplugText_.empty() ? nullptr : &codeplugText_,
                     patchRecords_.empty() ? nullptr : &patchRecords_, codeplugType_, &version_);
    engine.SetVariantCode(variantCode_);
    engine.SetProductLine(productLine_);
    engine.SetSavedData(savedData_);
    engine.SetBackupFolder(backupFolder_);
    return engine.UpgradeRadio();
}

std::vector<RadioRequest> EngineRunTest::RequestsOf(RequestKind kind) {
    std::vector<RadioRequest> found;
    for (const RadioRequest& request : Radio().Requests()) {
        if (request.kind == kind)
            found.push_back(request);
    }
    return found;
}
