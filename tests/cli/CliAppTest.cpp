#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "CliTest.h"
#include "KwipFrames.h"
#include "TempDir.h"
#include "cli/CliApp.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Args = std::vector<std::string>;

const Bytes kReadRequest = {0xF5, 0x11, 0x02, 0x00, 0x12, 0x34, 0xB1};
const Bytes kReadReply = {0xF6, 0x80, 0x00, 0x12, 0x34, 0x5A, 0xA5, 0x44};
const Bytes kResetRequest = {0xF1, 0x10, 0xFE};

Bytes StatusRequest(std::uint8_t code) {
    return KwipFrame(0x23, {code});
}

Bytes StatusReply(std::uint8_t code, const std::string& text) {
    Bytes payload = {code};
    payload.insert(payload.end(), text.begin(), text.end());
    return KwipFrame(0x8B, payload);
}

class CliAppTest : public CliTest {};

// Sets an environment variable for its lifetime.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : name_(name) { setenv(name, value, 1); }
    ~ScopedVariable() { unsetenv(name_); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name_;
};

TEST_F(CliAppTest, EachKwipCommandMakesOneRequestAndPrintsWhatTheReplyCarries) {
    struct Case {
        Args args;
        Bytes request;
        Bytes answer;
        std::string printed;
    };
    const std::string fifteen = "ABCDEFGHIJKLMNO";
    const Case cases[] = {
        {{"--port", "1", "kwip", "read", "1234", "2"},
         kReadRequest,
         Acked(kReadReply),
         "001234  5A A5" + std::string(42, ' ') + "  Z.\n"},
        {{"kwip", "status", "5", "--size", "10", "--port", "1"},
         StatusRequest(5),
         Acked(StatusReply(5, fifteen)),
         "000000  41 42 43 44 45 46 47 48 49" + std::string(21, ' ') + "  ABCDEFGHI\n"},
        {{"kwip", "status", "0x0B", "--port", "1"},
         StatusRequest(11),
         Acked(KwipFrame(0x86, {})),
         "(no data)\n"},
        {{"--port", "1", "kwip", "write", "0x400000", "AA BB"},
         {0xFF, 0x17, 0x00, 0x06, 0x40, 0x00, 0x00, 0xAA, 0xBB, 0x3E},
         Acked(KwipFrame(0x84, {})),
         "Wrote 2 bytes at 400000\n"},
        {{"--port", "1", "kwip", "reset"}, kResetRequest, {kPositiveAck}, "Reset acknowledged\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[2] + " " + c.args[3]);
        Peer().Answer(c.request, c.answer, 1 * kMs);
        EXPECT_EQ(Run(c.args), CliApp::kSucceeded);
        EXPECT_EQ(out_.str(), c.printed);
        EXPECT_EQ(err_.str(), "");
        EXPECT_EQ(Peer().Deviation(), "");
        EXPECT_TRUE(Peer().Finished());
        ExpectPortGivenBack();
    }
}

TEST_F(CliAppTest, RadioInfoPrintsTheIdentityAndEachStatusWithItsLabel) {
    const Bytes identity = {0xE5, 0x8E, 0xC1, 0x54, 0x19, 0x9D, 0x11, 0xD1,
                            0x80, 0x18, 0x00, 0x60, 0xB0, 0x3C, 0x8A, 0xFF};
    Bytes identityReply = {0x0F};
    identityReply.insert(identityReply.end(), identity.begin(), identity.end());
    Peer()
        .Answer(StatusRequest(15), Acked(KwipFrame(0x8B, identityReply)))
        .Answer(StatusRequest(0), Acked(StatusReply(0, "KR-450 UHF")))
        .Answer(StatusRequest(3), Acked(StatusReply(3, "R03.01")))
        .Answer(StatusRequest(4), Acked(StatusReply(4, "A1")))
        .Answer(StatusRequest(5), Acked(StatusReply(5, std::string("\x00\x12", 2))))
        .Answer(StatusRequest(11),
                Acked(StatusReply(11, "H25KDF9PW7AN")))  // cut to 10 as the upgrade sees it
        .Answer(StatusRequest(14), Acked(StatusReply(14, "\xFE ")))
        .Answer(StatusRequest(16), Acked(KwipFrame(0x86, {})));
    EXPECT_EQ(Run({"radio", "info", "--port", "1"}), CliApp::kSucceeded);
    EXPECT_EQ(out_.str(),
              "identity   (15)  E58EC154199D11D180180060B03C8AFF\n"
              "model      ( 0)  \"KR-450 UHF\"\n"
              "release    ( 3)  \"R03.01\"\n"
              "variant    ( 4)  \"A1\"\n"
              "power-up   ( 5)  00 12\n"
              "status 11  (11)  \"H25KDF9PW7\"\n"
              "status 14  (14)  FE 20\n"
              "status 16  (16)  \n");
    EXPECT_EQ(Peer().Deviation(), "");
    EXPECT_TRUE(Peer().Finished());
    ExpectPortGivenBack();
}

TEST_F(CliAppTest, AFailedCommandPrintsItsErrorWithTheLogLinesThatExplainIt) {
    Peer().AnswerTimes(4, kResetRequest, {});
    EXPECT_EQ(Run({"--port", "1", "kwip", "reset"}), CliApp::kFailed);
    EXPECT_EQ(out_.str(), "");
    EXPECT_EQ(err_.str(),
              "Timeout occurred while sending KWIP command\n"
              "  Number of byteTime timeout = 97 (4 times)\n"
              "  CWinSerial::WaitForBytesUnless: No data received when timeout (4 times)\n"
              "  CKwipComm::SendCommand: Encountered the above error while getting ack (4 times)\n"
              "  CKwipComm::SendCommand: Request failed! Retry number = 1\n"
              "  CKwipComm::SendCommand: Request failed! Retry number = 2\n"
              "  CKwipComm::SendCommand: Request failed! Retry number = 3\n"
              "  CKwipComm::SendCommand: Retry exhuasted, so exit request\n");
    EXPECT_TRUE(LogHas("Timeout occurred while sending KWIP command"))
        << "the platform's sink still sees all";
    ExpectPortGivenBack();

    // A second run shows only its own causes.
    Peer().Answer(kResetRequest, {kNegativeAck}).Answer(kResetRequest, {kPositiveAck});
    EXPECT_EQ(Run({"--port", "1", "kwip", "reset"}), CliApp::kSucceeded);
    EXPECT_EQ(err_.str(), "");
    ExpectPortGivenBack();
}

TEST_F(CliAppTest, APortThatCannotBeOpenedGetsItsCausesAndAHint) {
    EXPECT_EQ(Run({"--port", "200", "kwip", "reset"}), CliApp::kFailed);
    const std::string printed = err_.str();
    EXPECT_EQ(printed.rfind("Unable to open communication port\n"
                            "  CWinSerial::Open: Unable to open com200\n"
                            "hint: no device is behind COM200\n"
                            "hint: ",
                            0),
              0u)
        << printed;
    ExpectPortGivenBack();
}

TEST_F(CliAppTest, LogWritesTheErrorLogFileIntoTheFolderForTheRun) {
    TempDir folder;
    Peer().AnswerTimes(4, kResetRequest, {kNegativeAck});
    EXPECT_EQ(Run({"--log", folder.Path().string(), "--port", "1", "kwip", "reset"}), CliApp::kFailed);
    const std::string file = folder.ReadFile("cvErrlog.txt");
    for (const char* line :
         {"Start Logging", "Receive Negative Ack from external device",
          "CKwipComm::SendCommand: Retry exhuasted, so exit request", "Received NACK from external device"}) {
        EXPECT_NE(file.find(std::string(line) + "\r\n"), std::string::npos) << line;
    }
    ExpectPortGivenBack();
}

TEST_F(CliAppTest, EchoSaysTheLineRunsThroughTheEchoingBox) {
    // Unless the program knows of the box, it takes the echo for the acknowledge and the reply.
    Line().SetEchoBox(true);
    Peer().Answer(StatusRequest(5), Acked(StatusReply(5, "OK")));
    EXPECT_EQ(Run({"--echo", "--port", "1", "kwip", "status", "5"}), CliApp::kSucceeded);
    EXPECT_EQ(out_.str(), "000000  4F 4B" + std::string(42, ' ') + "  OK\n");
    ExpectPortGivenBack();

    Peer().AnswerTimes(4, StatusRequest(5), Acked(StatusReply(5, "OK")));
    EXPECT_EQ(Run({"--port", "1", "kwip", "status", "5"}), CliApp::kFailed);
    ExpectPortGivenBack();
}

TEST_F(CliAppTest, AWrongCommandLineIsAUsageErrorAndSendsNothing) {
    struct Case {
        Args args;
        std::string says;
    };
    const Case cases[] = {
        {{}, "A subcommand is required"},
        {{"kwip", "read", "1234", "2"}, "A line to the radio (--port N or --device PATH) is required"},
        {{"--port", "1", "--device", "/dev/null", "kwip", "reset"}, "excludes --device"},
        {{"--port", "0", "kwip", "reset"}, "'0' is not a number from 1 to 255"},
        {{"--port", "1", "kwip", "read", "1000000", "2"}, "'1000000' is not a hex number up to FFFFFF"},
        {{"--port", "1", "kwip", "read", "1234", "256"}, "'256' is not a number from 0 to 255"},
        {{"--port", "1", "kwip", "write", "1234", "ABC"}, "'ABC' is not a string of hex byte pairs"},
        {{"--port", "1", "kwip", "status", "5", "--size", "526"}, "'526' is not a number from 1 to 525"},
        {{"--port", "1", "kwip", "status", "256"}, "'256' is not a number from 0 to 255"},
        {{"--port", "1", "kwip"}, "A subcommand is required"},
        {{"--log", "/no/such/folder", "--port", "1", "kwip", "reset"}, "Directory does not exist"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        EXPECT_EQ(Run(c.args), CliApp::kUsageError);
        EXPECT_NE(err_.str().find(c.says), std::string::npos) << err_.str();
        EXPECT_EQ(out_.str(), "");
    }
    Clock().Advance(10 * kMs);
    Line().CatchUp();
    EXPECT_TRUE(Peer().Received().empty());
    EXPECT_EQ(Platform().GetSerial(), &Serial()) << "no port is held";
}

TEST_F(CliAppTest, TheEnvironmentNamesTheLineWhenTheCommandLineDoesNot) {
    {
        const ScopedVariable port("CORVIDA_PORT", "1");
        Peer().Answer(kResetRequest, {kPositiveAck});
        EXPECT_EQ(Run({"kwip", "reset"}), CliApp::kSucceeded) << err_.str();
        ExpectPortGivenBack();

        const ScopedVariable device("CORVIDA_DEVICE", "/dev/null");
        EXPECT_EQ(Run({"kwip", "reset"}), CliApp::kUsageError);
        EXPECT_NE(err_.str().find("CORVIDA_PORT and CORVIDA_DEVICE: both are set"), std::string::npos)
            << err_.str();

        Peer().Answer(kResetRequest, {kPositiveAck});
        EXPECT_EQ(Run({"--port", "1", "kwip", "reset"}), CliApp::kSucceeded) << "the command line wins";
        ExpectPortGivenBack();
    }
    const ScopedVariable port("CORVIDA_PORT", "0");
    EXPECT_EQ(Run({"kwip", "reset"}), CliApp::kUsageError);
    EXPECT_NE(err_.str().find("CORVIDA_PORT: '0' is not a number from 1 to 255"), std::string::npos)
        << err_.str();
    EXPECT_EQ(Platform().GetSerial(), &Serial()) << "no port is held";
}

TEST_F(CliAppTest, HelpIsNoError) {
    EXPECT_EQ(Run({"--help"}), CliApp::kSucceeded);
    EXPECT_NE(out_.str().find("Usage: corvida-cli"), std::string::npos);
    for (const char* listed : {"CORVIDA_DEVICE", "CORVIDA_PORT", "Exit status:", "--verbose"})
        EXPECT_NE(out_.str().find(listed), std::string::npos) << listed;
    EXPECT_EQ(Run({"kwip", "read", "--help"}), CliApp::kSucceeded);
    EXPECT_NE(out_.str().find("ADDRESS HEX REQUIRED"), std::string::npos) << out_.str();
}

}  // namespace
