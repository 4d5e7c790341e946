#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "RaisedError.h"
#include "TempDir.h"
#include "engine/SavedDataFile.h"

namespace {

RadioSavedData Sample() {
    RadioSavedData data;
    data.Begin(3, 1, "01");
    data.SetRadio({RadioIdentity::Bytes{0xE5, 0x8E, 0xC1, 0x54, 0x19, 0x9D, 0x11, 0xD1, 0x80, 0x18, 0x00, 0x60, 0xB0,
                                        0x3C, 0x8A, 0xFF},
                   "SN00001234"});
    data.Add({0x8000, 0, 0, 0, {0x00, 0x08, 0x1A, 0x2B}});
    data.Add({0x8B, 0, 0, 64, {0xFF, 0x00, 0x7E}});
    return data;
}

std::chrono::system_clock::time_point At(int year, int month, int day, int hour, int minute, int second) {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&local));
}

TEST(SavedDataFileTest, SaysTheLayoutModeAndEachPieceWithItsPlaceAndBytes) {
    EXPECT_EQ(SavedDataFile::Format(Sample()),
              "Corvida radio data 2\n"
              "layout 3\n"
              "mode 1\n"
              "variant-code 01\n"
              "identity E58EC154199D11D180180060B03C8AFF\n"
              "serial SN00001234\n"
              "restored yes\n"
              "piece 0x8000 0 0 0 00081A2B\n"
              "piece 0x008B 0 0 64 FF007E\n"
              "end\n");
    const RadioSavedData read = SavedDataFile::Parse(SavedDataFile::Format(Sample()));
    EXPECT_EQ(read.Layout(), 3);
    EXPECT_EQ(read.Mode(), 1);
    EXPECT_EQ(read.VariantCode(), "01");
    EXPECT_EQ(read.Radio(), Sample().Radio());
    EXPECT_EQ(read.Pieces(), Sample().Pieces());
    EXPECT_FALSE(read.AtRisk());
}

// A serial text is the radio's bytes: whatever they are, it stays one word and reads back the same.
TEST(SavedDataFileTest, KeepsAnOddSerialTextAsOneWordAndReadsItBack) {
    RadioSavedData data = Sample();
    data.SetRadio({std::nullopt, std::string("A\\B\n\x01\xFF", 6)});
    data.MarkAtRisk();
    const std::string text = SavedDataFile::Format(data);
    EXPECT_NE(text.find("serial A\\x5CB\\x0A\\x01\\xFF\nrestored no\n"), std::string::npos) << text;
    const RadioSavedData read = SavedDataFile::Parse(text);
    EXPECT_EQ(read.Radio(), data.Radio());
    EXPECT_TRUE(read.AtRisk());
}

TEST(SavedDataFileTest, ReadsTheFirstFormatWhoseIdentityIsTheSerialText) {
    const RadioSavedData read = SavedDataFile::Parse(
        "Corvida radio data 1\nlayout 1\nmode 3\nidentity SN00001234\npiece 0x8000 0 0 0 0A0B\nend\n");
    EXPECT_EQ(read.Radio(), (RadioIdentity{std::nullopt, "SN00001234"}));
    EXPECT_FALSE(read.AtRisk()) << "the first format kept no restore: its data count as settled";
    EXPECT_EQ(RaisedBy([] {
                  SavedDataFile::Parse("Corvida radio data 1\nmode 3\nrestored no\npiece 0x8000 0 0 0 0A\nend\n");
              }),
              GenError(3, "The backup file is not one of radio data (line 3)"));
}

TEST(SavedDataFileTest, MarkRestoredRewritesOnlyTheRestoredLine) {
    TempDir folder;
    RadioSavedData data = Sample();
    data.MarkAtRisk();
    const std::filesystem::path file = SavedDataFile::Write(folder.Path(), data, At(2026, 12, 10, 14, 35, 1));
    EXPECT_TRUE(SavedDataFile::Read(file).AtRisk());
    SavedDataFile::MarkRestored(file);
    const RadioSavedData read = SavedDataFile::Read(file);
    EXPECT_FALSE(read.AtRisk());
    EXPECT_EQ(read.Pieces(), Sample().Pieces());
    EXPECT_EQ(read.Radio(), Sample().Radio());
    EXPECT_EQ(read.BackupFile(), file);
}

TEST(SavedDataFileTest, RefusesTextThatIsNotWholeRadioData) {
    struct Case {
        const char* text;
        RaisedError error;
    };
    const Case cases[] = {
        {"", GenError(3, "The backup file is not one of radio data (line 1)")},
        {"Corvida radio data 3\nend\n", GenError(3, "The backup file is not one of radio data (line 1)")},
        {"Corvida radio data 1\nlayout 1\nmode 4\n", GenError(3, "The backup file is not one of radio data (line 3)")},
        {"Corvida radio data 1\nmode 1\npiece 0x8000 0 0 0 0A0\nend\n",
         GenError(3, "The backup file is not one of radio data (line 3)")},
        {"Corvida radio data 1\nmode 1\npiece 0x18000 0 0 0 0A\nend\n",
         GenError(3, "The backup file is not one of radio data (line 3)")},
        {"Corvida radio data 1\nmode 1\npiece 0x8000 0 0 0 0A extra\nend\n",
         GenError(3, "The backup file is not one of radio data (line 3)")},
        {"Corvida radio data 1\nmode 1\npiece 0x8000 0 0 0 0A\n",
         GenError(3, "The backup file of radio data is incomplete")},
        {"Corvida radio data 1\nmode 1\nend\n", GenError(3, "The backup file of radio data is incomplete")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(RaisedBy([&] { SavedDataFile::Parse(c.text); }), c.error);
    }
}

// Each codeplug mode's saved data reads back as written; a mode no codeplug step has is refused at
// its line.
TEST(SavedDataFileTest, AcceptsTheThreeCodeplugModesAndRefusesAnyOther) {
    for (const int mode : {1, 2, 3}) {
        SCOPED_TRACE(mode);
        RadioSavedData data;
        data.Begin(3, mode, "01");
        data.Add({0x8000, 0, 0, 0, {0x5A}});
        RadioSavedData read;
        EXPECT_EQ(RaisedBy([&] { read = SavedDataFile::Parse(SavedDataFile::Format(data)); }),
                  kNothingRaised);
        EXPECT_EQ(read.Mode(), mode);
    }
    const std::string valid = SavedDataFile::Format(Sample());
    const std::size_t modeLine = valid.find("mode 1\n");
    ASSERT_NE(modeLine, std::string::npos);
    const auto lineNumber =
        std::count(valid.begin(), valid.begin() + static_cast<std::ptrdiff_t>(modeLine), '\n') + 1;
    for (const char* mode : {"0", "4", "-1", "3x", ""}) {
        SCOPED_TRACE(mode);
        std::string text = valid;
        text.replace(modeLine, 6, std::string("mode ") + mode);
        EXPECT_EQ(RaisedBy([&] { SavedDataFile::Parse(text); }),
                  GenError(3, "The backup file is not one of radio data (line " + std::to_string(lineNumber) +
                                  ")"));
    }
}

TEST(SavedDataFileTest, IsNamedByDateTimeAndIdentityAndNeverOverwritesAnother) {
    TempDir folder;
    const auto when = At(2026, 12, 10, 14, 35, 1);
    const std::filesystem::path first = SavedDataFile::Write(folder.Path() / "backup", Sample(), when);
    const std::filesystem::path second = SavedDataFile::Write(folder.Path() / "backup", Sample(), when);
    EXPECT_EQ(first.filename(), "20261210-143501-SN00001234.radiodata");
    EXPECT_EQ(second.filename(), "20261210-143501-SN00001234-2.radiodata");
    EXPECT_EQ(SavedDataFile::Read(second).Pieces(), Sample().Pieces());
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.Path() / "backup"))
        ++files;
    EXPECT_EQ(files, 2) << "no temporary file stays behind";

    RadioSavedData unknown = Sample();
    unknown.SetRadio({std::nullopt, "../../etc/x"});
    EXPECT_EQ(SavedDataFile::FileName(unknown, when), "20261210-143501-etcx.radiodata");
    unknown.SetRadio({});
    EXPECT_EQ(SavedDataFile::FileName(unknown, when), "20261210-143501-radio.radiodata");
}

// Lanes of one bench save radios' data into one backup folder, at the same second: two radios with one
// serial text, or attempts of one radio, still get a file each, whole.
TEST(SavedDataFileTest, ParallelProcessesSavingInTheSameSecondEachKeepAFile) {
    constexpr int kProcesses = 8;
    TempDir folder;
    const auto when = At(2026, 12, 10, 14, 35, 1);
    int start[2];
    ASSERT_EQ(::pipe(start), 0);
    std::vector<pid_t> children;
    for (int n = 0; n < kProcesses; ++n) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(start[1]);
            char go;
            [[maybe_unused]] const ssize_t ignored = ::read(start[0], &go, 1);  // all begin together
            try {
                SavedDataFile::Write(folder.Path() / "backup", Sample(), when);
            } catch (...) {
                ::_exit(1);
            }
            ::_exit(0);
        }
        children.push_back(child);
    }
    ::close(start[0]);
    ::close(start[1]);
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path() / "backup")) {
        names.push_back(entry.path().filename().string());
        EXPECT_EQ(SavedDataFile::Read(entry.path()).Pieces(), Sample().Pieces()) << names.back();
    }
    std::sort(names.begin(), names.end());
    ASSERT_EQ(names.size(), static_cast<std::size_t>(kProcesses));
    EXPECT_EQ(names.front(), "20261210-143501-SN00001234-2.radiodata");
    EXPECT_EQ(names.back(), "20261210-143501-SN00001234.radiodata");
}

TEST(SavedDataFileTest, AFolderThatCannotBeWrittenIsRefused) {
    TempDir folder;
    folder.WriteFile("plain", "a file, not a folder");
    EXPECT_EQ(RaisedBy([&] { SavedDataFile::Write(folder.Path() / "plain", Sample(), At(2026, 1, 2, 3, 4, 5)); })
                  .text.rfind("Unable to write the backup file ", 0),
              0u);
}

}  // namespace
