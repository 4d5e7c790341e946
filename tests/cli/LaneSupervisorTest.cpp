#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "cli/LaneConsole.h"
#include "cli/LaneSupervisor.h"
#include "cli/LaneTable.h"
#include "cli/OperatorInput.h"

namespace {

using Result = LaneState::Result;

// Lanes played by the shell: each prints the events it is given and does what its script says.
const char* const kSucceeds =
    R"(printf '%s\n' '{"event":"radio","serial":"4000203","release":"R05.03","model":"02","identity":"E5"}' \
       '{"event":"progress","text":"Please Wait","done":19,"total":38}' \
       '{"event":"outcome","result":"success","text":"Radio Update is successful","exit":0}')";
const char* const kKilledMidFlash =
    R"(printf '%s\n' '{"event":"phase","text":"Programming flash ROM..."}'; kill -9 $$)";
const char* const kHostile =
    R"(printf '%s\n' '{"event":"box","icon":"error","caption":"\u001b]0;owned\u0007","text":"\u001b[2Jwiped"}' \
       'not json' '{"event":"outcome","result":"failed","text":"\u001b[31mred","exit":1}'
       printf '\033[2Jerror output\n' >&2; exit 1)";
const char* const kAsks =
    R"(printf '%s\n' '{"event":"question","id":4,"icon":"warning","caption":"Warning","text":"Go on?","choices":["ok","cancel"]}'
       read -r answer
       case $answer in
           '{"answer":"ok","id":4}') result=success ;;
           *) result=cancelled ;;
       esac
       printf '{"event":"outcome","result":"%s","text":"%s","exit":0}\n' $result $result)";
const char* const kNoOutcome = "exit 0";
const char* const kSaysSuccessButFails =
    R"(printf '%s\n' '{"event":"outcome","result":"success","text":"fine","exit":0}'; exit 3)";

class LaneSupervisorTest : public ::testing::Test {
protected:
    const std::vector<LaneState>& Run(const std::vector<std::pair<std::string, std::string>>& lanes,
                                      const std::string& answers = "", bool terminal = false,
                                      bool lanesAnswer = false) {
        std::vector<LaneSupervisor::Lane> specs;
        for (const auto& [line, script] : lanes)
            specs.push_back({line, {"-c", script}});
        in_.str(answers);
        console_.emplace(shown_, terminal);
        input_.emplace(in_);
        supervisor_.emplace("/bin/sh", specs, *console_, *input_, lanesAnswer);
        return supervisor_->Run();
    }

    std::string Shown() const { return shown_.str(); }

    std::istringstream in_;
    std::ostringstream shown_;
    std::optional<LaneConsole> console_;
    std::optional<OperatorInput> input_;
    std::optional<LaneSupervisor> supervisor_;
};

TEST_F(LaneSupervisorTest, ALaneThatCrashesOrSaysNothingFailsAloneAndTheOthersFinish) {
    const std::vector<LaneState>& lanes = Run({{"/dev/ttyUSB0", kSucceeds},
                                               {"/dev/ttyUSB1", kKilledMidFlash},
                                               {"/dev/ttyUSB2", kSucceeds},
                                               {"/dev/ttyUSB3", kNoOutcome},
                                               {"/dev/ttyUSB4", kSaysSuccessButFails}});
    ASSERT_EQ(lanes.size(), 5u);
    EXPECT_EQ(lanes[0].result, Result::Succeeded);
    EXPECT_EQ(lanes[0].serial, "4000203");
    EXPECT_EQ(lanes[0].release, "R05.03");
    EXPECT_EQ(lanes[0].text, "Radio Update is successful");
    EXPECT_EQ(lanes[1].result, Result::Failed);
    EXPECT_EQ(lanes[1].text, "the lane crashed (signal 9)");
    EXPECT_EQ(lanes[1].phase, "Programming flash ROM...");
    EXPECT_EQ(lanes[2].result, Result::Succeeded);
    EXPECT_EQ(lanes[3].result, Result::Failed);
    EXPECT_EQ(lanes[3].text, "the lane ended with exit status 0 and no outcome");
    EXPECT_EQ(lanes[4].result, Result::Failed);
    EXPECT_EQ(lanes[4].text, "the lane said success but ended with exit status 3");

    const std::string shown = Shown();
    EXPECT_NE(shown.find("[/dev/ttyUSB0] radio serial 4000203, release R05.03, model 02\n"),
              std::string::npos);
    EXPECT_NE(shown.find("[/dev/ttyUSB0] Please Wait: 50%\n"), std::string::npos);
    EXPECT_NE(shown.find("[/dev/ttyUSB1] Programming flash ROM...\n"), std::string::npos);
    EXPECT_NE(shown.find("[/dev/ttyUSB1] FAILED: the lane crashed (signal 9)\n"), std::string::npos);
}

// Nothing a lane sends reaches the terminal raw: not its events, not its error output, not on the
// live table.
TEST_F(LaneSupervisorTest, WhatALaneSendsIsEscapedOnTheWayOut) {
    for (const bool terminal : {false, true}) {
        SCOPED_TRACE(terminal ? "on a terminal" : "as lines");
        shown_.str("");
        const std::vector<LaneState>& lanes = Run({{"A\x1B[2J", kHostile}}, "", terminal);
        EXPECT_EQ(lanes[0].result, Result::Failed);
        EXPECT_EQ(lanes[0].text, "\\x1B[31mred");
        ASSERT_FALSE(lanes[0].errorTail.empty());
        EXPECT_EQ(lanes[0].errorTail.front(), "not of the lane protocol: not json");
        EXPECT_EQ(lanes[0].errorTail.back(), "\\x1B[2Jerror output");

        // The console's own cursor movements are the only escapes on the screen.
        const std::string shown =
            std::regex_replace(Shown(), std::regex("\r?\x1B\\[([0-9]+A|J|K)"), std::string());
        EXPECT_EQ(shown.find_first_of("\x1B\x07"), std::string::npos) << shown;
        EXPECT_NE(shown.find("[A\\x1B[2J] \\x1B]0;owned\\x07: \\x1B[2Jwiped\n"), std::string::npos) << shown;
    }
}

TEST_F(LaneSupervisorTest, TheOperatorAnswersAQuestionThatNamesItsLane) {
    struct Case {
        std::string answers;
        Result result;
    };
    for (const Case& c : {Case{"maybe\nok\n", Result::Succeeded}, Case{"c\n", Result::Cancelled},
                          Case{"", Result::Cancelled}}) {
        SCOPED_TRACE(c.answers);
        shown_.str("");
        const std::vector<LaneState>& lanes = Run({{"COM3", kAsks}, {"COM4", kSucceeds}}, c.answers);
        EXPECT_EQ(lanes[0].result, c.result);
        EXPECT_EQ(lanes[1].result, Result::Succeeded);
        const std::string shown = Shown();
        EXPECT_NE(shown.find("[COM3] Warning: Go on?\n"), std::string::npos) << shown;
        EXPECT_NE(shown.find("[COM3] [ok/cancel] "), std::string::npos) << shown;
    }
}

TEST_F(LaneSupervisorTest, QuestionsTheLanesAnsweredThemselvesAreShownWithTheirAnswer) {
    const char* const answered =
        R"(printf '%s\n' '{"event":"question","id":1,"icon":"none","caption":"NOTE","text":"Put it in bootstrap mode","choices":["ok","cancel"],"answered":"ok"}' \
           '{"event":"outcome","result":"success","text":"done","exit":0}')";
    const std::vector<LaneState>& lanes = Run({{"B", answered}}, "", false, true);
    EXPECT_EQ(lanes[0].result, Result::Succeeded);
    EXPECT_NE(Shown().find("[B] NOTE: Put it in bootstrap mode\n[B] [ok/cancel] ok (--yes)\n"),
              std::string::npos)
        << Shown();
}

TEST_F(LaneSupervisorTest, ALaneThatCannotStartFailsWithTheReason) {
    console_.emplace(shown_, false);
    input_.emplace(in_);
    supervisor_.emplace("/nonexistent/corvida-cli", std::vector<LaneSupervisor::Lane>{{"COM3", {}}},
                        *console_, *input_, true);
    const std::vector<LaneState>& lanes = supervisor_->Run();
    EXPECT_EQ(lanes[0].result, Result::Failed);
    EXPECT_EQ(lanes[0].text.rfind("the lane could not be started: ", 0), 0u) << lanes[0].text;
}

TEST(LaneTableTest, CellsAreCutOnCharactersAndTheTableHasARowALane) {
    EXPECT_EQ(LaneTable::Cell("abc", 5), "abc  ");
    EXPECT_EQ(LaneTable::Cell("abcdef", 4), "abcd");
    EXPECT_EQ(LaneTable::Cell("ééé", 2), "éé");
    EXPECT_EQ(LaneTable::Elapsed(75.9), "1:15");
    EXPECT_EQ(LaneTable::Elapsed(3725), "1:02:05");

    LaneState lane;
    lane.line = "/dev/ttyUSB0";
    lane.serial = "4000203";
    lane.phase = "Programming flash ROM...";
    lane.done = 19;
    lane.total = 38;
    lane.started = LaneState::Clock::now();
    const std::vector<std::string> rows =
        LaneTable::Live({lane, lane}, lane.started + std::chrono::seconds(61));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].rfind("device ", 0), 0u);
    EXPECT_NE(rows[1].find("[#####.....]  50%"), std::string::npos) << rows[1];
    EXPECT_NE(rows[1].find(" 1:01 "), std::string::npos) << rows[1];
    EXPECT_NE(rows[1].find(" running"), std::string::npos) << rows[1];
    for (const std::string& row : rows)
        EXPECT_LE(row.size(), 80u) << row;

    lane.line = "/tmp/tmp.qrBBeb59LL/radio-a";
    EXPECT_EQ(LaneTable::Live({lane}, lane.started)[1].rfind("~9LL/radio-a ", 0), 0u)
        << "the end tells lanes apart";
    EXPECT_EQ(LaneTable::Summary({lane}, lane.started)[1].rfind("/tmp/tmp.qrBBeb59LL/radio-a 4000203 ", 0),
              0u);
}

}  // namespace
