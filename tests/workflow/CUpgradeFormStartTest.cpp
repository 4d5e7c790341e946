#include <gtest/gtest.h>

#include "TestKit.h"
#include "WorkflowFixture.h"
#include "files/ProductLine.h"

namespace {

constexpr std::int32_t kVolante = 5;

class CUpgradeFormStartTest : public WorkflowTest {};

TEST_F(CUpgradeFormStartTest, ShowsTheKitTextsAndKeepsTheVersionBlock) {
    WriteConfig(TestKit{}.Text());
    const CUpgradeForm& form = StartForm(kVolante);

    EXPECT_TRUE(form.ConfigurationLoaded());
    EXPECT_EQ(view_.shownTitle, "Test Kit R01");
    EXPECT_EQ(view_.shownDescription, "For the small test radio");
    EXPECT_EQ(form.Version().key, kKitKey);
    EXPECT_EQ(form.CodeplugType(), 1);
    EXPECT_TRUE(boxes_.Boxes().empty());
    EXPECT_FALSE(view_.quitStatus);
}

TEST_F(CUpgradeFormStartTest, AMissingOrUnreadableConfigurationIsReportedPlainly) {
    StartForm(kVolante);
    kit_.WriteFile("patcher.dat", "seven b");  // not a whole number of cipher blocks
    StartForm(kVolante);

    ASSERT_EQ(boxes_.Boxes().size(), 2u);
    EXPECT_EQ(boxes_.Boxes()[0].text, "Unable to open configuration file");
    EXPECT_EQ(boxes_.Boxes()[1].text, "Unable to read configuration file");
    for (const RecordingMessageBox::Box& box : boxes_.Boxes()) {
        EXPECT_EQ(box.caption, "");
        EXPECT_EQ(box.icon, MessageIcon::None);
        EXPECT_EQ(box.buttons, MessageButtons::Ok);
    }
    EXPECT_FALSE(form_->ConfigurationLoaded());
    EXPECT_TRUE(view_.shownTitle.empty());
}

TEST_F(CUpgradeFormStartTest, ProgramAfterAFailedStartSendsNothing) {
    CUpgradeForm& form = StartForm(kVolante);

    EXPECT_FALSE(form.VerifyRadio());

    ASSERT_EQ(boxes_.Boxes().size(), 2u);
    EXPECT_EQ(boxes_.Boxes()[1].caption, "Error");
    EXPECT_NE(boxes_.Boxes()[1].text.find("configuration file could not be loaded"), std::string::npos);
    EXPECT_TRUE(Radio().Requests().empty());
}

TEST_F(CUpgradeFormStartTest, AnUnknownProductLineAsksToQuitAndStillChecksForATestKit) {
    TestKit kit;
    kit.firstBootCode = "test_boot.s19";
    WriteConfig(kit.Text());
    boxes_.Answer(MessageResult::Ok);
    boxes_.Answer(MessageResult::Ok);
    StartForm(ProductLine::kNoLine);

    ASSERT_EQ(boxes_.Boxes().size(), 2u);
    EXPECT_EQ(boxes_.Boxes()[0].text, "Unknown product line in configuration file. Press OK to exit.");
    EXPECT_EQ(boxes_.Boxes()[0].caption, "Error");
    EXPECT_EQ(boxes_.Boxes()[0].icon, MessageIcon::Stop);
    EXPECT_EQ(boxes_.Boxes()[1].caption, "Warning");
    EXPECT_EQ(view_.quitStatus, 0);
}

TEST_F(CUpgradeFormStartTest, ATestKitWarnsAndCancelQuits) {
    for (const char* firstBootCode : {"test_boot.s19", "Test_boot.s19"}) {
        SCOPED_TRACE(firstBootCode);
        TestKit kit;
        kit.firstBootCode = firstBootCode;
        WriteConfig(kit.Text());
        view_.quitStatus.reset();
        boxes_.Answer(MessageResult::Ok);
        StartForm(kVolante);
        EXPECT_FALSE(view_.quitStatus);
        boxes_.Answer(MessageResult::Cancel);
        StartForm(kVolante);
        EXPECT_EQ(view_.quitStatus, 0);
    }
    const RecordingMessageBox::Box& warning = boxes_.Boxes().back();
    EXPECT_EQ(warning.caption, "Warning");
    EXPECT_EQ(warning.icon, MessageIcon::Exclamation);
    EXPECT_EQ(warning.buttons, MessageButtons::OkCancel);
    EXPECT_EQ(warning.text.substr(0, 84),
              "This UpgradeKit will update the radio with a testing version firmware(or codeplug).\n");
    EXPECT_NE(warning.text.find("unknow problems"), std::string::npos);
}

}  // namespace
