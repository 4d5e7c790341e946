#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "TempDir.h"
#include "cli/DeviceCheck.h"
#include "platform/TermiosDevice.h"

namespace {

namespace fs = std::filesystem;
using Holder = DeviceCheck::Holder;

class DeviceCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        terminal_ = TermiosDevice::OpenPseudoTerminal();
        ASSERT_TRUE(terminal_.has_value());
    }

    const std::string& Slave() const { return terminal_->slavePath; }

    // A process in the fake /proc with its name and the files it holds open.
    void AddProcess(const std::string& pid, const std::string& name, const std::vector<std::string>& files) {
        const fs::path process = proc_.Path() / pid;
        fs::create_directories(process / "fd");
        std::ofstream(process / "comm") << name << '\n';
        for (std::size_t fd = 0; fd < files.size(); ++fd)
            fs::create_symlink(files[fd], process / "fd" / std::to_string(fd));
    }

    std::optional<TermiosDevice::PseudoTerminal> terminal_;
    TempDir proc_;
    TempDir folder_;
};

TEST_F(DeviceCheckTest, TellsAPathThatIsNoneFromOneThatIsNoTerminalAndFromATerminal) {
    const DeviceCheck check;
    EXPECT_FALSE(check.Examine((folder_.Path() / "ttyUSB7").string()).exists);

    folder_.WriteFile("plain", "");
    for (const std::string& path : {(folder_.Path() / "plain").string(), std::string("/dev/null")}) {
        SCOPED_TRACE(path);
        const DeviceCheck::Facts facts = check.Examine(path);
        EXPECT_TRUE(facts.exists);
        EXPECT_TRUE(facts.accessible);
        EXPECT_FALSE(facts.terminal);
        EXPECT_TRUE(facts.holders.empty()) << "only terminals are looked for in /proc";
    }

    // Pseudo-terminal slaves have no sysfs entry: /proc/devices names their driver.
    const DeviceCheck::Facts facts = check.Examine(Slave());
    EXPECT_TRUE(facts.exists);
    EXPECT_TRUE(facts.terminal);
    EXPECT_FALSE(facts.group.empty());
}

TEST_F(DeviceCheckTest, NamesTheOtherProcessesThatHoldTheDevice) {
    // Files in /proc tell no size, so copying one file to file would give an empty copy.
    std::ifstream devices("/proc/devices");
    std::ofstream(proc_.Path() / "devices") << devices.rdbuf();
    AddProcess("4242", "minicom", {"/dev/null", Slave()});
    AddProcess("77", "cat", {Slave()});
    AddProcess("900", "bash", {"/dev/null"});
    AddProcess(std::to_string(getpid()), "cli_tests", {Slave()});  // ourselves: not another program
    AddProcess("self", "cli_tests", {Slave()});
    const DeviceCheck check(proc_.Path());
    EXPECT_EQ(check.Examine(Slave()).holders, (std::vector<Holder>{{77, "cat"}, {4242, "minicom"}}));
}

TEST_F(DeviceCheckTest, ADeviceWeMayNotOpenIsSeenWithItsModeAndGroup) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root may open anything";
    ASSERT_EQ(chmod(Slave().c_str(), 0), 0);
    const DeviceCheck::Facts facts = DeviceCheck().Examine(Slave());
    EXPECT_FALSE(facts.accessible);
    EXPECT_EQ(facts.mode, 0u);
    EXPECT_FALSE(facts.groupMayUse);
}

}  // namespace
