#include "WholeUpgradeTest.h"

#include <algorithm>
#include <array>

#include "DemoCodeplugs.h"
#include "SRecordWriter.h"
#include "SmallRadio.h"
#include "codeplug/CCodeplug.h"

namespace {

constexpr std::array<unsigned, 3> kFlashRates = {19200, 38400, 115200};
constexpr std::array<const char*, 3> kBootCodeFiles = {"g2_19k2.s19", "g2_38k4.s19", "g2_115k.s19"};
constexpr std::size_t kFirmwareBytes = 2048;
constexpr std::size_t kRadioCodeplugBytes = 4096;
constexpr const char* kCodeplugFile = "cp.s19";

std::vector<std::uint8_t> BootcodeFor(unsigned rate) {
    std::vector<std::uint8_t> image = SmallRadio::Bootcode();
    image.push_back(static_cast<std::uint8_t>(rate / 1200));
    return image;
}

bool IsBootstrapPrompt(const RecordingMessageBox::Box& box) {
    return box.caption == "NOTE" && box.text.find("bootstrap mode") != std::string::npos;
}

}  // namespace

WholeUpgradeTest::WholeUpgradeTest() {
    const DemoCodeplugs::Model& model = DemoCodeplugs::Models()[0];
    const BuiltCodeplug kit = DemoCodeplugs::Build(model);
    kitCodeplug_ = kit.bytes;
    radioCodeplug_ = DemoCodeplugs::Build(model, {"RAD-0042-XY", 0x37, 0x5A}).bytes;
    CCodeplug image;
    image.ReadCpImage(kit.bytes);
    region_ = {0, image.GetRdkPtrs()->codeplugEnd + 1};
    const std::uint32_t identity = kit.EntryAddress(0, 0, 0);
    kept_ = {{kit.EntryAddress(DemoCodeplugs::kTuningBlock, 0, 0), DemoCodeplugs::kTuningBytes},
             {identity, DemoCodeplugs::kSerialNumberBytes},
             {identity + DemoCodeplugs::kRegionalIdOffset, 1}};
    for (const ChecksumArea& area : kit.areas)
        checksums_.insert(area.location);

    Profile().codeplug = radioCodeplug_;
    Profile().codeplug.resize(kRadioCodeplugBytes, 0xFF);
    Profile().bootcodes.clear();
    for (const unsigned rate : kFlashRates)
        Profile().bootcodes.push_back({BootcodeFor(rate), rate});
    for (std::size_t k = 0; k < kFlashRates.size(); ++k)
        WriteKitFile(kBootCodeFiles[k], WriteSRecords(BootcodeFor(kFlashRates[k]), SRecordLayout{}));
    for (const char* firmware : {"fw_128k", "fw_256k", "fw_512k"})
        WriteKitFile(firmware, WriteSRecords(Firmware(), SRecordLayout{}));
    WriteKitFile(kCodeplugFile, WriteSRecords(kitCodeplug_, SRecordLayout{}));

    WriteKitConfig(TestKit{}.patch);

    boxes_.OnShow([this](const RecordingMessageBox::Box& box) {
        if (IsBootstrapPrompt(box)) {
            Radio().EnterBootstrapMode(NowNs());
        } else if (box.icon == MessageIcon::Stop) {
            Radio().ClearFaults();
            if (box.caption == "Initialization Error")
                Radio().PowerCycle(NowNs());
            if (box.buttons == MessageButtons::OkCancel && !retryAfterError_)
                boxes_.Answer(MessageResult::Cancel);
        }
    });
}

TestKit WholeUpgradeTest::KitConfig(const std::string& patch) {
    TestKit config;
    config.models =
        std::string("01\n01\nTESTRADIO,000000000,0000000000,00,00,07,") + kCodeplugFile + ",any model";
    config.rows = "01\n*,01,01,03,01";
    config.patch = patch;
    return config;
}

void WholeUpgradeTest::WriteKitConfig(const std::string& patch) const {
    WriteConfig(KitConfig(patch).Text());
}

WholeUpgradeTest::Bytes WholeUpgradeTest::Firmware() {
    Bytes image(kFirmwareBytes);
    for (std::size_t at = 0; at < image.size(); ++at)
        image[at] = static_cast<std::uint8_t>(at * 7 + 3);
    return image;
}

const std::vector<RadioRequest>& WholeUpgradeTest::CleanRequests() {
    struct CleanUpgrade : WholeUpgradeTest {
        void TestBody() override {}
        std::vector<RadioRequest> Run() {
            Press();
            return Radio().Requests();
        }
    };
    static const std::vector<RadioRequest> requests = CleanUpgrade().Run();
    return requests;
}

unsigned WholeUpgradeTest::NumberAmongItsKind(const std::vector<RadioRequest>& requests, std::size_t index) {
    unsigned number = 0;
    for (std::size_t at = 0; at <= index; ++at)
        number += requests[at].kind == requests[index].kind;
    return number;
}

std::vector<RecordingMessageBox::Box> WholeUpgradeTest::Press() {
    const std::size_t before = boxes_.Boxes().size();
    if (form_)
        Wait(kOperatorNs);  // the operator reads the last message before pressing again
    else
        StartForm(kVolante);
    form_->OnProgram();
    return {boxes_.Boxes().begin() + static_cast<std::ptrdiff_t>(before), boxes_.Boxes().end()};
}

void WholeUpgradeTest::ExpectUpgraded() {
    const Bytes firmware = Firmware();
    EXPECT_TRUE(std::equal(firmware.begin(), firmware.end(), Radio().Flash().begin())) << "firmware";
    ProgrammerTest::ExpectProgrammed(Radio().Codeplug(), radioCodeplug_, kitCodeplug_, region_, kept_,
                                     checksums_);
    Wait(kRestartWaitNs);
    EXPECT_EQ(Radio().State(), RadioState::Running);
}
