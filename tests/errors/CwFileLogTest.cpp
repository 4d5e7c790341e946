#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <iomanip>
#include <sstream>
#include <string>

#include "FileSyncs.h"
#include "TempDir.h"
#include "errors/CwFileLog.h"
#include "errors/StringTable.h"

namespace {

class CwFileLogTest : public ::testing::Test {
protected:
    CwFileLogTest() { CwFileLog::SetDirectory(folder_.Path()); }
    ~CwFileLogTest() override { CwFileLog::SetDirectory({}); }

    std::string Content() const { return folder_.ReadFile("test.log"); }

    TempDir folder_;
};

TEST_F(CwFileLogTest, WritesNothingUntilStarted) {
    CwFileLog sink("test.log");
    EXPECT_EQ(sink.Path(), folder_.Path() / "test.log");
    sink.WriteLine("not yet");
    EXPECT_EQ(Content(), "");
    sink.Start();
    EXPECT_TRUE(sink.IsEnabled());
    EXPECT_NE(Content().find("Start Logging\r\n"), std::string::npos);
}

TEST_F(CwFileLogTest, ClearEmptiesTheFileAndLaterLinesStartAtItsBeginning) {
    CwFileLog sink("test.log");
    sink.Start();
    sink.WriteLine("a line that goes");
    EXPECT_TRUE(sink.Clear());
    sink.WriteLine("fresh");
    const std::string content = Content();
    EXPECT_EQ(content.substr(19), "fresh\r\n");
    EXPECT_EQ(content.find('\0'), std::string::npos);
}

TEST_F(CwFileLogTest, WriteResourceWritesTheNumberedText) {
    CwFileLog sink("test.log");
    sink.Start();
    sink.WriteResource(StringTable::kUpdateSuccessfulId);
    sink.WriteResource(1);  // no such entry
    const std::string content = Content();
    EXPECT_NE(content.find("  Radio Update is successful\r\n"), std::string::npos);
    EXPECT_EQ(std::count(content.begin(), content.end(), '\n'), 2);
}

TEST_F(CwFileLogTest, StampsEachLineWithTheLocalDateAndTime) {
    CwFileLog sink("test.log");
    const std::time_t before = std::time(nullptr);
    sink.Start();
    const std::time_t after = std::time(nullptr);
    const std::string content = Content();
    ASSERT_EQ(content.substr(17), "  Start Logging\r\n");
    std::tm stamp{};
    std::istringstream(content.substr(0, 17)) >> std::get_time(&stamp, "%m/%d/%y %H:%M:%S");
    stamp.tm_isdst = -1;
    const std::time_t written = std::mktime(&stamp);
    EXPECT_GE(written, before) << content;
    EXPECT_LE(written, after) << content;
}

TEST_F(CwFileLogTest, EachLineIsOnTheDiskBeforeTheCallReturns) {
    CwFileLog sink("test.log");
    sink.Start();
    const int before = FileSyncs::Count();
    sink.WriteLine("written just before the power went");
    sink.WriteResource(StringTable::kUpdateSuccessfulId);
    EXPECT_EQ(FileSyncs::Count() - before, 2);
    EXPECT_EQ(FileSyncs::LastPath(), std::filesystem::canonical(sink.Path()).string());
}

TEST(CwFileLogClearTest, ClearEmptiesItsOwnFileWhicheverFolderIsCurrentNow) {
    // The upgrade form moves into the kit's folder while it reads kit files.
    TempDir startFolder;
    TempDir kitFolder;
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(startFolder.Path());
    {
        CwFileLog sink("test.log");
        sink.Start();
        kitFolder.WriteFile("test.log", "another file of that name\r\n");
        std::filesystem::current_path(kitFolder.Path());
        EXPECT_TRUE(sink.Clear());
    }
    std::filesystem::current_path(previous);
    EXPECT_EQ(startFolder.ReadFile("test.log"), "");
    EXPECT_EQ(kitFolder.ReadFile("test.log"), "another file of that name\r\n");
}

}  // namespace
