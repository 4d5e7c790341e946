#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>

#include "Commands.h"
#include "KitLauncher.h"
#include "TempDir.h"

namespace {

TEST(KitLauncherTest, TheEntryStartsCorvidaInTheKitsFolderUnderItsTitle) {
    const KitLauncher launcher("/srv/kits/kx400-r0520/", "KX-400 Upgrade R05.20", "Flash and scan lists");
    EXPECT_EQ(launcher.DesktopEntry(),
              "[Desktop Entry]\n"
              "Type=Application\n"
              "Version=1.4\n"
              "Name=KX-400 Upgrade R05.20\n"
              "Comment=Flash and scan lists\n"
              "Icon=corvida\n"
              "TryExec=corvida\n"
              "Exec=corvida\n"
              "Path=/srv/kits/kx400-r0520\n"
              "Terminal=false\n"
              "Categories=Utility;\n");
    EXPECT_EQ(launcher.FileName(), "corvida-kx400-r0520.desktop");
}

TEST(KitLauncherTest, NoTitleOrFolderNameCanBreakTheEntrysLines) {
    const KitLauncher launcher("/srv/kits/new kit (2)", "Two\nlines\\ and\ta tab\r", "");
    const std::string entry = launcher.DesktopEntry();
    EXPECT_NE(entry.find("\nName=Two\\nlines\\\\ and\\ta tab\\r\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("\nPath=/srv/kits/new kit (2)\n"), std::string::npos) << entry;
    EXPECT_EQ(entry.find("Comment="), std::string::npos) << "no empty comment";
    EXPECT_EQ(launcher.FileName(), "corvida-new-kit--2-.desktop");
    // A kit without a title is named after its folder.
    EXPECT_NE(KitLauncher("/srv/kits/plain", "", "").DesktopEntry().find("\nName=plain\n"),
              std::string::npos);
}

TEST(KitLauncherTest, TheUserApplicationsFolderFollowsTheBaseDirectoryRules) {
    struct Case {
        std::optional<std::string> dataHome;
        std::optional<std::string> home;
        std::filesystem::path folder;
    };
    const Case cases[] = {
        {"/data", "/home/tech", "/data/applications"},
        {std::nullopt, "/home/tech", "/home/tech/.local/share/applications"},
        {"relative/data", "/home/tech", "/home/tech/.local/share/applications"},
        {"", "/home/tech", "/home/tech/.local/share/applications"},
        {std::nullopt, std::nullopt, ""},
    };
    const std::optional<std::string> savedData =
        std::getenv("XDG_DATA_HOME") ? std::optional<std::string>(std::getenv("XDG_DATA_HOME"))
                                     : std::nullopt;
    const std::optional<std::string> savedHome =
        std::getenv("HOME") ? std::optional<std::string>(std::getenv("HOME")) : std::nullopt;
    const auto set = [](const char* name, const std::optional<std::string>& value) {
        if (value) {
            setenv(name, value->c_str(), 1);
        } else {
            unsetenv(name);
        }
    };
    for (const Case& c : cases) {
        set("XDG_DATA_HOME", c.dataHome);
        set("HOME", c.home);
        EXPECT_EQ(KitLauncher::UserApplicationsFolder(), c.folder) << c.dataHome.value_or("(unset)");
    }
    set("XDG_DATA_HOME", savedData);
    set("HOME", savedHome);
}

class KitLauncherCommandTest : public ::testing::Test {
protected:
    Commands::Streams Io() { return {out_, err_}; }

    TempDir dir_;
    std::ostringstream out_;
    std::ostringstream err_;
};

TEST_F(KitLauncherCommandTest, WritesTheDemoKitsEntryWhereToldAndSaysWhere) {
    const std::filesystem::path file = dir_.Path() / "demo.desktop";
    ASSERT_EQ(Commands::Launcher(CORVIDA_DEMO_KIT, file, Io()), Commands::kSuccess) << err_.str();
    EXPECT_EQ(out_.str(), file.string() + "\n");
    const std::string entry = dir_.ReadFile("demo.desktop");
    EXPECT_NE(
        entry.find("\nName=Demo Upgrade Kit R05.20\n"
                   "Comment=Firmware R05.20 for KX-400 portables and KX-600 mobiles, with the scan-list "
                   "patch\n"),
        std::string::npos)
        << entry;
    EXPECT_NE(
        entry.find("\nPath=" + std::filesystem::path(CORVIDA_DEMO_KIT).lexically_normal().string() + "\n"),
        std::string::npos)
        << entry;
}

TEST_F(KitLauncherCommandTest, AFolderWithoutAKitWritesNothing) {
    const std::filesystem::path file = dir_.Path() / "none.desktop";
    EXPECT_EQ(Commands::Launcher(dir_.Path(), file, Io()), Commands::kFailed);
    EXPECT_EQ(err_.str(),
              "kittool: " + (dir_.Path() / "patcher.dat").string() + " is missing or not readable\n");
    EXPECT_FALSE(std::filesystem::exists(file));
}

}  // namespace
