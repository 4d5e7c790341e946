#include <gtest/gtest.h>

#include <QPushButton>

#include "DesktopFixture.h"
#include "SRecordWriter.h"
#include "SimRadioTest.h"
#include "app/UpgradeFormView.h"

namespace {

constexpr const char* kKitKey = "test-kit-key-0042";

// A Program press on the Qt operator against the simulated radio on COM1, from the press's own thread:
// the form verifies the radio, checks its power-up status, asks for the flash rate and then for
// bootstrap mode.
class ProgramPressTest : public SimRadioTest, public DesktopHarness {
protected:
    static std::string BootCodeText(std::string_view rate) {
        return WriteSRecords(std::vector<std::uint8_t>(rate.begin(), rate.end()), {});
    }
    void SetUp() override {
        WriteKit("VOLANTE");
        for (const char* rate : {"19k2", "38k4", "115k"})
            kit_.WriteFile(std::string("g2_") + rate + ".s19", EncipherForKit(BootCodeText(rate), kKitKey));
        for (const char* firmware : {"fw_128k", "fw_256k", "fw_512k"})
            kit_.WriteFile(firmware, EncipherForKit(WriteSRecords(std::vector<std::uint8_t>(64, 0x5A), {}), kKitKey));
        program = [](CUpgradeForm& form) { form.OnProgram(); };
        Start();
        app_->Document()->SetEcho(0);
        ShowUpgradeForm();
    }
    void TearDown() override { app_.reset(); }
    CUpgradeForm& Press() {
        Frame().FormView()->ProgramButton()->click();
        EXPECT_TRUE(QTest::qWaitFor([this] { return !Frame().Runner().Running(); }, 60000));
        return Frame().FormView()->Form();
    }

    ModalAnswerer operatorAnswers;
};

TEST_F(ProgramPressTest, TheOperatorChoosesTheFlashRateOnceAndMayCancelAtTheBootstrapPrompt) {
    const std::string prompt =
        "NOTE | 1) Switch the radio ON/OFF switch to the ON position.\n2) Throw the switch on the flashing kit "
        "to the ON position.\n3) Remove the battery supply and then put it back to set radio in bootstrap mode.";
    operatorAnswers.Then(ModalAnswerer::Choose("38,400 Bd"))
        .Then(ModalAnswerer::Press("Cancel"))
        .Then(ModalAnswerer::Press("Cancel"));

    CUpgradeForm& form = Press();

    EXPECT_EQ(operatorAnswers.Seen(), (std::vector<std::string>{"Configuration | flashRateDialog", prompt}));
    EXPECT_EQ(form.Flash().flashRate, 38400u);
    EXPECT_EQ(form.Flash().bootCodeText, BootCodeText("38k4"));
    EXPECT_EQ(form.Radio().group, 2u);
    EXPECT_EQ(form.LastOutcome().end, ProgramOutcome::End::Cancelled);

    Press();  // the radio's group has not changed: the rate stands
    EXPECT_EQ(operatorAnswers.Seen(),
              (std::vector<std::string>{"Configuration | flashRateDialog", prompt, prompt}));
    EXPECT_TRUE(Frame().FormView()->ProgramButton()->isEnabled());
}

TEST_F(ProgramPressTest, ARadioWithAHardwareProblemEndsThePressWithItsMessage) {
    Profile().statuses[5] = {0x02};
    operatorAnswers.Then(ModalAnswerer::Press("OK"));

    CUpgradeForm& form = Press();

    EXPECT_EQ(operatorAnswers.Seen(),
              std::vector<std::string>{
                  "Error | The current radio has a hardware problem.\nPlease refer to the radio "
                  "repair manual for specific instructions."});
    EXPECT_FALSE(form.Flash().flashRate);
}

}  // namespace
