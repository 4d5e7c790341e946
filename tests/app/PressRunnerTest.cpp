#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>

#include "DesktopFixture.h"
#include "app/ProgressWindow.h"
#include "app/UiThread.h"
#include "app/UpgradeFormView.h"
#include "notify/Notifications.h"

namespace {

class PressRunnerTest : public DesktopTest {
protected:
    void SetUp() override {
        WriteKit("VOLANTE");
        Start();
        ShowUpgradeForm();
    }
    void Press() {
        Frame().FormView()->ProgramButton()->click();
        ASSERT_TRUE(QTest::qWaitFor([this] { return !Frame().Runner().Running(); }, 20000));
    }
};

TEST_F(PressRunnerTest, APressRunsOffTheUiThreadAndItsNotificationsArriveInOrder) {
    QThread* pressThread = nullptr;
    std::vector<std::string> seenOnUiThread;
    program = [&](CUpgradeForm&) {
        pressThread = QThread::currentThread();
        Notifications& shown = Notifications::Current();
        shown.BeginProgress(3, true);
        for (int step = 0; step < 3; ++step) {
            shown.StepProgress();
            // Each notification has been handled when it returns: the window shows this step already.
            RunOnUiThread([&] { seenOnUiThread.push_back(Frame().findChild<ProgressWindow*>()->windowTitle().toStdString()); });
        }
        shown.EndProgress();
    };
    Press();

    EXPECT_NE(pressThread, nullptr);
    EXPECT_NE(pressThread, QCoreApplication::instance()->thread());
    EXPECT_EQ(seenOnUiThread, (std::vector<std::string>{"Progress Percentage [33%]", "Progress Percentage [66%]",
                                                        "Progress Percentage [100%]"}));
    EXPECT_TRUE(Frame().centralWidget()->isEnabled());
}

TEST_F(PressRunnerTest, TheWindowIsServedAndPaintedWhileALongEraseRuns) {
    std::atomic<bool> eraseRunning{false};
    std::atomic<bool> servedDuringErase{false};
    QImage paintedDuringErase;
    program = [&](CUpgradeForm&) {
        Notifications::Current().BeginProgress(1, false);
        Notifications::Current().SetProgressMessage("Erasing flash ROM...\nWARNING!! Ensure process is not interrupted");
        eraseRunning = true;
        // The erase ends only once the UI thread has served an event meanwhile.
        while (!servedDuringErase)
            QThread::yieldCurrentThread();
        eraseRunning = false;
        Notifications::Current().EndProgress();
    };
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        if (eraseRunning && !servedDuringErase) {
            paintedDuringErase = Frame().grab().toImage();
            servedDuringErase = true;
        }
    });
    watcher.start(1);
    Press();

    EXPECT_TRUE(servedDuringErase);
    EXPECT_EQ(paintedDuringErase.size(), Frame().size() * Frame().devicePixelRatio());
}

TEST_F(PressRunnerTest, AFailureThatEscapesThePressIsLoggedAndTheWindowComesBack) {
    program = [](CUpgradeForm&) { throw std::runtime_error("unexpected"); };
    Press();
    EXPECT_TRUE(Frame().FormView()->ProgramButton()->isEnabled());
}

}  // namespace
