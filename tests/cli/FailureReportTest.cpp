#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "TempDir.h"
#include "VirtualTimeTest.h"
#include "cli/FailureReport.h"
#include "errors/CErrorLog.h"

namespace {

using Lines = std::vector<std::string>;

TEST(FailureReportTest, CausesKeepTheLogsOrderWithRepeatsCountedAndTheMessageLeftOut) {
    struct Case {
        const char* what;
        Lines lines;
        Lines causes;
    };
    const Case cases[] = {
        {"nothing logged", {}, {}},
        {"the message alone", {"Unable to open communication port"}, {}},
        {"a chain, deepest first",
         {"TermiosDevice::Open: cannot open /dev/ttyUSB0: Permission denied",
          "CWinSerial::Open: Unable to open com33", "Unable to open communication port"},
         {"TermiosDevice::Open: cannot open /dev/ttyUSB0: Permission denied",
          "CWinSerial::Open: Unable to open com33"}},
        {"repeats counted at their first place",
         {"no ack", "retry 1", "no ack", "retry 2", "no ack"},
         {"no ack (3 times)", "retry 1", "retry 2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(FailureReport::Causes(c.lines, "Unable to open communication port"), c.causes);
    }
}

TEST(FailureReportTest, ALongTrailKeepsTheLinesNearestTheFailure) {
    Lines lines;
    for (std::size_t line = 0; line < FailureReport::kMaxCauses + 5; ++line)
        lines.push_back("line " + std::to_string(line));
    const Lines causes = FailureReport::Causes(lines, "failed");
    ASSERT_EQ(causes.size(), FailureReport::kMaxCauses + 1);
    EXPECT_EQ(causes.front(), "... 5 earlier lines; --log DIR keeps them all");
    EXPECT_EQ(causes[1], "line 5");
    EXPECT_EQ(causes.back(), "line " + std::to_string(FailureReport::kMaxCauses + 4));
}

class FailureReportRunTest : public VirtualTimeTest {
protected:
    TempDir machine_;  // no devices, no ports
    ComPortMap ports_{machine_.Path(), machine_.Path()};
    RadioLink link_{ports_};
    std::ostringstream out_;
};

TEST_F(FailureReportRunTest, EachReportShowsTheLinesLoggedSinceThePreviousOneAndAFailureOnlyOnce) {
    RunLog log({});
    FailureReport report(log, link_, out_);
    ErrorLog().Log("cause");
    ErrorLog().Log("failed");
    report.Print("failed");
    report.Print("failed");  // the box, then the error it showed
    ErrorLog().Log("another cause");
    report.Print("failed");
    EXPECT_EQ(out_.str(), "  cause\n  another cause\n");
}

}  // namespace
