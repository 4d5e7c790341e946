#include <gtest/gtest.h>

#include "TestKit.h"
#include "WorkflowFixture.h"

namespace {

constexpr std::int32_t kVolante = 5;

class ProgramPreparationTest : public WorkflowTest {
protected:
    CUpgradeForm& VerifiedForm(const std::string& rows) {
        TestKit kit;
        kit.rows = rows;
        WriteConfig(kit.Text());
        CUpgradeForm& form = StartForm(kVolante);
        EXPECT_TRUE(form.VerifyRadio());
        return form;
    }
    unsigned PowerUpRequests() {
        unsigned count = 0;
        for (const RadioRequest& request : Radio().Requests())
            count += request.kind == RequestKind::RadioStatus && request.code == 5;
        return count;
    }
    void WriteBootCodes() const {
        WriteKitFile("g2_19k2.s19", "S1 boot code for 19200\n");
        WriteKitFile("g2_38k4.s19", "S1 boot code for 38400\n");
        WriteKitFile("g2_115k.s19", "S1 boot code for 115200\n");
    }
};

struct PowerUpCase {
    std::uint8_t status;
    bool passes;
};

class PowerUpCheckTest : public ProgramPreparationTest, public testing::WithParamInterface<PowerUpCase> {};

TEST_P(PowerUpCheckTest, RefusesARadioWithAHardwareProblem) {
    Profile().statuses[5] = {GetParam().status};
    CUpgradeForm& form = VerifiedForm("01\n*,01,00,01,00");

    EXPECT_EQ(form.PowerUpCheckPasses(), GetParam().passes);

    EXPECT_EQ(PowerUpRequests(), 1u);
    if (!GetParam().passes) {
        ASSERT_EQ(boxes_.Boxes().size(), 1u);
        EXPECT_EQ(
            boxes_.Boxes()[0].text,
            "The current radio has a hardware problem.\nPlease refer to the radio repair manual for specific "
            "instructions.");
        EXPECT_EQ(boxes_.Boxes()[0].caption, "Error");
    }
}

INSTANTIATE_TEST_SUITE_P(Bits, PowerUpCheckTest,
                         testing::Values(PowerUpCase{0x02, false}, PowerUpCase{0x10, false},
                                         PowerUpCase{0x12, false}, PowerUpCase{0x01, true},
                                         PowerUpCase{0x04, true}, PowerUpCase{0x80, true}));

TEST_F(ProgramPreparationTest, OnlyCodeplugWorkAsksForThePowerUpStatus) {
    EXPECT_TRUE(VerifiedForm("01\n*,01,01,00,00").PowerUpCheckPasses());
    EXPECT_EQ(PowerUpRequests(), 0u);
    EXPECT_TRUE(VerifiedForm("01\n*,01,00,00,01").PowerUpCheckPasses());
    EXPECT_EQ(PowerUpRequests(), 1u);
}

TEST_F(ProgramPreparationTest, AnUnreadablePowerUpStatusEndsThePress) {
    CUpgradeForm& form = VerifiedForm("01\n*,01,00,03,00");
    Radio().EnterBootstrapMode(NowNs());  // deaf to KWIP at 9600 baud

    EXPECT_FALSE(form.PowerUpCheckPasses());

    ASSERT_EQ(boxes_.Boxes().size(), 1u);
    EXPECT_EQ(boxes_.Boxes()[0].text, "Unable to verify radio powerup parameters");
    EXPECT_EQ(boxes_.Boxes()[0].icon, MessageIcon::Stop);
    CSerial* serial = Platform().GetSerial();
    EXPECT_NE(serial, nullptr);  // given back
    Platform().ReleaseSerial();
}

TEST_F(ProgramPreparationTest, TheFlashDialogOpensOnceAndLoadsTheChosenRatesBootCode) {
    WriteBootCodes();
    view_.chosenRate = 38400;
    CUpgradeForm& form = VerifiedForm("01\n*,01,01,00,00");

    ASSERT_TRUE(form.PrepareFlashing());
    ASSERT_TRUE(form.VerifyRadio());
    ASSERT_TRUE(form.PrepareFlashing());

    ASSERT_EQ(view_.offeredRates.size(), 1u);
    EXPECT_FALSE(view_.offeredRates[0]);  // nothing chosen before: 19,200 Bd preselected
    EXPECT_EQ(form.Flash().flashRate, 38400u);
    EXPECT_EQ(form.Flash().bootCodeText, "S1 boot code for 38400\n");
    EXPECT_EQ(form.Flash().bootVariant, FlashSettings::kVariantZR5);
}

TEST_F(ProgramPreparationTest, ADialogClosedWithoutOkKeeps19200AndItsBootCode) {
    WriteBootCodes();
    view_.chosenRate.reset();
    CUpgradeForm& form = VerifiedForm("01\n*,01,01,00,00");

    ASSERT_TRUE(form.PrepareFlashing());

    EXPECT_EQ(form.Flash().flashRate, 19200u);
    EXPECT_EQ(form.Flash().bootCodeText, "S1 boot code for 19200\n");
}

TEST_F(ProgramPreparationTest, WorkWithoutFirmwareShowsNoDialog) {
    CUpgradeForm& form = VerifiedForm("01\n*,01,00,01,00");
    ASSERT_TRUE(form.PrepareFlashing());
    EXPECT_TRUE(view_.offeredRates.empty());
    EXPECT_EQ(form.Flash().bootVariant, FlashSettings::kVariantZR5);
    EXPECT_FALSE(form.Flash().flashRate);
}

TEST_F(ProgramPreparationTest, AMissingBootCodeFileEndsTheProgram) {
    CUpgradeForm& form = VerifiedForm("01\n*,01,01,00,00");

    EXPECT_FALSE(form.PrepareFlashing());

    ASSERT_EQ(boxes_.Boxes().size(), 1u);
    EXPECT_EQ(boxes_.Boxes()[0].text, "Boot code file is non-existent or corrupt !!: Terminating program");
    EXPECT_EQ(boxes_.Boxes()[0].caption, "");
    EXPECT_EQ(view_.quitStatus, CUpgradeForm::kBootCodeMissingExit);
}

TEST_F(ProgramPreparationTest, ABootCodeFileOverItsBufferIsRefusedAndTheDialogOfferedAgain) {
    kit_.WriteFile("g2_19k2.s19", std::string(FlashDialog::kBootCodeBufferBytes + 8, 'S'));
    CUpgradeForm& form = VerifiedForm("01\n*,01,01,00,00");

    EXPECT_FALSE(form.PrepareFlashing());
    ASSERT_EQ(boxes_.Boxes().size(), 1u);
    EXPECT_EQ(
        boxes_.Boxes()[0].text,
        "Boot code file g2_19k2.s19 is larger than 10000 bytes and cannot be used.\nPlease reinstall the "
        "application!");
    EXPECT_FALSE(view_.quitStatus);
    EXPECT_TRUE(form.Flash().bootCodeText.empty());

    WriteKitFile("g2_19k2.s19", std::string(FlashDialog::kBootCodeBufferBytes - 8, 'S'));
    EXPECT_TRUE(form.PrepareFlashing());
    EXPECT_EQ(form.Flash().bootCodeText.size(), FlashDialog::kBootCodeBufferBytes - 8);
    EXPECT_EQ(view_.offeredRates.size(), 2u);
}

TEST(FlashDialogTest, PreselectsTheButtonOfTheCurrentRate) {
    EXPECT_EQ(FlashDialog::RateChoice(std::nullopt), 0u);
    EXPECT_EQ(FlashDialog::RateChoice(19200), 0u);
    EXPECT_EQ(FlashDialog::RateChoice(38400), 1u);
    EXPECT_EQ(FlashDialog::RateChoice(115200), 2u);
    EXPECT_EQ(FlashDialog::RateChoice(9600), 0u);
}

}  // namespace
