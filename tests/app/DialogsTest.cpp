#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

#include "DesktopFixture.h"
#include "app/AboutBox.h"
#include "app/CCommDialog.h"
#include "app/CZubDialog.h"
#include "app/FlashRateDialog.h"

namespace {

const std::vector<ComPortInfo> kPorts = {
    {1, "/dev/ttyS0", ""},
    {33, "/dev/ttyUSB0", "FTDI FT232R USB UART"},
    {40, "/tmp/radiosim.tty", ""},
};

TEST(CCommDialogTest, ListsEachPortWithItsDeviceAndPreselectsTheCurrentOne) {
    CCommDialog dialog(kPorts, 33);
    QComboBox* list = dialog.PortList();

    EXPECT_EQ(dialog.windowTitle(), "Communication Settings");
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->itemText(0), "COM1    /dev/ttyS0");
    EXPECT_EQ(list->itemText(1), "COM33    FTDI FT232R USB UART");
    EXPECT_EQ(list->itemText(2), "COM40    /tmp/radiosim.tty");
    EXPECT_EQ(list->itemData(2).toInt(), 40);
    EXPECT_EQ(dialog.SelectedPort(), 33);
}

TEST(CCommDialogTest, ACurrentPortNotPresentSelectsNothing) {
    EXPECT_EQ(CCommDialog(kPorts, 5).SelectedPort(), std::nullopt);
    EXPECT_EQ(CCommDialog({}, 1).SelectedPort(), std::nullopt);
}

TEST(CZubDialogTest, PreselectsTheEchoTypeAndReportsTheChoice) {
    CZubDialog echo(1);
    EXPECT_EQ(echo.windowTitle(), "ZUB Setting");
    EXPECT_TRUE(echo.EchoButton()->isChecked());
    echo.NoEchoButton()->setChecked(true);
    EXPECT_EQ(echo.EchoType(), 0);

    for (int stored : {0, 2, -1})
        EXPECT_TRUE(CZubDialog(stored).NoEchoButton()->isChecked()) << stored;
}

TEST(FlashRateDialogTest, OffersTheThreeRatesWithOkOnly) {
    const std::pair<std::optional<unsigned>, unsigned> preselected[] = {
        {std::nullopt, 19200}, {19200, 19200}, {38400, 38400}, {115200, 115200}};
    for (const auto& [current, rate] : preselected)
        EXPECT_EQ(FlashRateDialog(current).ChosenRate(), rate);

    FlashRateDialog dialog(std::nullopt);
    EXPECT_EQ(dialog.windowTitle(), "Configuration");
    EXPECT_EQ(dialog.RateButton(0)->text(), "19,200 Bd ");
    EXPECT_EQ(dialog.RateButton(1)->text(), "38,400 Bd");
    EXPECT_EQ(dialog.RateButton(2)->text(), "115,200 Bd");
    const QList<QAbstractButton*> buttons = dialog.findChild<QDialogButtonBox*>()->buttons();
    ASSERT_EQ(buttons.size(), 1);
    EXPECT_EQ(buttons[0]->text().remove('&'), "OK");
}

TEST(FlashRateDialogTest, ClosingWithoutOkChoosesNothing) {
    ModalAnswerer operatorAnswers;
    operatorAnswers.Then([](QWidget& dialog) { qobject_cast<QDialog*>(&dialog)->reject(); })
        .Then(ModalAnswerer::Choose("115,200 Bd"));
    EXPECT_EQ(FlashRateDialog::Choose(38400, nullptr), std::nullopt);
    EXPECT_EQ(FlashRateDialog::Choose(38400, nullptr), 115200u);
}

TEST(AboutBoxTest, ShowsTheAboutTitleAndTheVersion) {
    AboutBox box("Radio Firmware Kit");
    QStringList lines;
    for (QLabel* label : box.findChildren<QLabel*>()) {
        if (!label->text().isEmpty())
            lines << label->text();
    }
    EXPECT_EQ(lines.join('\n').toStdString(),
              "Radio Firmware Kit\nCorvida upgrades two-way radios on the service bench.\nVersion " CORVIDA_TEST_VERSION);
}

class SettingsDialogsTest : public DesktopTest {
protected:
    void SetUp() override {
        WriteKit("VOLANTE");
        for (const char* device : {"ttyUSB0", "ttyUSB3"}) {
            devices_.WriteFile(device, "");
            std::filesystem::create_directories(devices_.Path() / "sys" / device);
        }
        Start();
    }
    ModalAnswerer operatorAnswers;
};

TEST_F(SettingsDialogsTest, CommSettingOkStoresThePortAndShowsItInThePane) {
    operatorAnswers.Then([](QWidget& dialog) {
        QComboBox* list = dialog.findChild<QComboBox*>();
        ASSERT_EQ(list->count(), 2);
        EXPECT_EQ(list->currentIndex(), -1);  // COM1 is not present
        list->setCurrentIndex(1);
        ModalAnswerer::Press("OK")(dialog);
    });
    Frame().Command("commSetting")->trigger();

    EXPECT_EQ(app_->Document()->PortNumber(), 36u);
    EXPECT_EQ(Frame().PortPaneText(), "COM36");
}

TEST_F(SettingsDialogsTest, CommSettingCancelOrOkWithoutSelectionKeepsThePort) {
    operatorAnswers.Then([](QWidget& dialog) {
        dialog.findChild<QComboBox*>()->setCurrentIndex(0);
        ModalAnswerer::Press("Cancel")(dialog);
    }).Then(ModalAnswerer::Press("OK"));
    Frame().Command("commSetting")->trigger();
    Frame().Command("commSetting")->trigger();

    EXPECT_EQ(app_->Document()->PortNumber(), 1u);
    EXPECT_EQ(Frame().PortPaneText(), "COM1");
}

TEST_F(SettingsDialogsTest, ZubSettingStoresTheChoiceOnOkOnly) {
    operatorAnswers.Then(ModalAnswerer::Choose("No Echo"))
        .Then([](QWidget& dialog) {
            qobject_cast<CZubDialog*>(&dialog)->EchoButton()->setChecked(true);
            ModalAnswerer::Press("Cancel")(dialog);
        });
    Frame().Command("zubSetting")->trigger();
    EXPECT_EQ(app_->Document()->EchoType(), 0);
    Frame().Command("zubSetting")->trigger();
    EXPECT_EQ(app_->Document()->EchoType(), 0);
}

TEST_F(SettingsDialogsTest, FlashRateChangesTheRateBetweenPressesOnOkOnly) {
    ShowUpgradeForm();
    operatorAnswers.Then(ModalAnswerer::Choose("38,400 Bd"))
        .Then([](QWidget& dialog) { qobject_cast<QDialog*>(&dialog)->reject(); });
    Frame().Command("flashRate")->trigger();
    EXPECT_EQ(Frame().FormView()->Form().Flash().flashRate, 38400u);
    Frame().Command("flashRate")->trigger();
    EXPECT_EQ(Frame().FormView()->Form().Flash().flashRate, 38400u);
    EXPECT_TRUE(operatorAnswers.ScriptDone());
}

}  // namespace
