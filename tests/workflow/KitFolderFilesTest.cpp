#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "RecordingMessageBox.h"
#include "TempDir.h"
#include "VirtualTimeTest.h"
#include "engine/SavedDataFile.h"
#include "errors/CError.h"
#include "errors/CwFileLog.h"
#include "workflow/UpgradeRecord.h"

// The files the programs write in a kit folder (upgrades.csv, cvErrlog.txt, backup/ and its files) are
// written there and nowhere else, whatever a kit or a neighbour planted in their place, and keep the
// radio's data from other users of the machine.
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

constexpr const char* kPrecious = "another user's file\n";

RadioSavedData Sample() {
    RadioSavedData data;
    data.Begin(1, 3, "");
    data.SetRadio({std::nullopt, "SN00001234"});
    data.Add({0x8000, 0, 0, 0, {0x00, 0x08, 0x1A, 0x2B}});
    return data;
}

void Link(const fs::path& target, const fs::path& link) {
    fs::create_symlink(target, link);
}

void Fifo(const fs::path& path) {
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
}

// A kit folder, and outside it another user's file and folder.
class KitScene {
public:
    KitScene() {
        elsewhere_.WriteFile("victim", kPrecious);
        fs::create_directory(elsewhere_.Path() / "folder");
    }

    const fs::path& Kit() const { return kit_.Path(); }
    fs::path Elsewhere(const char* name) const { return elsewhere_.Path() / name; }

    void ExpectNothingElsewhereChanged() const {
        EXPECT_EQ(elsewhere_.ReadFile("victim"), kPrecious);
        EXPECT_TRUE(fs::is_empty(Elsewhere("folder")));
        EXPECT_FALSE(fs::exists(fs::symlink_status(Elsewhere("new"))));
    }

private:
    TempDir kit_;
    TempDir elsewhere_;
};

class KitFolderFilesTest : public VirtualTimeTest {
protected:
    // Each writer does to its file what a press does and returns what the program said about it.
    std::string WriteRecord(const fs::path& kit) const {
        UpgradeRecord record;
        record.serialText = "4000123";
        record.AppendTo(kit);
        std::string said;
        for (const std::string& line : LogLines())
            said += line + "\n";
        return said;
    }
    static std::string WriteErrorLog(const fs::path& kit) {
        RecordingMessageBox boxes;
        CwFileLog::SetDirectory(kit);
        CwFileLog sink(CwFileLog::kDefaultFileName);
        sink.Start();
        sink.WriteLine("CKwipComm::SendCommand: Request failed! Retry number = 1");
        return boxes.Boxes().empty() ? "" : boxes.Boxes().front().text;
    }
    std::string WriteBackup(const fs::path& kit) const {
        try {
            SavedDataFile::Write(kit / "backup", Sample(), when_);
        } catch (const CError& error) {
            return error.GetText();
        }
        return "";
    }

    const std::chrono::system_clock::time_point when_ = std::chrono::system_clock::now();
};

struct Planted {
    const char* entry;  // in the kit folder
    const char* what;
    std::function<void(const KitScene&)> plant;
    std::function<std::string(const fs::path& kit)> write;
    const char* refusal;  // why the program refuses it; empty when the write goes ahead harmlessly
};

TEST_F(KitFolderFilesTest, NothingPlantedInTheKitFolderSendsAWriteElsewhere) {
    const auto record = [this](const fs::path& kit) { return WriteRecord(kit); };
    const auto log = [](const fs::path& kit) { return WriteErrorLog(kit); };
    const auto backup = [this](const fs::path& kit) { return WriteBackup(kit); };
    const std::string backupTemporary = SavedDataFile::FileName(Sample(), when_) + ".tmp";
    const Planted cases[] = {
        {"upgrades.csv", "a link to another file",
         [](const KitScene& s) { Link(s.Elsewhere("victim"), s.Kit() / "upgrades.csv"); }, record,
         "is a symbolic link"},
        {"upgrades.csv", "a link to a file not there yet",
         [](const KitScene& s) { Link(s.Elsewhere("new"), s.Kit() / "upgrades.csv"); }, record,
         "is a symbolic link"},
        {"upgrades.csv", "a hard link to another file",
         [](const KitScene& s) { fs::create_hard_link(s.Elsewhere("victim"), s.Kit() / "upgrades.csv"); },
         record, "has further names (hard links)"},
        {"upgrades.csv", "a FIFO", [](const KitScene& s) { Fifo(s.Kit() / "upgrades.csv"); }, record,
         "is not a regular file"},
        {"cvErrlog.txt", "a link to another file",
         [](const KitScene& s) { Link(s.Elsewhere("victim"), s.Kit() / "cvErrlog.txt"); }, log,
         "is a symbolic link"},
        {"cvErrlog.txt", "a FIFO", [](const KitScene& s) { Fifo(s.Kit() / "cvErrlog.txt"); }, log,
         "is not a regular file"},
        {"backup", "a link to another folder",
         [](const KitScene& s) { Link(s.Elsewhere("folder"), s.Kit() / "backup"); }, backup,
         "is a symbolic link"},
        {"backup", "a file", [](const KitScene& s) { std::ofstream(s.Kit() / "backup") << "not a folder"; },
         backup, "is not a folder"},
        {"backup", "a FIFO", [](const KitScene& s) { Fifo(s.Kit() / "backup"); }, backup, "is not a folder"},
        {"backup/<the backup file>.tmp", "a link to another file",
         [&](const KitScene& s) {
             fs::create_directory(s.Kit() / "backup");
             Link(s.Elsewhere("victim"), s.Kit() / "backup" / backupTemporary);
         },
         backup, ""},
    };
    for (const Planted& c : cases) {
        SCOPED_TRACE(std::string(c.entry) + " is " + c.what);
        const KitScene scene;
        c.plant(scene);
        const std::string said = c.write(scene.Kit());
        if (*c.refusal != '\0')
            EXPECT_THAT(said, HasSubstr((scene.Kit() / c.entry).string() + " is refused: it " + c.refusal));
        else
            EXPECT_EQ(said, "");
        scene.ExpectNothingElsewhereChanged();
    }
}

// The umask of a bench whose technicians share kit folders through their group.
class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask) : previous_(::umask(mask)) {}
    ~ScopedUmask() { ::umask(previous_); }
    ScopedUmask(const ScopedUmask&) = delete;
    ScopedUmask& operator=(const ScopedUmask&) = delete;

private:
    mode_t previous_;
};

std::string Mode(const fs::path& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0)
        return "missing";
    char octal[8];
    std::snprintf(octal, sizeof octal, "%04o", static_cast<unsigned>(status.st_mode & 07777));
    return octal;
}

TEST_F(KitFolderFilesTest, TheRadiosDataIsItsOwnersAndNoRecordIsOpenToOtherUsers) {
    const ScopedUmask groupShares(002);
    const KitScene scene;
    WriteRecord(scene.Kit());
    WriteErrorLog(scene.Kit());
    WriteBackup(scene.Kit());
    EXPECT_EQ(Mode(scene.Kit() / "upgrades.csv"), "0660");
    EXPECT_EQ(Mode(scene.Kit() / "cvErrlog.txt"), "0660");
    EXPECT_EQ(Mode(scene.Kit() / "backup"), "0700");
    EXPECT_EQ(Mode(scene.Kit() / "backup" / SavedDataFile::FileName(Sample(), when_)), "0600");
}

TEST_F(KitFolderFilesTest, FilesLeftOpenToOtherUsersByAnEarlierVersionAreClosedToThem) {
    const ScopedUmask groupShares(002);
    const KitScene scene;
    const auto plant = [&](const char* name, mode_t mode) {
        std::ofstream(scene.Kit() / name) << "";
        fs::permissions(scene.Kit() / name, static_cast<fs::perms>(mode));
    };
    plant("upgrades.csv", 0644);
    plant("cvErrlog.txt", 0666);
    fs::create_directory(scene.Kit() / "backup");
    fs::permissions(scene.Kit() / "backup", static_cast<fs::perms>(0755));
    WriteRecord(scene.Kit());
    WriteErrorLog(scene.Kit());
    WriteBackup(scene.Kit());
    EXPECT_EQ(Mode(scene.Kit() / "upgrades.csv"), "0640");
    EXPECT_EQ(Mode(scene.Kit() / "cvErrlog.txt"), "0660");
    EXPECT_EQ(Mode(scene.Kit() / "backup"), "0700");
}

}  // namespace
