#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "KitFileWriter.h"
#include "SettingsFolder.h"
#include "SimRadioTest.h"
#include "TestKit.h"
#include "app/LaneProtocol.h"
#include "cli/CliApp.h"
#include "cli/UpgradeCommands.h"
#include "files/ProgramKey.h"

namespace {

using LaneProtocol::Event;

// corvida-cli program --lane-protocol in-process against the small test radio on COM 1.
class LaneProgramTest : public SimRadioTest {
protected:
    // A kit whose rows permit no upgrade: the press verifies the radio, says so and ends, writing nothing.
    LaneProgramTest() { kit_.rows = "01\n*,00,01,00,00"; }

    int Program(const std::string& answers, std::vector<std::string> options = {}) {
        kitFolder_.WriteFile("patcher.dat", EncipherForKit(kit_.Text(), kProgramKey));
        std::vector<std::string> args = {
            "corvida-cli", "--port", "1", "program", "--lane-protocol", "--kit", kitFolder_.Path().string(),
            "--no-echo"};
        args.insert(args.end(), options.begin(), options.end());
        std::vector<const char*> argv;
        for (const std::string& arg : args)
            argv.push_back(arg.c_str());
        std::istringstream in(answers);
        out_.str("");
        err_.str("");
        return CliApp(Platform(), in, out_, err_).Run(static_cast<int>(argv.size()), argv.data());
    }

    // Every line of standard output as an event; a line that is none fails the test.
    std::vector<Event> Events() const {
        std::vector<Event> events;
        std::istringstream lines(out_.str());
        for (std::string line; std::getline(lines, line);) {
            const std::optional<Event> event = LaneProtocol::DecodeEvent(line);
            EXPECT_TRUE(event) << "not an event: " << line;
            if (event)
                events.push_back(*event);
        }
        return events;
    }

    static const Event* Find(const std::vector<Event>& events, Event::Kind kind) {
        for (const Event& event : events)
            if (event.kind == kind)
                return &event;
        return nullptr;
    }

    SettingsFolder settings_;
    TempDir kitFolder_;
    TestKit kit_;
    std::ostringstream out_;
    std::ostringstream err_;
};

TEST_F(LaneProgramTest, EverythingThePressShowsIsAnEventAndTheOutcomeComesLast) {
    EXPECT_EQ(Program(""), CliApp::kFailed);

    const std::vector<Event> events = Events();
    ASSERT_FALSE(events.empty());
    const Event* kit = Find(events, Event::Kind::Kit);
    ASSERT_TRUE(kit);
    EXPECT_EQ(kit->title, "Test Kit R01");
    const Event* radio = Find(events, Event::Kind::Radio);
    ASSERT_TRUE(radio);
    EXPECT_EQ(radio->serial, "SN00001234");
    EXPECT_EQ(radio->release, "R01.00");
    EXPECT_EQ(radio->model, "07");
    EXPECT_EQ(radio->identity, "E58EC154199D11D180180060B03C8AFF");
    const Event* note = Find(events, Event::Kind::Box);
    ASSERT_TRUE(note);
    EXPECT_EQ(note->caption, "NOTE");
    EXPECT_EQ(note->icon, "info");
    const Event& outcome = events.back();
    EXPECT_EQ(outcome.kind, Event::Kind::Outcome);
    EXPECT_EQ(outcome.result, "failed");
    EXPECT_EQ(outcome.exit, 1);
    EXPECT_NE(outcome.text.find("The kit permits no upgrade of this radio"), std::string::npos)
        << outcome.text;
    EXPECT_NE(err_.str().find("the kit permits no upgrade of this radio"), std::string::npos);
}

TEST_F(LaneProgramTest, TheRadiosTextsLeaveTheLaneEscaped) {
    const std::string hostile = "\x1B]0;owned\x07\xC3";
    Profile().statuses[3] = std::vector<std::uint8_t>{'R', '0', '1'};
    for (const char c : hostile)
        Profile().statuses[3].push_back(static_cast<std::uint8_t>(c));
    kit_.rows = "01\nR09.99,01,01,00,01";  // the release is not supported: the message quotes it
    Program("");

    const std::string out = out_.str();
    EXPECT_EQ(out.find_first_of("\x1B\x07"), std::string::npos) << out;
    const Event* radio = Find(Events(), Event::Kind::Radio);
    EXPECT_FALSE(radio) << "verification failed: no radio was verified";
    EXPECT_NE(out.find("R01\\\\x1B]0;owned\\\\x07\\\\xC3"), std::string::npos) << out;
}

// The test kit's warning is a question at the start of the press.
TEST_F(LaneProgramTest, AQuestionIsAnsweredByTheLineWithItsIdAndTheEndOfInputCancels) {
    kit_.firstBootCode = "test19.s19";
    struct Case {
        std::string answers;
        bool verified;
    };
    const Case cases[] = {
        {"{\"id\":1,\"answer\":\"ok\"}\n", true},
        {"ok\n{\"id\":9,\"answer\":\"ok\"}\n{\"id\":1,\"answer\":\"maybe\"}\n{\"id\":1,\"answer\":\"ok\"}\n",
         true},
        {"{\"id\":1,\"answer\":\"cancel\"}\n", false},
        {"{\"id\":9,\"answer\":\"ok\"}\n", false},  // the end of the input
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answers);
        Program(c.answers);
        const std::vector<Event> events = Events();
        const Event* question = Find(events, Event::Kind::Question);
        ASSERT_TRUE(question);
        EXPECT_EQ(question->id, 1);
        EXPECT_EQ(question->icon, "warning");
        EXPECT_EQ(question->choices, (std::vector<std::string>{"ok", "cancel"}));
        EXPECT_TRUE(question->answered.empty());
        EXPECT_EQ(Find(events, Event::Kind::Radio) != nullptr, c.verified);
        EXPECT_EQ(events.back().kind, Event::Kind::Outcome);
    }
}

TEST_F(LaneProgramTest, UnderYesTheLaneAnswersItselfAndSaysSo) {
    kit_.firstBootCode = "test19.s19";
    Program("", {"--yes"});

    const std::vector<Event> events = Events();
    const Event* question = Find(events, Event::Kind::Question);
    ASSERT_TRUE(question);
    EXPECT_EQ(question->answered, "ok");
    EXPECT_TRUE(Find(events, Event::Kind::Radio));
}

}  // namespace

namespace {

TEST_F(LaneProgramTest, ALaneLogsToAFileOfItsLinesName) {
    TempDir logs;
    kitFolder_.WriteFile("patcher.dat", EncipherForKit(kit_.Text(), kProgramKey));
    const std::vector<std::string> args = {
        "corvida-cli",     "--log", logs.Path().string(),       "--port",   "1", "program",
        "--lane-protocol", "--kit", kitFolder_.Path().string(), "--no-echo"};
    std::vector<const char*> argv;
    for (const std::string& arg : args)
        argv.push_back(arg.c_str());
    std::istringstream in;
    CliApp(Platform(), in, out_, err_).Run(static_cast<int>(argv.size()), argv.data());

    EXPECT_TRUE(std::filesystem::exists(logs.Path() / "cvErrlog-COM1.txt"));
    EXPECT_FALSE(std::filesystem::exists(logs.Path() / "cvErrlog.txt"));
}

TEST_F(LaneProgramTest, TwoLanesOnOneLineAreRefusedBeforeAnyStarts) {
    kitFolder_.WriteFile("patcher.dat", EncipherForKit(kit_.Text(), kProgramKey));
    const std::vector<std::string> args = {
        "corvida-cli",  "--device", "/tmp/a/radio", "--device",
        "/tmp/a_radio", "program",  "--kit",        kitFolder_.Path().string()};
    std::vector<const char*> argv;
    for (const std::string& arg : args)
        argv.push_back(arg.c_str());
    std::istringstream in;
    EXPECT_EQ(CliApp(Platform(), in, out_, err_).Run(static_cast<int>(argv.size()), argv.data()),
              CliApp::kUsageError);
    EXPECT_NE(err_.str().find("two lanes would share the line /tmp/a_radio"), std::string::npos)
        << err_.str();
}

TEST(LaneLogNameTest, ALineBecomesAPlainFileName) {
    const std::pair<const char*, const char*> cases[] = {
        {"/dev/ttyUSB0", "dev_ttyUSB0"},
        {"COM3", "COM3"},
        {"/dev/serial/by-id/usb-FTDI_bench-if00-port0", "dev_serial_by-id_usb-FTDI_bench-if00-port0"},
        {"../../etc/passwd", "etc_passwd"},
        {"radio \x1B[2J", "radio___2J"},
        {"..", "line"},
    };
    for (const auto& [line, name] : cases)
        EXPECT_EQ(UpgradeCommands::FileSafe(line), name) << line;
}

}  // namespace
