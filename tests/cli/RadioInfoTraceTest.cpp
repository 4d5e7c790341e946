#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "KwipFrames.h"
#include "SimRadioTest.h"
#include "SmallRadio.h"
#include "cli/CliApp.h"
#include "radio/SimRadio.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// corvida-cli in-process against the simulated radio, in virtual time.
class RadioInfoTraceTest : public SimRadioTest {
protected:
    int Run(const std::vector<std::string>& args) {
        std::vector<const char*> argv = {"corvida-cli"};
        for (const std::string& arg : args)
            argv.push_back(arg.c_str());
        CliApp app(Platform(), in_, out_, err_);
        return app.Run(static_cast<int>(argv.size()), argv.data());
    }

    std::istringstream in_;
    std::ostringstream out_;
    std::ostringstream err_;
};

struct TraceLine {
    double seconds;
    std::string request;
    std::string ack;
    std::string reply;
    std::string attempt;
    std::string outcome;
};

std::vector<TraceLine> KwipLines(const std::string& trace) {
    static const std::regex kLine(
        R"( *(\d+\.\d{3})  kwip  > ([0-9A-F]+)  ack ([0-9A-F]{2}|-)  < ([0-9A-F]+|-)  attempt (\d+/\d+)  (.*))");
    std::vector<TraceLine> lines;
    std::istringstream in(trace);
    for (std::string text; std::getline(in, text);) {
        std::smatch match;
        EXPECT_TRUE(std::regex_match(text, match, kLine)) << text;
        if (!match.empty())
            lines.push_back({std::stod(match[1]), match[2], match[3], match[4], match[5], match[6]});
    }
    return lines;
}

// The radio's answer to a status request as SmallRadio has it: the code and its data, or the empty
// status reply for a code it does not know.
std::string StatusReply(std::uint8_t code) {
    const RadioProfile profile = SmallRadio::Profile();
    const auto status = profile.statuses.find(code);
    if (status == profile.statuses.end())
        return HexLine(KwipFrame(0x86, {}));
    Bytes payload = {code};
    payload.insert(payload.end(), status->second.begin(), status->second.end());
    return HexLine(KwipFrame(0x8B, payload));
}

TEST_F(RadioInfoTraceTest, VerboseShowsEveryFrameOfTheExchangeWithItsAttempt) {
    Profile().faults.push_back(ScheduledFault::Parse("status#2 nak"));
    ASSERT_EQ(Run({"--port", "1", "-v", "radio", "info"}), CliApp::kSucceeded) << err_.str();

    struct Expected {
        std::uint8_t code;
        std::string ack;
        std::string attempt;
    };
    const std::vector<Expected> expected = {
        {15, "06", "1/4"}, {0, "60", "1/4"},  {0, "06", "2/4"},  {3, "06", "1/4"},  {4, "06", "1/4"},
        {5, "06", "1/4"},  {11, "06", "1/4"}, {14, "06", "1/4"}, {16, "06", "1/4"},
    };
    const std::vector<TraceLine> lines = KwipLines(err_.str());
    ASSERT_EQ(lines.size(), expected.size()) << err_.str();
    double previous = 0;
    for (std::size_t index = 0; index < lines.size(); ++index) {
        const TraceLine& line = lines[index];
        const Expected& want = expected[index];
        SCOPED_TRACE(index);
        EXPECT_EQ(line.request, HexLine(KwipFrame(0x23, {want.code})));
        EXPECT_EQ(line.ack, want.ack);
        EXPECT_EQ(line.attempt, want.attempt);
        if (want.ack == "60") {
            EXPECT_EQ(line.reply, "-");
            EXPECT_EQ(line.outcome, "Receive Negative Ack from external device");
        } else {
            EXPECT_EQ(line.reply, StatusReply(want.code));
            EXPECT_EQ(line.outcome, "ok");
        }
        EXPECT_GT(line.seconds, previous) << "a request and its answer take time on the line";
        previous = line.seconds;
    }
    EXPECT_NE(out_.str().find("identity   (15)  " + HexLine(SmallRadio::kIdentity)), std::string::npos);
}

TEST_F(RadioInfoTraceTest, WithoutVerboseNothingIsTraced) {
    ASSERT_EQ(Run({"--port", "1", "radio", "info"}), CliApp::kSucceeded);
    EXPECT_EQ(err_.str(), "");
}

}  // namespace
