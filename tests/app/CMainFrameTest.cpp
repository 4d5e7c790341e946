#include <QAction>
#include <QPushButton>
#include <QSettings>
#include <QToolBar>
#include <gtest/gtest.h>

#include <atomic>

#include "DesktopFixture.h"
#include "app/BenchPorts.h"
#include "app/BenchWindow.h"
#include "app/LaneRow.h"
#include "app/UpgradeFormView.h"
#include "errors/CErrorLog.h"

namespace {

class CMainFrameTest : public DesktopTest {};

TEST_F(CMainFrameTest, TheTitleFollowsTheProductLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"BASIC", "Radio Firmware Kit"}, {"DUN", "Radio Firmware Kit"},   {"DUN_KESTA", "Radio Firmware Kit"},
        {"KDS", "Radio Upgrade Kit"},    {"NO_LINE", "Radio Upgrade Kit"}, {"basic", "Radio Upgrade Kit"},
    };
    for (const auto& [line, title] : cases) {
        WriteKit(line);
        Start();
        EXPECT_EQ(Frame().windowTitle().toStdString(), title) << line;
    }
}

TEST_F(CMainFrameTest, StartsAt560By450WithTheStartupViewAndTheStoredPort) {
    QSettings(QSettings::IniFormat, QSettings::UserScope, "Veltrane", QString::fromStdString(kit_.Path().filename().string()))
        .setValue("Port ID", 7);
    WriteKit("VOLANTE");
    Start();

    EXPECT_EQ(Frame().size(), QSize(560, 450));
    EXPECT_EQ(Frame().ActiveViewKind(), 255);
    EXPECT_NE(Frame().StartupView(), nullptr);
    EXPECT_EQ(Frame().PortPaneText(), "COM7");
    EXPECT_EQ(Frame().StatusPaneText(), "Ready");
}

TEST_F(CMainFrameTest, AFirstRunStoresPort1WithEchoAndExitStoresChanges) {
    WriteKit("VOLANTE");
    Start();
    EXPECT_EQ(Frame().PortPaneText(), "COM1");
    app_->Document()->SetPort(4);
    app_->Document()->SetEcho(0);
    app_->ExitInstance();

    Start();
    EXPECT_EQ(Frame().PortPaneText(), "COM4");
    EXPECT_EQ(app_->Document()->EchoType(), 0);
}

TEST_F(CMainFrameTest, TheErrorLogFileStaysOffUnlessSupportAsksForIt) {
    WriteKit("VOLANTE");
    const std::pair<const char*, bool> cases[] = {{nullptr, false}, {"0", false}, {"yes", false}, {"1", true}};
    for (const auto& [value, logging] : cases) {
        if (value != nullptr)
            qputenv(CCorvidaApp::kErrorLogVariable, value);
        else
            qunsetenv(CCorvidaApp::kErrorLogVariable);
        ErrorLog().SetFileLogging(!logging);
        Start();
        EXPECT_EQ(ErrorLog().IsFileLogging(), logging) << (value != nullptr ? value : "unset");
    }
    qunsetenv(CCorvidaApp::kErrorLogVariable);
    ErrorLog().SetFileLogging(false);
}

TEST_F(CMainFrameTest, TheStartupViewHandsOverToTheUpgradeFormOnce) {
    WriteKit("VOLANTE");
    Start();
    CCorvidaView* startup = Frame().StartupView();
    ShowUpgradeForm();

    EXPECT_EQ(Frame().StartupView(), nullptr);
    UpgradeFormView* form = Frame().FormView();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->TitleText(), "Test Kit R01");
    EXPECT_EQ(form->DescriptionText(), "For the small test radio");
    EXPECT_NE(startup, static_cast<QWidget*>(form));

    Frame().SwitchView(4);
    EXPECT_EQ(Frame().FormView(), form);
    EXPECT_EQ(form->TitleText(), "Test Kit R01");
}

TEST(CCorvidaViewTest, OnlyTheFirstTickRequestsTheSwitch) {
    int requests = 0;
    int requestedKind = 0;
    CCorvidaView view(ProductLineLook::Of(0), [&](int kind) {
        ++requests;
        requestedKind = kind;
    });
    view.Tick(std::chrono::milliseconds(0));
    view.Tick(std::chrono::milliseconds(0));
    EXPECT_FALSE(view.HandOverRequested());  // not before the further wait
    ASSERT_TRUE(QTest::qWaitFor([&] { return requests > 0; }));
    view.Tick(std::chrono::milliseconds(0));
    QCoreApplication::processEvents();

    EXPECT_EQ(requests, 1);
    EXPECT_EQ(requestedKind, 4);
    EXPECT_TRUE(view.HandOverRequested());
}

TEST_F(CMainFrameTest, MenusAndToolBarCarryTheCommands) {
    WriteKit("VOLANTE");
    Start();
    for (const char* name :
         {"commSetting", "zubSetting", "flashRate", "exit", "about", "toolBarToggle", "statusBarToggle", "bench"})
        EXPECT_TRUE(Frame().Command(name)->isEnabled()) << name;
    EXPECT_FALSE(Frame().Command("optionList")->isEnabled());

    QStringList toolTexts;
    for (QAction* action : Frame().findChild<QToolBar*>("toolBar")->actions())
        toolTexts << (action->isSeparator() ? QStringLiteral("|") : action->text());
    EXPECT_EQ(toolTexts.join(QLatin1Char(',')).toStdString(), "Comm Setting,ZUB Setting,|,&About");
}

TEST_F(CMainFrameTest, ViewBenchOpensOneBenchWindowWithTheBenchPortsOnTheKit) {
    WriteKit("VOLANTE");
    BenchPorts::Store({"/dev/ttyUSB0", "COM3"});
    Start();

    Frame().Command("bench")->trigger();
    Frame().Command("bench")->trigger();

    ASSERT_EQ(Frame().findChildren<BenchWindow*>().size(), 1);
    BenchWindow& bench = *Frame().Bench();
    EXPECT_TRUE(bench.isVisible());
    ASSERT_EQ(bench.Rows().size(), 2u);
    EXPECT_EQ(bench.Rows()[1]->Port(), "COM3");
    EXPECT_EQ(bench.LaneArguments("COM3").mid(2, 2),
              QStringList({"--kit", QString::fromStdString(kit_.Path().string())}));
    EXPECT_TRUE(bench.LaneArguments("COM3").contains("--echo"));  // a first run's ZUB setting
}

// A press the test holds in the middle until it lets go.
class HeldPressTest : public DesktopTest {
protected:
    void SetUp() override {
        program = [this](CUpgradeForm&) {
            pressRunning = true;
            while (!letGo)
                QThread::yieldCurrentThread();
        };
        WriteKit("VOLANTE");
        Start();
        ShowUpgradeForm();
        Frame().FormView()->ProgramButton()->click();
        ASSERT_TRUE(QTest::qWaitFor([this] { return pressRunning.load(); }));
    }
    void TearDown() override { letGo = true; }
    void LetGo() {
        letGo = true;
        ASSERT_TRUE(QTest::qWaitFor([this] { return !Frame().Runner().Running(); }));
    }

    std::atomic<bool> pressRunning{false};
    std::atomic<bool> letGo{false};
};

TEST_F(HeldPressTest, WhileAPressRunsOnlyItsOwnWindowsAct) {
    for (const char* name : {"commSetting", "zubSetting", "flashRate", "exit", "about"})
        EXPECT_FALSE(Frame().Command(name)->isEnabled()) << name;
    EXPECT_FALSE(Frame().FormView()->ProgramButton()->isEnabled());
    EXPECT_FALSE(Frame().Runner().Run([] {}));
    UpgradeFormView* form = Frame().FormView();
    Frame().SwitchView(255);
    EXPECT_EQ(Frame().FormView(), form);

    LetGo();
    EXPECT_TRUE(Frame().Command("commSetting")->isEnabled());
    EXPECT_TRUE(Frame().FormView()->ProgramButton()->isEnabled());
}

TEST_F(HeldPressTest, ClosingAsksAndWaitsForThePressToEnd) {
    ModalAnswerer operatorAnswers;
    operatorAnswers.Then(ModalAnswerer::Press("Cancel")).Then(ModalAnswerer::Press("OK"));

    EXPECT_FALSE(Frame().close());
    EXPECT_FALSE(Frame().close());
    EXPECT_TRUE(Frame().isVisible());
    EXPECT_TRUE(Frame().Runner().Running());
    ASSERT_EQ(operatorAnswers.Seen().size(), 2u);
    EXPECT_EQ(operatorAnswers.Seen()[0].substr(0, 33), "Warning | A radio is being progra");

    LetGo();
    EXPECT_FALSE(Frame().isVisible());
}

TEST_F(HeldPressTest, AQuitRequestedDuringAPressWaitsForItsEnd) {
    Frame().RequestQuit(-1);
    QCoreApplication::processEvents();
    EXPECT_TRUE(Frame().isVisible());

    LetGo();
    EXPECT_FALSE(Frame().isVisible());
    EXPECT_EQ(app_->ExitInstance(), -1);
}

}  // namespace
