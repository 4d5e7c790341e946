#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "FileSyncs.h"
#include "RaisedError.h"
#include "TempDir.h"
#include "platform/SafeFolder.h"

namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

class SafeFolderTest : public ::testing::Test {
protected:
    std::string Refusal(const char* name, const char* why) const {
        return (folder_.Path() / name).string() + " is refused: it " + why;
    }

    TempDir folder_;
    TempDir elsewhere_;
    SafeFolder safe_{folder_.Path()};
};

TEST_F(SafeFolderTest, ANewSubfolderIsPrivateAndItsEntryIsOnTheDisk) {
    const int before = FileSyncs::Count();
    const SafeFolder backup = safe_.Subfolder("backup");
    EXPECT_EQ(backup.Path(), folder_.Path() / "backup");
    EXPECT_EQ(fs::status(backup.Path()).permissions(), fs::perms::owner_all);
    EXPECT_EQ(FileSyncs::Count() - before, 1);
    EXPECT_EQ(FileSyncs::LastPath(), fs::canonical(folder_.Path()).string());

    const int again = FileSyncs::Count();
    safe_.Subfolder("backup");
    EXPECT_EQ(FileSyncs::Count(), again) << "an existing folder needs no sync";
}

TEST_F(SafeFolderTest, ADurableWriteKeepsAnExistingFileUnlessToldToReplaceIt) {
    const int before = FileSyncs::Count();
    ASSERT_TRUE(safe_.WriteDurably("data", "first", false));
    EXPECT_EQ(FileSyncs::Count() - before, 2) << "the file, then the folder";
    EXPECT_EQ(FileSyncs::LastPath(), fs::canonical(folder_.Path()).string());
    EXPECT_FALSE(safe_.WriteDurably("data", "second", false));
    EXPECT_EQ(folder_.ReadFile("data"), "first");
    EXPECT_TRUE(safe_.WriteDurably("data", "third", true));
    EXPECT_EQ(folder_.ReadFile("data"), "third");
    EXPECT_EQ(fs::status(folder_.Path() / "data").permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_THAT(safe_.FileNames(), ElementsAre("data")) << "no temporary file stays behind";
}

TEST_F(SafeFolderTest, AReplacedLinkIsReplacedItselfNotItsTarget) {
    elsewhere_.WriteFile("victim", "kept");
    fs::create_symlink(elsewhere_.Path() / "victim", folder_.Path() / "data");
    EXPECT_FALSE(safe_.WriteDurably("data", "new", false));
    EXPECT_TRUE(safe_.WriteDurably("data", "new", true));
    EXPECT_FALSE(fs::is_symlink(folder_.Path() / "data"));
    EXPECT_EQ(folder_.ReadFile("data"), "new");
    EXPECT_EQ(elsewhere_.ReadFile("victim"), "kept");
}

TEST_F(SafeFolderTest, ListsAndReadsOnlyRegularFilesOfItsOwn) {
    folder_.WriteFile("b.radiodata", "radio b");
    folder_.WriteFile("a.radiodata", "radio a");
    elsewhere_.WriteFile("other.radiodata", "another radio");
    fs::create_symlink(elsewhere_.Path() / "other.radiodata", folder_.Path() / "link.radiodata");
    fs::create_directory(folder_.Path() / "folder.radiodata");
    ASSERT_EQ(::mkfifo((folder_.Path() / "fifo.radiodata").c_str(), 0600), 0);

    EXPECT_THAT(safe_.FileNames(), ElementsAre("a.radiodata", "b.radiodata"));
    EXPECT_EQ(safe_.ReadFile("a.radiodata", 7), "radio a");
    struct Case {
        const char* name;
        std::size_t maxBytes;
        std::string why;
    };
    const Case refused[] = {
        {"link.radiodata", 100, "is a symbolic link"},
        {"fifo.radiodata", 100, "is not a regular file"},  // refused at once, not waited on
        {"folder.radiodata", 100, "is not a regular file"},
        {"a.radiodata", 6, "is larger than expected"},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RaisedBy([&] { safe_.ReadFile(c.name, c.maxBytes); }),
                  GenError(3, Refusal(c.name, c.why.c_str())));
    }
}

TEST_F(SafeFolderTest, RefusesNamesThatLeaveTheFolder) {
    for (const char* name : {"", ".", "..", "../x", "sub/x", "/etc/passwd"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(RaisedBy([&] { safe_.WriteDurably(name, "x", true); }),
                  GenError(3, std::string("\"") + name + "\" is not the name of a file in a folder"));
    }
    EXPECT_TRUE(fs::is_empty(folder_.Path()));
}

}  // namespace
