#include <QGuiApplication>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <gtest/gtest.h>

#include "DesktopFixture.h"
#include "app/UpgradeFormView.h"
#include "app/ProgressWindow.h"
#include "app/QtNotifications.h"
#include "notify/CancelSignal.h"

namespace {

class QtNotificationsTest : public DesktopTest {
protected:
    void SetUp() override {
        WriteKit("VOLANTE");
        Start();
        ShowUpgradeForm();
        CancelSignal::Global().Poll();
    }
    Notifications& Shown() { return Notifications::Current(); }
    ProgressWindow* Window() const { return app_->MainFrame()->findChild<ProgressWindow*>(); }
    QSettings PlaceSettings() const {
        return QSettings(QSettings::IniFormat, QSettings::UserScope, "Veltrane", "Corvida");
    }
};

TEST_F(QtNotificationsTest, TheProgressWindowShowsCaptionMessageAndBar) {
    Shown().BeginProgress(4, true);
    ProgressWindow* window = Window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->width(), 390);
    EXPECT_EQ(window->windowTitle(), "Progress Percentage");
    EXPECT_EQ(window->Message(), "Progress");
    EXPECT_EQ(window->CancelButton()->text(), " Cancel ");
    EXPECT_FALSE(Frame().centralWidget()->isEnabled());
    EXPECT_FALSE(Frame().menuBar()->isEnabled());
    EXPECT_TRUE(window->CancelButton()->isEnabled());

    Shown().StepProgress();
    Shown().SetProgressMessage("Erasing flash ROM...\nWARNING!! Ensure process is not interrupted");
    EXPECT_EQ(window->windowTitle(), "Progress Percentage [25%]");
    EXPECT_EQ(window->BarValue(), 1);
    EXPECT_EQ(window->Message(), "Erasing flash ROM...\nWARNING!! Ensure process is not interrupted");

    Shown().EndProgress();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(Frame().centralWidget()->isEnabled());
    EXPECT_TRUE(Frame().menuBar()->isEnabled());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(Window(), nullptr);
}

TEST_F(QtNotificationsTest, CancelRaisesTheSignalOnTheNextStep) {
    Shown().BeginProgress(10, false);
    Shown().StepProgress();
    Window()->CancelButton()->click();

    EXPECT_FALSE(Window() != nullptr && Window()->isVisible());
    EXPECT_TRUE(Frame().centralWidget()->isEnabled()) << "the window is gone, so the main window is back";
    EXPECT_FALSE(CancelSignal::Global().Poll());
    Shown().StepProgress();
    EXPECT_TRUE(CancelSignal::Global().Poll());
    Shown().StepProgress();
    EXPECT_TRUE(CancelSignal::Global().Poll());

    Shown().EndProgress();
    EXPECT_TRUE(Frame().centralWidget()->isEnabled());
    Shown().StepProgress();
    EXPECT_FALSE(CancelSignal::Global().Poll());
}

TEST_F(QtNotificationsTest, ABlockedCancelIsOffSaysWhyAndRefusesThePressAndTheCloseBox) {
    Shown().BlockCancel("The flash ROM is being programmed.");
    Shown().BeginProgress(10, false);
    QPushButton* cancel = Window()->CancelButton();
    EXPECT_FALSE(cancel->isEnabled());
    EXPECT_EQ(cancel->toolTip(), "The flash ROM is being programmed.");

    cancel->click();
    Window()->close();
    Shown().StepProgress();
    EXPECT_TRUE(Window()->isVisible());
    EXPECT_FALSE(CancelSignal::Global().Poll());
    EXPECT_FALSE(Frame().centralWidget()->isEnabled());

    Shown().AllowCancel();
    EXPECT_TRUE(cancel->isEnabled());
    EXPECT_TRUE(cancel->toolTip().isEmpty());
    cancel->click();
    Shown().StepProgress();
    EXPECT_TRUE(CancelSignal::Global().Poll());
    Shown().EndProgress();
}

TEST_F(QtNotificationsTest, APressThatEndsWithItsDisplayOpenLeavesTheMainWindowUsable) {
    program = [](CUpgradeForm&) {
        Notifications::Current().BlockCancel("The codeplug is being written.");
        Notifications::Current().BeginProgress(3, false);
    };
    Frame().FormView()->ProgramButton()->click();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !Frame().Runner().Running(); }, 10000));

    EXPECT_FALSE(Window() != nullptr && Window()->isVisible());
    EXPECT_TRUE(Frame().centralWidget()->isEnabled());
    EXPECT_TRUE(Frame().FormView()->ProgramButton()->isEnabled());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Shown().BeginProgress(3, false);
    EXPECT_TRUE(Window()->CancelButton()->isEnabled()) << "the block ended with the display";
    Shown().EndProgress();
}

TEST_F(QtNotificationsTest, TheWindowReopensWhereItWasClosed) {
    Shown().BeginProgress(1, true);
    Window()->move(100, 120);
    Shown().EndProgress();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(PlaceSettings().value("Settings/X").toInt(), 100);
    EXPECT_EQ(PlaceSettings().value("Settings/Y").toInt(), 120);

    Shown().BeginProgress(1, true);
    EXPECT_EQ(Window()->pos(), QPoint(100, 120));
    Shown().EndProgress();
}

TEST_F(QtNotificationsTest, AWindowWithNoPlaceOrOneOffEveryScreenIsCentred) {
    const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
    for (const bool stored : {false, true}) {
        if (stored) {
            PlaceSettings().setValue("Settings/X", 50000);
            PlaceSettings().setValue("Settings/Y", 50000);
        }
        Shown().BeginProgress(1, true);
        const QRect frame(Window()->pos(), Window()->size());
        EXPECT_LE((frame.center() - screenCentre).manhattanLength(), 2) << stored;
        Shown().EndProgress();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(QtNotificationsTest, TheStatusPaneShowsEngineTextsAndGetsItsTextBack) {
    Shown().StatusText(3);
    EXPECT_EQ(Frame().StatusPaneText(), "Ready");
    Shown().StatusText(1);
    EXPECT_EQ(Frame().StatusPaneText(), "Please Wait: Downloading bootcode ...");
    Shown().StatusText(2);
    EXPECT_EQ(Frame().StatusPaneText(), "Please Wait: Flashing firmware ...");
    Shown().StatusText(4);
    EXPECT_EQ(Frame().StatusPaneText(), "Ready");
}

TEST_F(QtNotificationsTest, TheCloseBoxOfTheProgressWindowActsAsCancel) {
    Shown().BeginProgress(10, true);
    Window()->close();
    Shown().StepProgress();
    EXPECT_TRUE(CancelSignal::Global().Poll());
    Shown().EndProgress();
}

}  // namespace
