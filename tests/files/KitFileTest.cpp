#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "KitFileWriter.h"
#include "TempDir.h"
#include "files/KitFile.h"
#include "files/RegularFile.h"

namespace {

constexpr std::string_view kKey = "a kit key of some length";

class KitFileTest : public ::testing::Test {
protected:
    KitFileResult Read(const std::string& name, std::string_view key = kKey) {
        return ReadKitFile(dir_.Path() / name, key, KitFileKind::kFirmware);
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
    const RegularFile file(dir_.Path() / "patcher.dat");
    ASSERT_TRUE(file.IsOpen());
    EXPECT_EQ(ReadKitFile(file, kKey, KitFileKind::kConfig).Text(), "PATCH-D01.01.07\r\n");
    EXPECT_EQ(ReadKitFile(file, kKey, KitFileKind::kConfig).Text(), "PATCH-D01.01.07\r\n");
    EXPECT_EQ(ReadKitFile(RegularFile(), kKey, KitFileKind::kConfig).failure, KitFileFailure::kOpen);
}

// Only a regular file of its own is read, and the open never waits: a FIFO without a writer would hold
// the press forever.
TEST_F(KitFileTest, WhatIsNoRegularFileIsRefusedWithoutWaiting) {
    dir_.WriteFile("real", EncipherForKit("S9030000FC", kKey));
    ASSERT_EQ(::mkfifo((dir_.Path() / "fifo").c_str(), 0600), 0);
    std::filesystem::create_symlink(dir_.Path() / "real", dir_.Path() / "link");
    std::filesystem::create_directory(dir_.Path() / "folder");
    struct Case {
        std::filesystem::path path;
        RegularFile::Status status;
    };
    for (const Case& c : {Case{dir_.Path() / "real", RegularFile::Status::kOpen},
                          Case{dir_.Path() / "missing", RegularFile::Status::kMissing},
                          Case{dir_.Path() / "fifo", RegularFile::Status::kNotRegular},
                          Case{dir_.Path() / "link", RegularFile::Status::kNotRegular},
                          Case{dir_.Path() / "folder", RegularFile::Status::kNotRegular},
                          Case{"/dev/null", RegularFile::Status::kNotRegular}}) {
        EXPECT_EQ(RegularFile(c.path).GetStatus(), c.status) << c.path;
        const KitFileFailure expected =
            c.status == RegularFile::Status::kOpen ? KitFileFailure::kNone : KitFileFailure::kOpen;
        EXPECT_EQ(ReadKitFile(c.path, kKey, KitFileKind::kFirmware).failure, expected) << c.path;
    }
}

// Each kind is read up to its cap and refused past it, before anything is read.
TEST_F(KitFileTest, AFileLargerThanTheCapOfItsKindIsRefused) {
    struct Case {
        KitFileKind kind;
        std::uint64_t cap;
    };
    for (const Case& c :
         {Case{KitFileKind::kConfig, 1024 * 1024}, Case{KitFileKind::kBootCode, 10000},
          Case{KitFileKind::kCodeplug, 2 * 1024 * 1024}, Case{KitFileKind::kFirmware, 16 * 1024 * 1024}}) {
        EXPECT_EQ(MaxKitFileBytes(c.kind), c.cap);
        const std::filesystem::path file = dir_.Path() / "sparse";
        dir_.WriteFile("sparse", "");
        std::filesystem::resize_file(file, c.cap + 8);
        EXPECT_EQ(ReadKitFile(file, kKey, c.kind).failure, KitFileFailure::kTooLarge) << c.cap;
        std::filesystem::resize_file(file, c.cap / 8 * 8);
        EXPECT_TRUE(ReadKitFile(file, kKey, c.kind).Ok()) << c.cap;
    }
}

}  // namespace
