#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "CliTest.h"
#include "DemoCodeplugs.h"
#include "MemoryRadioPeer.h"
#include "TempDir.h"
#include "cli/CliApp.h"

namespace {

using Args = std::vector<std::string>;

// corvida-cli's codeplug commands in-process, against a demo radio's memory on the simulated line.
class CodeplugCommandsTest : public CliTest {
protected:
    CodeplugCommandsTest() {
        radio_ = std::make_shared<MemoryRadioPeer>(built_.bytes);
        radio_->Memory().resize(0x2000, 0xFF);
        Line().AttachPeer(radio_);
    }

    const BuiltCodeplug built_ =
        DemoCodeplugs::Build(DemoCodeplugs::Find("KX400S-EU"), {"752TKX40001", std::nullopt, 7});
    std::shared_ptr<MemoryRadioPeer> radio_;
    TempDir dir_;
};

TEST_F(CodeplugCommandsTest, BackupCopiesTheWholeCodeplugWithoutAReset) {
    const std::string file = (dir_.Path() / "backup.bin").string();
    ASSERT_EQ(Run({"--port", "1", "codeplug", "backup", "--out", file}), CliApp::kSucceeded) << err_.str();
    // The radio's end takes in region 3's checksum byte: the whole image as built.
    const std::string backup = dir_.ReadFile("backup.bin");
    EXPECT_EQ(backup, std::string(built_.bytes.begin(), built_.bytes.end()));
    EXPECT_EQ(out_.str(),
              "Wrote " + std::to_string(built_.bytes.size()) + " bytes of codeplug to " + file + "\n");
    for (const MemoryRadioPeer::Request& request : radio_->Requests()) {
        EXPECT_EQ(request.opcode, 0x11) << "reads only, no reset";
        EXPECT_LE(request.count, 32u);
    }
    ExpectPortGivenBack();
}

TEST_F(CodeplugCommandsTest, ShowPrintsTheReportOfTheRadiosCodeplug) {
    ASSERT_EQ(Run({"codeplug", "show", "--port", "1"}), CliApp::kSucceeded) << err_.str();
    const std::string report = out_.str();
    EXPECT_NE(report.find("block vector:      0x02DF, 50 blocks"), std::string::npos) << report;
    EXPECT_NE(report.find("0x8000  0x0015   simple  96    1    -    -    101   entries: 1 hold"),
              std::string::npos)
        << report;
}

TEST_F(CodeplugCommandsTest, TheKdsLayoutNeedsTheKitsCodeplugAndFailuresAreReported) {
    EXPECT_EQ(Run({"--port", "1", "codeplug", "show", "--type", "3"}), CliApp::kUsageError);
    EXPECT_NE(err_.str().find("--external FILE"), std::string::npos) << err_.str();
    EXPECT_EQ(Run({"codeplug", "backup", "--type", "1"}), CliApp::kUsageError);

    radio_->FailAt(0x100);
    EXPECT_EQ(Run({"--port", "1", "codeplug", "backup", "--out", (dir_.Path() / "x").string()}),
              CliApp::kFailed);
    EXPECT_NE(err_.str().find("General communication error while reading codeplug"), std::string::npos)
        << err_.str();
    EXPECT_FALSE(std::filesystem::exists(dir_.Path() / "x")) << "no partial backup";
}

}  // namespace
