#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "DemoCodeplugs.h"
#include "RecordingMessageBox.h"
#include "RecordingNotifications.h"
#include "SimRadioTest.h"
#include "TempDir.h"
#include "radio/RadioProfileReader.h"
#include "workflow/CUpgradeForm.h"
#include "workflow/UpgradeDocument.h"
#include "workflow/UpgradeView.h"

// Each demo radio upgraded through the Program button with the demo kit, in virtual time: the press
// ends in "Radio Update is successful", the radio runs the kit's firmware, and it keeps the tuning and
// serial number its codeplug mode promises to keep.
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::int32_t kVolante = 5;
constexpr std::uint64_t kRestartWaitNs = 500'000'000;

struct DemoRadio {
    const char* profile;
    int codeplugMode;  // 0: no codeplug step
    bool firmware;
};

const DemoRadio kDemoRadios[] = {
    {"kx400.radio", 0, true},        {"kx600.radio", 0, true},        {"kx400-r0501.radio", 1, false},
    {"kx400-r0502.radio", 2, false}, {"kx400-r0503.radio", 3, false}, {"kx400-r0401.radio", 1, true},
    {"kx400-r0402.radio", 2, true},  {"kx400-r0403.radio", 3, true},
};

class DemoDocument : public UpgradeDocument {
public:
    explicit DemoDocument(std::filesystem::path folder) : folder_(std::move(folder)) {}
    unsigned PortNumber() const override { return 1; }
    std::uint8_t EchoType() const override { return 0; }
    const std::filesystem::path& WorkingDirectory() const override { return folder_; }

private:
    std::filesystem::path folder_;
};

class DemoView : public UpgradeView {
public:
    void ShowKitTexts(const std::string&, const std::string&) override {}
    std::optional<unsigned> ChooseFlashRate(std::optional<unsigned>) override { return 115200; }
    void RequestQuit(int) override {}
};

class DemoUpgradeTest : public SimRadioTest, public testing::WithParamInterface<DemoRadio> {
protected:
    DemoUpgradeTest() {
        std::filesystem::copy(CORVIDA_DEMO_KIT, kit_.Path(), std::filesystem::copy_options::recursive);
        Profile() = RadioProfileReader({CORVIDA_DEMO_KIT_PLAIN})
                        .Read(std::filesystem::path(CORVIDA_DEMO_RADIOS) / GetParam().profile);
        // The operator's hands: bootstrap mode at each prompt that asks for it.
        boxes_.OnShow([this](const RecordingMessageBox::Box& box) {
            if (box.text.rfind("1) Switch", 0) == 0 || box.text.rfind("Set radio in bootstrap mode", 0) == 0)
                Radio().EnterBootstrapMode(NowNs());
        });
    }

    Bytes CodeplugBytes(std::uint32_t address, std::size_t count) {
        const std::span<const std::uint8_t> codeplug = Radio().Codeplug();
        return {codeplug.begin() + address, codeplug.begin() + address + count};
    }

    TempDir kit_;
    DemoDocument document_{kit_.Path()};
    DemoView view_;
    RecordingMessageBox boxes_;
    RecordingNotifications notes_;
};

TEST_P(DemoUpgradeTest, UpgradesThroughTheProgramButtonAndKeepsTheRadiosOwnData) {
    const DemoRadio& demo = GetParam();
    const BuiltCodeplug layout =
        DemoCodeplugs::Build(DemoCodeplugs::Find(demo.profile[2] == '6' ? "KX600" : "KX400S-EU"));
    const std::uint32_t tuning = layout.EntryAddress(0x8000, 0, 0);
    const std::uint32_t identity = layout.EntryAddress(0, 0, 0);
    const Bytes tuningBefore = CodeplugBytes(tuning, DemoCodeplugs::kTuningBytes);
    const Bytes serialBefore = CodeplugBytes(identity, DemoCodeplugs::kSerialNumberBytes);
    const Bytes kitSerial(layout.bytes.begin() + identity,
                          layout.bytes.begin() + identity + DemoCodeplugs::kSerialNumberBytes);
    ASSERT_NE(serialBefore, kitSerial);  // the radio's own, so keeping it shows

    CUpgradeForm form(document_, view_, kVolante);
    form.FormStart();
    form.OnProgram();
    Wait(kRestartWaitNs);

    ASSERT_TRUE(form.LastOutcome().Succeeded()) << form.LastOutcome().finalText;
    EXPECT_EQ(form.LastOutcome().attempts, 1);
    EXPECT_EQ(boxes_.Boxes().back().text, "Radio Update is successful");
    EXPECT_EQ(form.Radio().options.codeplugMode, demo.codeplugMode);
    EXPECT_EQ(form.Radio().options.flashFirmware, demo.firmware);
    EXPECT_EQ(Radio().State(), RadioState::Running);
    if (demo.firmware) {
        EXPECT_TRUE(Radio().Memory().FirmwareIntact());
    }
    if (demo.codeplugMode == 1 || demo.codeplugMode == 3) {
        EXPECT_EQ(CodeplugBytes(tuning, DemoCodeplugs::kTuningBytes), tuningBefore);
    }
    if (demo.codeplugMode >= 2) {
        EXPECT_EQ(CodeplugBytes(identity, DemoCodeplugs::kSerialNumberBytes), serialBefore);
    }
}

INSTANTIATE_TEST_SUITE_P(DemoKit, DemoUpgradeTest, testing::ValuesIn(kDemoRadios),
                         [](const testing::TestParamInfo<DemoRadio>& info) {
                             std::string name = info.param.profile;
                             name = name.substr(0, name.find('.'));
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

}  // namespace
