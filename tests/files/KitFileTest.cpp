#include <gtest/gtest.h>

#include <string>

#include "KitFileWriter.h"
#include "TempDir.h"
#include "files/KitFile.h"

namespace {

constexpr std::string_view kKey = "a kit key of some length";

class KitFileTest : public ::testing::Test {
protected:
    KitFileResult Read(const std::string& name, std::string_view key = kKey) {
        return ReadKitFile(dir_.Path() / name, key);
    }

    TempDir dir_;
};

TEST_F(KitFileTest, DeciphersTheTextUpToItsFirstZeroByte) {
    dir_.WriteFile("fw", EncipherForKit(std::string("S9030000FC\r\n\0junk", 18), kKey));
    const KitFileResult result = Read("fw");
    ASSERT_TRUE(result.Ok());
    EXPECT_EQ(result.Text(), "S9030000FC\r\n");
    EXPECT_EQ(result.fileSize, 24u);
    EXPECT_EQ(result.buffer.size(), 24u + KitFileResult::kSlackBytes);
}

TEST_F(KitFileTest, ATextThatFillsTheFileIsStillTerminated) {
    const std::string plain = "0123456789ABCDEF";
    dir_.WriteFile("full", EncipherForKit(plain, kKey));
    const KitFileResult result = Read("full");
    ASSERT_TRUE(result.Ok());
    EXPECT_EQ(result.Text(), plain);
}

TEST_F(KitFileTest, TheWrongKeyGivesAnotherText) {
    dir_.WriteFile("fw", EncipherForKit("S9030000FC", kKey));
    const KitFileResult result = Read("fw", "another key");
    ASSERT_TRUE(result.Ok());
    EXPECT_NE(result.Text().substr(0, 4), "S903");
}

TEST_F(KitFileTest, FailuresNameTheirKindAndHandNothingOn) {
    dir_.WriteFile("empty", "");
    dir_.WriteFile("twelve", std::string(12, 'x'));
    std::filesystem::create_directory(dir_.Path() / "folder");
    struct Case {
        const char* name;
        KitFileFailure failure;
    };
    for (const Case& c :
         {Case{"missing", KitFileFailure::kOpen}, Case{"folder", KitFileFailure::kOpen},
          Case{"empty", KitFileFailure::kCorrupt}, Case{"twelve", KitFileFailure::kCorrupt}}) {
        const KitFileResult result = Read(c.name);
        EXPECT_EQ(result.failure, c.failure) << c.name;
        EXPECT_FALSE(result.Ok());
        EXPECT_TRUE(result.buffer.empty());
        EXPECT_TRUE(result.Text().empty());
    }
}

TEST_F(KitFileTest, ReadsAFileTheCallerKeepsOpenFromItsStart) {
    dir_.WriteFile("patcher.dat", EncipherForKit("PATCH-D01.01.07\r\n", kKey));
    std::FILE* file = std::fopen((dir_.Path() / "patcher.dat").c_str(), "rb");
    ASSERT_NE(file, nullptr);
    std::fgetc(file);
    EXPECT_EQ(ReadKitFile(file, kKey).Text(), "PATCH-D01.01.07\r\n");
    std::fclose(file);
    EXPECT_EQ(ReadKitFile(static_cast<std::FILE*>(nullptr), kKey).failure, KitFileFailure::kOpen);
}

}  // namespace
