#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "CliTest.h"
#include "CodeplugBuilder.h"
#include "DemoCodeplugs.h"
#include "MemoryRadioPeer.h"
#include "SRecordWriter.h"
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

TEST_F(CodeplugCommandsTest, BackupHoldsEveryByteProgrammingTheWholeCodeplugWrites) {
    // Programming writes from 0 to the codeplug end + 1, the end as the kit's image gives it.
    const BuiltCodeplug standard =
        CodeplugBuilder()
            .Region3Checksum(false)
            .Block(0, CodeplugBuilder::Region::k2, BlockContent::Simple(12, {Bytes(12, 0x30)}))
            .Block(1, CodeplugBuilder::Region::k3, BlockContent::Simple(2, {{1, 2}}))
            .Raw(CodeplugBuilder::Region::kBeyond, {0xEE})
            .Build();
    Bytes wren(0x600, 0x5A);
    wren[38] = 0x01;  // L2 = 421: the end is 0x300 + 421
    wren[39] = 0xA5;
    const Bytes kds(200, 0);  // the kit's codeplug: its pointers end at its last byte, 199
    dir_.WriteFile("kds.s19", WriteSRecords(kds, {}));
    struct Case {
        const char* type;
        Bytes memory;
        std::size_t programmed;
    };
    const Case cases[] = {
        {"1", standard.bytes, standard.region3Start + standard.region3Length + 1},
        {"2", wren, 0x300 + 421 + 1},
        {"3", Bytes(0x400, 0x77), kds.size()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.type);
        radio_->Memory() = c.memory;
        radio_->Memory().resize(0x2000, 0xFF);
        const std::string file = (dir_.Path() / "backup.bin").string();
        ASSERT_EQ(Run({"--port", "1", "codeplug", "backup", "--out", file, "--type", c.type, "--external",
                       (dir_.Path() / "kds.s19").string()}),
                  CliApp::kSucceeded)
            << err_.str();
        const std::string backup = dir_.ReadFile("backup.bin");
        ASSERT_EQ(backup.size(), c.programmed);
        EXPECT_TRUE(backup == std::string(radio_->Memory().begin(), radio_->Memory().begin() + c.programmed));
        ExpectPortGivenBack();
    }
}

TEST_F(CodeplugCommandsTest, ShowPrintsTheReportOfTheRadiosCodeplug) {
    ASSERT_EQ(Run({"codeplug", "show", "--port", "1"}), CliApp::kSucceeded) << err_.str();
    const std::string report = out_.str();
    EXPECT_NE(report.find("block vector:      0x02DF, 50 blocks"), std::string::npos) << report;
    EXPECT_NE(report.find("0x8000  0x0015   simple  96    1    -    -    101   entries: 1 hold"),
              std::string::npos)
        << report;
}

TEST_F(CodeplugCommandsTest, ShowPlacesKdsBlock139ByTheVariantCodeAndMode) {
    // A healthy radio of the old layout: block 139 at 523, 70 bytes that sum to 0x5A.
    Bytes memory(0x400, 0x11);
    std::fill_n(memory.begin() + 523, 70, 0);
    memory[523 + 69] = 0x5A;
    radio_->Memory() = memory;
    dir_.WriteFile("kds.s19", WriteSRecords(Bytes(800, 0), {}));
    const std::string external = (dir_.Path() / "kds.s19").string();

    ASSERT_EQ(Run({"--port", "1", "codeplug", "show", "--type", "3", "--external", external, "--variant-code",
                   "x1", "--mode", "1"}),
              CliApp::kSucceeded)
        << err_.str();
    EXPECT_NE(out_.str().find("  139     0x020B   70 bytes, sum holds"), std::string::npos) << out_.str();
    ExpectPortGivenBack();

    ASSERT_EQ(Run({"--port", "1", "codeplug", "show", "--type", "3", "--external", external}),
              CliApp::kSucceeded);
    EXPECT_NE(out_.str().find("  139     0x028B   72 bytes, sum BROKEN"), std::string::npos) << out_.str();
    ExpectPortGivenBack();

    EXPECT_EQ(Run({"--port", "1", "codeplug", "show", "--type", "3", "--external", external, "--variant-code",
                   "1"}),
              CliApp::kUsageError);
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
