#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <sstream>
#include <string>
#include <vector>

#include "TempDir.h"
#include "VirtualTimeTest.h"
#include "workflow/UpgradeRecord.h"

namespace {

class UpgradeRecordTest : public VirtualTimeTest {
protected:
    static UpgradeRecord Record() {
        UpgradeRecord record;
        record.started = std::chrono::system_clock::now();
        record.port = "COM3";
        record.identity = "E58EC154199D11D180180060B03C8AFF";
        record.serialText = "4000123";
        record.modelCode = "02";
        record.releaseBefore = "R05.00";
        record.operations = UpgradeRecord::Operations(true, 0, true);
        record.attempts = 2;
        record.finalStatus = 5;
        record.finalText = "Radio Update is successful";
        record.durationSeconds = 61.25;
        record.backupFile = "backup/4000123, first.bin";
        return record;
    }
    TempDir kit_;
};

TEST_F(UpgradeRecordTest, WritesTheHeaderOnceAndOneRowPerPress) {
    ASSERT_TRUE(Record().AppendTo(kit_.Path()));
    ASSERT_TRUE(Record().AppendTo(kit_.Path()));

    const std::string csv = kit_.ReadFile("upgrades.csv");
    EXPECT_EQ(csv.find("date and time,port,radio identity,serial text,model code,release before,operations,"
                       "attempts,final status,final status text,duration (s),backup file\r\n"),
              0u);
    const std::string row =
        ",COM3,E58EC154199D11D180180060B03C8AFF,4000123,02,R05.00,firmware+patch,2,5,"
        "Radio Update is successful,61.2,\"backup/4000123, first.bin\"\r\n";
    const std::size_t first = csv.find(row);
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(csv.find(row, first + row.size()), std::string::npos);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 3);
}

// What a radio sends lands in a cell that a spreadsheet opens as text, and every row stays one line.
TEST_F(UpgradeRecordTest, RadioTextCannotStartAFormulaOrBreakTheRow) {
    struct Case {
        std::string serial;
        std::string cell;
    };
    const Case cases[] = {
        {"=2+5", "'=2+5"},
        {"+SUM(A1)", "'+SUM(A1)"},
        {"-2+3", "'-2+3"},
        {"@cmd", "'@cmd"},
        {"\t=1", "'\\x09=1"},
        {"\r=1", "'\\x0D=1"},
        {"40\x1B[2J01", "40\\x1B[2J01"},
        {"A\r\nB", "A\\x0D\\x0AB"},
        {"\xFF\xFE", "\\xFF\\xFE"},
        {"caf\xC3\xA9", "caf\xC3\xA9"},
        {"=1,\"x\"", "\"'=1,\"\"x\"\"\""},
        {"4000123", "4000123"},
    };
    for (const Case& c : cases) {
        TempDir kit;
        UpgradeRecord record = Record();
        record.serialText = c.serial;
        record.finalStatus = -1;
        ASSERT_TRUE(record.AppendTo(kit.Path()));
        const std::string csv = kit.ReadFile("upgrades.csv");
        EXPECT_NE(csv.find(",E58EC154199D11D180180060B03C8AFF," + c.cell + ",02,R05.00,firmware+patch,2,-1,"),
                  std::string::npos)
            << csv;
        EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 2) << csv;
        EXPECT_EQ(std::count(csv.begin(), csv.end(), '\r'), 2) << csv;
    }
}

TEST_F(UpgradeRecordTest, AFolderThatCannotBeWrittenIsLoggedNotRaised) {
    EXPECT_FALSE(Record().AppendTo(kit_.Path() / "missing"));
    EXPECT_TRUE(LogHas("UpgradeRecord::AppendTo: Unable to write " +
                       (kit_.Path() / "missing" / "upgrades.csv").string()));
}

// Writes past `bytes` in any file fail (EFBIG) while it lives, as on a full disk; the signal that would
// end the program for them is ignored meanwhile.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) : previousSignal_(std::signal(SIGXFSZ, SIG_IGN)) {
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        const rlimit limit{bytes, previous_.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousSignal_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit previous_{};
    void (*previousSignal_)(int);
};

TEST_F(UpgradeRecordTest, APressOnAFullDiskLeavesNoFileWhoseLaterRowsLackTheHeader) {
    for (const rlim_t room : {rlim_t{0}, rlim_t{40}}) {  // nothing fits, or part of the header
        SCOPED_TRACE(room);
        const TempDir kit;
        {
            const FileSizeLimit full(room);
            EXPECT_FALSE(Record().AppendTo(kit.Path()));
        }
        ASSERT_TRUE(Record().AppendTo(kit.Path()));
        const std::string csv = kit.ReadFile("upgrades.csv");
        EXPECT_EQ(csv.rfind("date and time,port,radio identity,", 0), 0u) << csv;
        EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 2) << csv;
    }
}

// Several radios upgraded at once by parallel corvida-cli processes share the kit's record.
TEST_F(UpgradeRecordTest, ParallelProcessesWriteOneHeaderAndWholeRows) {
    constexpr int kProcesses = 8;  // a bench of eight lanes
    constexpr int kRowsEach = 25;
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
            bool written = true;
            for (int row = 0; row < kRowsEach; ++row)
                written = Record().AppendTo(kit_.Path()) && written;
            ::_exit(written ? 0 : 1);
        }
        children.push_back(child);
    }
    ::close(start[0]);
    ::close(start[1]);  // the children's read returns: they start
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    std::istringstream csv(kit_.ReadFile("upgrades.csv"));
    std::string line;
    ASSERT_TRUE(std::getline(csv, line));
    EXPECT_EQ(line.rfind("date and time,", 0), 0u);
    const std::string afterTheDate =
        ",COM3,E58EC154199D11D180180060B03C8AFF,4000123,02,R05.00,firmware+patch,2,5,"
        "Radio Update is successful,61.2,\"backup/4000123, first.bin\"\r";
    int rows = 0;
    while (std::getline(csv, line)) {
        ++rows;
        EXPECT_EQ(line.size() > 19 ? line.substr(19) : line, afterTheDate);
    }
    EXPECT_EQ(rows, kProcesses * kRowsEach);
}

TEST(UpgradeRecordOperationsTest, NamesTheSelectedOperations) {
    EXPECT_EQ(UpgradeRecord::Operations(false, 0, false), "none");
    EXPECT_EQ(UpgradeRecord::Operations(true, 3, true), "firmware+codeplug 3+patch");
    EXPECT_EQ(UpgradeRecord::Operations(false, 2, false), "codeplug 2");
}

}  // namespace
