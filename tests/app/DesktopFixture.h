#pragma once

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>
#include <filesystem>
#include <memory>
#include <string>

#include "KitFileWriter.h"
#include "ModalAnswerer.h"
#include "SettingsFolder.h"
#include "TempDir.h"
#include "TestKit.h"
#include "app/CCorvidaApp.h"
#include "app/CCorvidaDoc.h"
#include "app/CCorvidaView.h"
#include "app/CMainFrame.h"
#include "files/ProgramKey.h"
#include "platform/ComPortMap.h"

// The desktop application started on a kit in a temporary folder, with the user's settings in another
// and a device folder of the test's own. The Program press runs `program`, the test's stand-in.
class DesktopHarness {
protected:
    void WriteKit(const std::string& productLine) {
        TestKit kit;
        kit.productLine = productLine;
        kit_.WriteFile("patcher.dat", EncipherForKit(kit.Text(), kProgramKey));
    }
    CCorvidaApp& Start() {
        app_.reset();  // the message box and notifications of one app at a time
        app_ = std::make_unique<CCorvidaApp>(kit_.Path(), ports_, [this](CUpgradeForm& form) { program(form); });
        EXPECT_TRUE(app_->InitInstance());
        return *app_;
    }
    CMainFrame& Frame() { return *app_->MainFrame(); }
    // The start-up view's hand-over, without its real-time wait.
    void ShowUpgradeForm() {
        ASSERT_NE(Frame().StartupView(), nullptr);
        Frame().StartupView()->Tick(std::chrono::milliseconds(0));
        ASSERT_TRUE(QTest::qWaitFor([this] { return Frame().ActiveViewKind() == 4; }));
    }

    SettingsFolder settings_;
    TempDir kit_;
    TempDir devices_;
    ComPortMap ports_{devices_.Path(), devices_.Path() / "sys"};
    std::function<void(CUpgradeForm&)> program = [](CUpgradeForm&) {};
    std::unique_ptr<CCorvidaApp> app_;
};

class DesktopTest : public ::testing::Test, public DesktopHarness {};
