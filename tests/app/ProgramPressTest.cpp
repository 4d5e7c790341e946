#include <QPushButton>
#include <gtest/gtest.h>

#include "DesktopFixture.h"
#include "SimRadioTest.h"
#include "app/UpgradeFormView.h"

namespace {

constexpr const char* kKitKey = "test-kit-key-0042";

// A Program press on the Qt operator against the simulated radio on COM1: the form verifies the radio,
// checks its power-up status and asks for the flash rate, from the press's own thread.
class ProgramPressTest : public SimRadioTest, public DesktopHarness {
protected:
    void SetUp() override {
        WriteKit("VOLANTE");
        for (const char* rate : {"19k2", "38k4", "115k"}) {
            kit_.WriteFile(std::string("g2_") + rate + ".s19",
                           EncipherForKit(std::string("S1 boot code for ") + rate + "\n", kKitKey));
        }
        program = [](CUpgradeForm& form) {
            if (form.VerifyRadio() && form.PowerUpCheckPasses())
                form.PrepareFlashing();
        };
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

TEST_F(ProgramPressTest, TheOperatorChoosesTheFlashRateOnceAndTheBootCodeFollows) {
    operatorAnswers.Then(ModalAnswerer::Choose("38,400 Bd"));

    CUpgradeForm& form = Press();

    EXPECT_EQ(operatorAnswers.Seen(), std::vector<std::string>{"Configuration | flashRateDialog"});
    EXPECT_EQ(form.Flash().flashRate, 38400u);
    EXPECT_EQ(form.Flash().bootCodeText, "S1 boot code for 38k4\n");
    EXPECT_EQ(form.Radio().group, 2u);

    Press();  // the dialog comes once per form
    EXPECT_EQ(operatorAnswers.Seen().size(), 1u);
    EXPECT_TRUE(Frame().FormView()->ProgramButton()->isEnabled());
}

TEST_F(ProgramPressTest, ARadioWithAHardwareProblemEndsThePressWithItsMessage) {
    Profile().statuses[5] = {0x02};
    operatorAnswers.Then(ModalAnswerer::Press("OK"));

    CUpgradeForm& form = Press();

    EXPECT_EQ(operatorAnswers.Seen(),
              std::vector<std::string>{"Error | The current radio has a hardware problem.\nPlease refer to the radio "
                                       "repair manual for specific instructions."});
    EXPECT_FALSE(form.Flash().flashRate);
}

}  // namespace
