#include <gtest/gtest.h>

#include <filesystem>

#include "SettingsFolder.h"
#include "TempDir.h"
#include "app/CCorvidaDoc.h"
#include "app/PortOverrides.h"
#include "platform/ComPortMap.h"

namespace {

class CCorvidaDocTest : public ::testing::Test {
protected:
    std::filesystem::path KitFolder(const std::string& name) const {
        const std::filesystem::path folder = kits_.Path() / name;
        std::filesystem::create_directories(folder);
        return folder;
    }
    std::filesystem::path IniOf(const std::string& application) const {
        return settings_.Path() / "Veltrane" / (application + ".ini");
    }

    SettingsFolder settings_;
    TempDir kits_;
};

TEST_F(CCorvidaDocTest, TheDisplayNameIsTheKitFoldersNameCutTo26Characters) {
    EXPECT_EQ(CCorvidaDoc::KitDisplayName("/opt/kits/Demo Kit R05.20"), "Demo Kit R05.20");
    EXPECT_EQ(CCorvidaDoc::KitDisplayName("/opt/kits/demo/"), "demo");
    EXPECT_EQ(CCorvidaDoc::KitDisplayName("/opt/kits/KX-400 and KX-600 upgrade R05.20"),
              "KX-400 and KX-600 upgrade ");
}

TEST_F(CCorvidaDocTest, AKitGivenRelativelyStaysFoundWhenTheCurrentDirectoryChanges) {
    KitFolder("demo");
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(kits_.Path());
    const CCorvidaDoc document("demo");
    std::filesystem::current_path(before);

    EXPECT_EQ(document.WorkingDirectory(), kits_.Path() / "demo");
}

TEST_F(CCorvidaDocTest, AFirstRunStoresPort1AndEcho1) {
    const CCorvidaDoc document(KitFolder("demo"));

    EXPECT_EQ(document.PortNumber(), 1u);
    EXPECT_EQ(document.EchoType(), 1u);
    EXPECT_EQ(document.WorkingDirectory(), kits_.Path() / "demo");
    QSettings stored(QString::fromStdString(IniOf("demo").string()), QSettings::IniFormat);
    EXPECT_EQ(stored.value("Port ID").toInt(), 1);
    EXPECT_EQ(stored.value("ZUB Echo Type").toInt(), 1);
}

TEST_F(CCorvidaDocTest, ClosingStoresThePortAndEchoForTheNextRunOfThatKit) {
    {
        CCorvidaDoc document(KitFolder("demo"));
        document.SetPort(34);
        document.SetEcho(0);
        document.Close();
    }
    const CCorvidaDoc again(KitFolder("demo"));
    EXPECT_EQ(again.PortNumber(), 34u);
    EXPECT_EQ(again.EchoType(), 0u);

    const CCorvidaDoc otherKit(KitFolder("other"));
    EXPECT_EQ(otherKit.PortNumber(), 1u);
}

TEST_F(CCorvidaDocTest, AnUnreadableSettingsFileKeepsTheDefaultsSilently) {
    std::filesystem::create_directories(IniOf("demo"));  // a folder where the file should be

    CCorvidaDoc document(KitFolder("demo"));
    EXPECT_EQ(document.PortNumber(), 1u);
    EXPECT_EQ(document.EchoType(), 1u);
    document.SetPort(5);
    document.Close();
    EXPECT_TRUE(std::filesystem::is_directory(IniOf("demo")));
}

TEST_F(CCorvidaDocTest, AValueThatIsNoNumberLeavesTheOneBefore) {
    std::filesystem::create_directories(IniOf("demo").parent_path());
    {
        QSettings stored(QString::fromStdString(IniOf("demo").string()), QSettings::IniFormat);
        stored.setValue("Port ID", "COM7");
        stored.setValue("ZUB Echo Type", 0);
    }
    const CCorvidaDoc document(KitFolder("demo"));
    EXPECT_EQ(document.PortNumber(), 1u);
    EXPECT_EQ(document.EchoType(), 0u);
}

TEST_F(CCorvidaDocTest, PortOverridesPersistForEveryKitAndReachThePortMap) {
    PortOverrides::Store(3, "/dev/serial/by-id/usb-bench-adapter");
    PortOverrides::Store(40, "/dev/pts/7");
    PortOverrides::Store(40, "");

    const std::map<unsigned, std::string> expected = {{3, "/dev/serial/by-id/usb-bench-adapter"}};
    EXPECT_EQ(PortOverrides::Stored(), expected);
    ComPortMap ports(kits_.Path(), kits_.Path());
    PortOverrides::LoadInto(ports);
    EXPECT_EQ(ports.PathFor(3), "/dev/serial/by-id/usb-bench-adapter");
    EXPECT_TRUE(std::filesystem::exists(settings_.Path() / "Veltrane" / "Corvida.ini"));
}

}  // namespace
