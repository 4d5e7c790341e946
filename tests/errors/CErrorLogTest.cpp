#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "RecordingMessageBox.h"
#include "ScopedPlatform.h"
#include "TempDir.h"
#include "VirtualPlatform.h"
#include "errors/CErrorLog.h"
#include "errors/CwFileLog.h"

namespace {

using ::testing::ElementsAre;

// A fresh log on a platform whose file sink writes into a temporary folder.
class CErrorLogTest : public ::testing::Test {
protected:
    CErrorLogTest() { CwFileLog::SetDirectory(folder_.Path()); }
    ~CErrorLogTest() override { CwFileLog::SetDirectory({}); }

    std::string LogFile() const { return folder_.ReadFile(CwFileLog::kDefaultFileName); }
    bool LogFileExists() const {
        return std::filesystem::exists(folder_.Path() / CwFileLog::kDefaultFileName);
    }

    // The texts of the file's lines, each checked for its time stamp and CR LF.
    std::vector<std::string> LogFileTexts() const {
        static const std::regex line(R"((\d\d)/(\d\d)/(\d\d) (\d\d):(\d\d):(\d\d)  ([^\r\n]*)\r\n)");
        std::vector<std::string> texts;
        const std::string content = LogFile();
        std::size_t consumed = 0;
        for (auto it = std::sregex_iterator(content.begin(), content.end(), line);
             it != std::sregex_iterator(); ++it) {
            EXPECT_EQ(static_cast<std::size_t>(it->position()), consumed) << "malformed line in " << content;
            consumed += static_cast<std::size_t>(it->length());
            texts.push_back((*it)[7]);
        }
        EXPECT_EQ(consumed, content.size()) << "malformed tail in " << content;
        return texts;
    }

    TempDir folder_;
    VirtualPlatform* platform_ = new VirtualPlatform(std::make_shared<VirtualClock>());
    ScopedPlatform scope_{std::unique_ptr<CPlatform>(platform_)};
    CErrorLog log_;
};

TEST_F(CErrorLogTest, FirstCallWithTheFileSwitchOnTruncatesTheFileAndStartsIt) {
    folder_.WriteFile(CwFileLog::kDefaultFileName, "old content of an earlier run\r\n");
    log_.SetFileLogging(true);
    log_.Log("first");
    EXPECT_THAT(LogFileTexts(), ElementsAre("Start Logging", "first"));
}

// The log is off on the bench: an earlier run's file (or whatever its name leads to) stays as it is.
TEST_F(CErrorLogTest, WithTheFileSwitchOffNoFileIsOpenedClearedOrWritten) {
    log_.SetAuxLogging(true);
    log_.ClearAuxLog();  // as every engine run does first
    log_.Log("a line");
    log_.LogHex(std::vector<std::uint8_t>{0xF2, 0x23});
    EXPECT_FALSE(LogFileExists());

    folder_.WriteFile(CwFileLog::kDefaultFileName, "old content of an earlier run\r\n");
    log_.CloseSinks();
    log_.ClearAuxLog();
    log_.Log("another line");
    EXPECT_EQ(LogFile(), "old content of an earlier run\r\n");
    EXPECT_THAT(platform_->AuxLines(), ElementsAre("another line")) << "the auxiliary sink works on";
}

TEST_F(CErrorLogTest, FileSwitchDecidesWhetherLinesReachTheFile) {
    log_.Log("before: %d", 1);
    log_.SetFileLogging(true);
    log_.Log("CKwipComm::SendCommand: Request failed! Retry number = %d", 2);
    log_.Log("second");
    log_.SetFileLogging(false);
    log_.Log("after");
    EXPECT_THAT(
        LogFileTexts(),
        ElementsAre("Start Logging", "CKwipComm::SendCommand: Request failed! Retry number = 2", "second"));
}

TEST_F(CErrorLogTest, LogHexWritesTwoUpperCaseDigitsPerByte) {
    log_.SetFileLogging(true);
    const std::uint8_t frame[] = {0xF2, 0x23, 0x05, 0xE5};
    log_.LogHex(frame);
    log_.LogHex({});
    EXPECT_THAT(LogFileTexts(), ElementsAre("Start Logging", "F22305E5", ""));
}

TEST_F(CErrorLogTest, LogHexContinuesALongDumpOnFurtherLines) {
    log_.SetFileLogging(true);
    const std::vector<std::uint8_t> dump(600, 0xAB);
    log_.LogHex(dump);
    std::string first;
    for (int i = 0; i < 511; ++i)
        first += "AB";
    std::string rest;
    for (int i = 0; i < 89; ++i)
        rest += "AB";
    EXPECT_THAT(LogFileTexts(), ElementsAre("Start Logging", first, rest));
}

TEST_F(CErrorLogTest, NullFormatDoesNotCreateTheSinks) {
    const char* const noFormat = nullptr;
    log_.SetFileLogging(true);
    log_.Log(noFormat);
    EXPECT_FALSE(LogFileExists());
}

TEST_F(CErrorLogTest, RepeatedClearAuxLogCreatesTheSinksOnceAndTruncatesNothing) {
    log_.SetFileLogging(true);
    log_.SetAuxLogging(true);
    log_.ClearAuxLog();
    log_.Log("kept");
    log_.ClearAuxLog();
    log_.ClearAuxLog();
    EXPECT_THAT(LogFileTexts(), ElementsAre("Start Logging", "kept"));
    EXPECT_TRUE(platform_->AuxLines().empty());
    log_.Log("after the clear");
    EXPECT_THAT(platform_->AuxLines(), ElementsAre("after the clear"));
}

TEST_F(CErrorLogTest, ALongLineIsCutAt511Characters) {
    log_.SetFileLogging(true);
    const std::string longText(800, 'z');
    log_.Log("%s", longText.c_str());
    EXPECT_THAT(LogFileTexts(), ElementsAre("Start Logging", std::string(511, 'z')));
}

TEST_F(CErrorLogTest, AnUnwritableFileIsReportedOnceAndLinesAreDropped) {
    RecordingMessageBox boxes;
    CwFileLog::SetDirectory(folder_.Path() / "no such folder");
    log_.SetFileLogging(true);
    log_.Log("first");
    log_.Log("second");
    log_.LogHex(std::vector<std::uint8_t>{1, 2});
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, "Unable to open Log file for writing\nUnable to open the folder " +
                                         (folder_.Path() / "no such folder").string() +
                                         ": No such file or directory");
    EXPECT_EQ(boxes.Boxes()[0].icon, MessageIcon::None);
    EXPECT_EQ(boxes.Boxes()[0].buttons, MessageButtons::Ok);
}

// A message box whose event loop logs while it is shown, as a desktop toolkit's may. It gives up
// nesting after kMostShows, so that a log that recurses fails the test instead of the stack.
class LoggingMessageBox : public RecordingMessageBox {
public:
    static constexpr std::size_t kMostShows = 5;

    explicit LoggingMessageBox(CErrorLog& log) : log_(log) {}

    MessageResult Show(const std::string& text, const std::string& caption, MessageIcon icon,
                       MessageButtons buttons) override {
        const MessageResult result = RecordingMessageBox::Show(text, caption, icon, buttons);
        if (Boxes().size() < kMostShows)
            log_.Log("painting the box");
        return result;
    }

private:
    CErrorLog& log_;
};

TEST_F(CErrorLogTest, TheUnwritableFilesBoxMayLogWithoutMakingAnotherBox) {
    LoggingMessageBox boxes(log_);
    CwFileLog::SetDirectory(folder_.Path() / "no such folder");
    log_.SetFileLogging(true);
    log_.Log("first");
    log_.Log("second");
    EXPECT_EQ(boxes.Boxes().size(), 1u);
}

TEST_F(CErrorLogTest, ClosedSinksAreMadeAnewOnTheNextCall) {
    log_.SetFileLogging(true);
    log_.Log("first run");
    log_.CloseSinks();
    log_.Log("second run");
    EXPECT_THAT(LogFileTexts(), ElementsAre("Start Logging", "second run"));
}

TEST_F(CErrorLogTest, SinksGivenByTheProgramTakeThePlatformsPlaceUntilClosed) {
    auto lines = std::make_shared<MemoryLog::Lines>();
    auto own = std::make_unique<MemoryLog>(lines);
    own->Start();
    log_.SetFileLogging(true);
    log_.SetAuxLogging(true);
    log_.UseSinks(nullptr, std::move(own));
    log_.Log("only to the own sink");
    log_.ClearAuxLog();
    log_.Log("after its clear");
    EXPECT_THAT(*lines, ElementsAre("after its clear"));
    EXPECT_FALSE(LogFileExists()) << "no file sink was given, and the platform was not asked";
    EXPECT_TRUE(platform_->AuxLines().empty());

    log_.CloseSinks();
    log_.Log("the platform's again");
    EXPECT_THAT(LogFileTexts(), ElementsAre("Start Logging", "the platform's again"));
    EXPECT_THAT(*lines, ElementsAre("after its clear"));
}

}  // namespace
