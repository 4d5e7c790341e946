#include <gtest/gtest.h>

#include "SRecordWriter.h"
#include "TestKit.h"
#include "WorkflowFixture.h"

namespace {

constexpr std::int32_t kVolante = 5;

class ProgramPreparationTest : public WorkflowTest {
protected:
    CUpgradeForm& VerifiedForm(const std::string& rows) {
        TestKit kit;
        kit.rows = rows;
        kit.groupOneRows = rows;
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
    // Each boot-code file holds its own name as its image.
    static std::string BootCode(const std::string& file) {
        return WriteSRecords(std::vector<std::uint8_t>(file.begin(), file.end()), SRecordLayout{});
    }
    void WriteBootCodes() const {
        for (const char* file : {"g2_19k2.s19", "g2_38k4.s19", "g2_115k.s19", "boot19.s19", "b38.s19", "b115.s19"})
            WriteKitFile(file, BootCode(file));
    }
    // A radio of group one (the kit's first group) in place of the small test radio.
    void ReplaceRadioByGroupOnes() {
        Profile().statuses[15] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                                  0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
        otherRadio_ = std::make_shared<SimRadio>(Profile());
        otherRadio_->AttachTo(SharedLine());
    }

    std::shared_ptr<SimRadio> otherRadio_;
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

TEST_F(ProgramPreparationTest, TheFlashDialogOpensOnceForAGroupAndLoadsTheChosenRatesBootCode) {
    WriteBootCodes();
    view_.chosenRate = 38400;
    CUpgradeForm& form = VerifiedForm("01\n*,01,01,00,00");

    ASSERT_TRUE(form.PrepareFlashing());
    ASSERT_TRUE(form.VerifyRadio());
    ASSERT_TRUE(form.PrepareFlashing());

    ASSERT_EQ(view_.offeredRates.size(), 1u);
    EXPECT_FALSE(view_.offeredRates[0]);  // nothing chosen before: 19,200 Bd preselected
    EXPECT_EQ(form.Flash().flashRate, 38400u);
    EXPECT_EQ(form.Flash().bootCodeText, BootCode("g2_38k4.s19"));
    EXPECT_EQ(form.Flash().bootVariant, FlashSettings::kVariantZR5);
}

// The boot code belongs to the radio's group and the rate to its cable: a radio of another group on the
// line gets its own group's boot code, and the operator is asked for the rate again.
TEST_F(ProgramPreparationTest, ARadioOfAnotherGroupIsAskedForTheRateAgainAndGetsItsGroupsBootCode) {
    WriteBootCodes();
    view_.chosenRate = 115200;
    CUpgradeForm& form = VerifiedForm("01\n*,01,01,00,00");
    ASSERT_TRUE(form.PrepareFlashing());
    ASSERT_EQ(form.Radio().group, 2u);

    ReplaceRadioByGroupOnes();
    view_.chosenRate = 19200;
    ASSERT_TRUE(form.VerifyRadio());
    ASSERT_EQ(form.Radio().group, 1u);
    ASSERT_TRUE(form.PrepareFlashing());

    EXPECT_EQ(view_.offeredRates, (std::vector<std::optional<unsigned>>{std::nullopt, 115200u}));
    EXPECT_EQ(form.Flash().flashRate, 19200u);
    EXPECT_EQ(form.Flash().bootCodeText, BootCode("boot19.s19"));
}

TEST_F(ProgramPreparationTest, ARateChosenFromTheMenuServesTheNextPressWithoutAsking) {
    WriteBootCodes();
    view_.chosenRate = 115200;
    CUpgradeForm& form = VerifiedForm("01\n*,01,01,00,00");
    ASSERT_TRUE(form.PrepareFlashing());

    view_.chosenRate = 38400;
    form.ChangeFlashRate();
    ASSERT_TRUE(form.VerifyRadio());
    ASSERT_TRUE(form.PrepareFlashing());

    EXPECT_EQ(view_.offeredRates, (std::vector<std::optional<unsigned>>{std::nullopt, 115200u}));
    EXPECT_EQ(form.Flash().flashRate, 38400u);
    EXPECT_EQ(form.Flash().bootCodeText, BootCode("g2_38k4.s19"));
}

TEST_F(ProgramPreparationTest, ADialogClosedWithoutOkKeepsTheRateInEffect) {
    WriteBootCodes();
    view_.chosenRate.reset();
    CUpgradeForm& form = VerifiedForm("01\n*,01,01,00,00");

    ASSERT_TRUE(form.PrepareFlashing());
    EXPECT_EQ(form.Flash().flashRate, 19200u);
    EXPECT_EQ(form.Flash().bootCodeText, BootCode("g2_19k2.s19"));

    view_.chosenRate = 38400;
    form.ChangeFlashRate();
    view_.chosenRate.reset();
    form.ChangeFlashRate();
    EXPECT_EQ(form.Flash().flashRate, 38400u);
}

TEST_F(ProgramPreparationTest, ABootCodeFileThatHoldsNoBootCodeIsRefusedBeforeThePress) {
    WriteBootCodes();
    WriteKitFile("g2_19k2.s19", "S1 is no boot code\n");
    CUpgradeForm& form = VerifiedForm("01\n*,01,01,00,00");

    EXPECT_FALSE(form.PrepareFlashing());

    ASSERT_EQ(boxes_.Boxes().size(), 1u);
    EXPECT_EQ(boxes_.Boxes()[0].text,
              "Upgrade operation detected an invalid data file.\nPlease reinstall the application!\n\nThe boot "
              "code file g2_19k2.s19 cannot be used.");
    EXPECT_EQ(boxes_.Boxes()[0].caption, "Invalid Operation");
    EXPECT_FALSE(view_.quitStatus);
    EXPECT_TRUE(form.Flash().bootCodeText.empty());
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

    // 4000 bytes in 32-byte records make a text just short of the buffer.
    const std::string largest = WriteSRecords(std::vector<std::uint8_t>(4000, 0x5A), SRecordLayout{});
    ASSERT_GT(largest.size(), FlashDialog::kBootCodeBufferBytes - 1000);
    WriteKitFile("g2_19k2.s19", largest);
    EXPECT_TRUE(form.PrepareFlashing());
    EXPECT_EQ(form.Flash().bootCodeText, largest);
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
