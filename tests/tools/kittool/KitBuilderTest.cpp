#include <gtest/gtest.h>

#include <stdexcept>

#include "KitBuilder.h"
#include "KitFolder.h"
#include "TempDir.h"

namespace {

constexpr const char* kConfig = "PATCH-D01.01.07\nTitle\nDescription\nthe kit key\n01\n";

TEST(KitBuilderTest, EnciphersTheConfigurationWithTheProgramKeyAndTheRestWithTheKitKey) {
    TempDir sources;
    TempDir kit;
    sources.WriteFile("patcher.txt", kConfig);
    sources.WriteFile("boot.s19", "S9030000FC\r\n");
    const std::vector<std::string> written = KitBuilder().Build(sources.Path(), kit.Path());
    EXPECT_EQ(written, (std::vector<std::string>{"boot.s19", "patcher.dat"}));

    EXPECT_EQ(kit.ReadFile("patcher.dat").size() % 8, 0u);
    EXPECT_EQ(ReadKitFile(kit.Path() / "patcher.dat", kProgramKey, KitFileKind::kConfig).Text(), kConfig);
    const KitFileResult boot = ReadKitFile(kit.Path() / "boot.s19", "the kit key", KitFileKind::kBootCode);
    EXPECT_EQ(boot.fileSize, 16u) << "12 bytes padded to 16";
    EXPECT_EQ(boot.Text(), "S9030000FC\r\n");

    KitFolder folder(kit.Path());
    ASSERT_TRUE(folder.HasConfig());
    EXPECT_EQ(folder.KitKey(), "the kit key");
}

TEST(KitBuilderTest, RefusesSourcesItCannotMakeAKitOf) {
    TempDir noConfig;
    TempDir out;
    EXPECT_THROW(KitBuilder().Build(noConfig.Path(), out.Path()), std::runtime_error);

    TempDir noKey;
    noKey.WriteFile("patcher.txt", "PATCH-D01.01.07\nTitle\nDescription\n");
    EXPECT_THROW(KitBuilder().Build(noKey.Path(), out.Path()), std::runtime_error);

    TempDir withFolder;
    withFolder.WriteFile("patcher.txt", kConfig);
    std::filesystem::create_directory(withFolder.Path() / "images");
    EXPECT_THROW(KitBuilder().Build(withFolder.Path(), out.Path()), std::runtime_error);
}

}  // namespace
