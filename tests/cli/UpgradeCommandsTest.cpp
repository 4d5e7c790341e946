#include <gtest/gtest.h>

#include <sstream>

#include "KitFileWriter.h"
#include "SettingsFolder.h"
#include "SimRadioTest.h"
#include "TestKit.h"
#include "app/CCorvidaDoc.h"
#include "app/PortOverrides.h"
#include "cli/CliApp.h"
#include "files/ProgramKey.h"
#include "platform/TermiosDevice.h"

namespace {

// corvida-cli in-process against the small test radio on COM 1, with the kit of TestKit.
class UpgradeCommandsTest : public SimRadioTest {
protected:
    int Run(std::vector<std::string> args) {
        out_.str("");
        err_.str("");
        std::vector<const char*> argv = {"corvida-cli"};
        for (const std::string& arg : args)
            argv.push_back(arg.c_str());
        CliApp app(Platform(), in_, out_, err_);
        return app.Run(static_cast<int>(argv.size()), argv.data());
    }
    int Identify(const TestKit& kit, std::vector<std::string> line = {"--port", "1", "--no-echo"}) {
        kit_.WriteFile("patcher.dat", EncipherForKit(kit.Text(), kProgramKey));
        line.insert(line.begin(), {"identify", "--kit", kit_.Path().string()});
        return Run(line);
    }

    SettingsFolder settings_;
    TempDir kit_;
    std::istringstream in_;
    std::ostringstream out_;
    std::ostringstream err_;
};

TEST_F(UpgradeCommandsTest, IdentifyShowsTheRadioAndWhatAnUpgradeWouldDo) {
    EXPECT_EQ(Identify(TestKit{}), CliApp::kSucceeded);

    const std::string out = out_.str();
    for (const char* line : {"identity    E58EC154199D11D180180060B03C8AFF\n", "release     R01.00\n",
                             "serial      SN00001234\n", "group       2\n", "model entry 0\n",
                             "model code  07\n", "codeplug    none\n", "operations  firmware+patch\n",
                             "The radio may be programmed with this kit.\n"})
        EXPECT_NE(out.find(line), std::string::npos) << line;
    EXPECT_TRUE(
        std::none_of(Radio().Requests().begin(), Radio().Requests().end(), [](const RadioRequest& request) {
            return request.kind == RequestKind::Write || request.kind == RequestKind::EraseFlash;
        }));
}

TEST_F(UpgradeCommandsTest, IdentifyUsesTheKitsStoredSettingsWithoutALine) {
    {
        CCorvidaDoc document(kit_.Path());
        document.SetEcho(0);
        document.Close();
    }
    EXPECT_EQ(Identify(TestKit{}, {}), CliApp::kSucceeded) << err_.str();

    CCorvidaDoc document(kit_.Path());
    document.SetEcho(1);
    document.Close();
    EXPECT_EQ(Identify(TestKit{}, {}), CliApp::kFailed);  // the radio does not echo
}

TEST_F(UpgradeCommandsTest, IdentifyFailsWithTheFormsMessageOrOneLineOfItsOwn) {
    TestKit unknown;
    unknown.groupTwoIdentities = "01\n00000000000000000000000000000001";
    EXPECT_EQ(Identify(unknown), CliApp::kFailed);
    EXPECT_NE(err_.str().find(
                  "Verification of radio failed. The current radio is not of the supported radio series"),
              std::string::npos);

    TestKit notPermitted;
    notPermitted.rows = "01\n*,00,01,00,00";
    EXPECT_EQ(Identify(notPermitted), CliApp::kFailed);
    EXPECT_NE(out_.str().find("operations  upgrade not permitted\n"), std::string::npos);
    EXPECT_NE(err_.str().find("the kit permits no upgrade of this radio"), std::string::npos);
}

TEST_F(UpgradeCommandsTest, IdentifyYesAnswersTheTestKitWarningAsProgramYesDoes) {
    TestKit testKit;
    testKit.firstBootCode = "test19.s19";
    EXPECT_EQ(Identify(testKit), CliApp::kFailed) << "without a terminal nobody answers";
    EXPECT_NE(err_.str().find("the kit cannot be used"), std::string::npos);

    EXPECT_EQ(Identify(testKit, {"--port", "1", "--no-echo", "--yes"}), CliApp::kSucceeded) << err_.str();
    EXPECT_NE(out_.str().find("The radio may be programmed with this kit.\n"), std::string::npos);
}

TEST_F(UpgradeCommandsTest, IdentifyNamesTheCodeplugFileOnlyWhenTheKitProgramsACodeplug) {
    kit_.WriteFile("cp.s19", EncipherForKit("S00600004844521B\n", "test-kit-key-0042"));
    TestKit kit;
    kit.models = "01\n01\nTESTRADIO,000000000,0000000000,00,00,07,cp.s19,";
    for (const auto& [rows, named] : {std::pair{"01\n*,01,01,00,01", "codeplug    none\n"},
                                      std::pair{"01\n*,01,00,02,00", "codeplug    cp.s19\n"}}) {
        SCOPED_TRACE(rows);
        kit.rows = rows;
        EXPECT_EQ(Identify(kit), CliApp::kSucceeded) << err_.str();
        EXPECT_NE(out_.str().find(named), std::string::npos) << out_.str();
    }
}

// What the radio and the kit say reaches the terminal escaped: it can neither set the terminal's title
// nor clear its screen, in the radio's details or in a message.
TEST_F(UpgradeCommandsTest, RadioAndKitTextsReachTheTerminalEscaped) {
    const std::string hostile = "\x1B]0;owned\x07\x1B[2J";
    const std::string shown = "\\x1B]0;owned\\x07\\x1B[2J";
    const auto bytes = [](const std::string& text) {
        return std::vector<std::uint8_t>(text.begin(), text.end());
    };
    Profile().statuses[3] = bytes("R01.00" + hostile);
    Profile().statuses[11] = bytes("S\x1B[2J\x07");  // the serial text is cut at 10 characters
    struct Case {
        std::string rows;
        int status;
        std::string words;
    };
    const Case cases[] = {
        {"01\n*,01,01,00,01", CliApp::kSucceeded, "release     R01.00" + shown + "\n"},
        {"01\n*,01,01,00,01", CliApp::kSucceeded, "serial      S\\x1B[2J\\x07\n"},
        {"01\n*,01,01,00,01", CliApp::kSucceeded, "kit         Test Kit " + shown + "\n"},
        {"01\nR09.99,01,01,00,01", CliApp::kFailed,
         "The current radio release R01.00" + shown + " is not supported by this upgradekit"},
    };
    for (const Case& c : cases) {
        TestKit kit;
        kit.rows = c.rows;
        std::string config = kit.Text();
        config.replace(config.find("Test Kit R01"), 12, "Test Kit " + hostile);
        kit_.WriteFile("patcher.dat", EncipherForKit(config, kProgramKey));
        EXPECT_EQ(Run({"identify", "--kit", kit_.Path().string(), "--port", "1", "--no-echo"}), c.status);
        const std::string all = out_.str() + err_.str();
        EXPECT_NE(all.find(c.words), std::string::npos) << c.words << "\n" << all;
        EXPECT_EQ(all.find_first_of("\x1B\x07"), std::string::npos) << all;
    }
}

TEST_F(UpgradeCommandsTest, EchoAndNoEchoExcludeEachOther) {
    EXPECT_EQ(Identify(TestKit{}, {"--port", "1", "--echo", "--no-echo"}), CliApp::kUsageError);
    EXPECT_TRUE(Radio().Requests().empty());
}

TEST_F(UpgradeCommandsTest, PortsListsThePortsAndKeepsTheOverrides) {
    ASSERT_EQ(Run({"ports", "--map", "7", "/dev/serial/by-id/usb-bench", "--force"}), CliApp::kSucceeded);
    EXPECT_NE(out_.str().find("Port overrides:\n  COM7    -> /dev/serial/by-id/usb-bench\n"),
              std::string::npos);
    EXPECT_EQ(PortOverrides::Stored().count(7), 1u);

    ASSERT_EQ(Run({"ports", "--unmap", "7"}), CliApp::kSucceeded);
    EXPECT_NE(out_.str().find("No port overrides\n"), std::string::npos);
    EXPECT_EQ(Run({"ports", "--map", "0", "/dev/null"}), CliApp::kUsageError);
}

TEST_F(UpgradeCommandsTest, PortsMapTakesOnlyASerialDeviceOrPseudoTerminalWithoutForce) {
    const std::optional<TermiosDevice::PseudoTerminal> terminal = TermiosDevice::OpenPseudoTerminal();
    ASSERT_TRUE(terminal);
    const std::string pseudoTerminal = terminal->slavePath;
    const std::string regularFile = (kit_.Path() / "not-a-port").string();
    kit_.WriteFile("not-a-port", "");
    struct Case {
        std::string path;
        bool force;
        int status;
    };
    const Case cases[] = {
        {"/nonexistent", false, CliApp::kUsageError}, {"/dev/null", false, CliApp::kUsageError},
        {regularFile, false, CliApp::kUsageError},    {pseudoTerminal, false, CliApp::kSucceeded},
        {"/nonexistent", true, CliApp::kSucceeded},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path + (c.force ? " --force" : ""));
        std::vector<std::string> line = {"ports", "--map", "3", c.path};
        if (c.force)
            line.push_back("--force");
        EXPECT_EQ(Run(line), c.status) << err_.str();
        const std::map<unsigned, std::string> stored = PortOverrides::Stored();
        EXPECT_EQ(stored.count(3), c.status == CliApp::kSucceeded ? 1u : 0u);
        Run({"ports", "--unmap", "3"});
    }
}

}  // namespace
