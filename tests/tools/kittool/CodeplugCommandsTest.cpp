#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "CodeplugCommands.h"
#include "DemoCodeplugs.h"
#include "KitBuilder.h"
#include "SRecordWriter.h"
#include "TempDir.h"
#include "VirtualTimeTest.h"
#include "WrenImageBuilder.h"

namespace {

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class CodeplugCommandsTest : public VirtualTimeTest {
protected:
    Commands::Streams Io() { return {out_, err_}; }
    std::string Out() { return std::exchange(out_, {}).str(); }
    Commands::CodeplugInput Input(const std::string& name) {
        Commands::CodeplugInput input;
        input.file = dir_.Path() / name;
        return input;
    }
    std::string Demo(const std::string& model) {
        const std::string name = model + ".s19";
        EXPECT_EQ(Commands::CodeplugDemo(model, dir_.Path() / name, {}, Io()), Commands::kSuccess);
        return name;
    }

    TempDir dir_;
    std::ostringstream out_;
    std::ostringstream err_;
};

TEST_F(CodeplugCommandsTest, ShowReportsThePointersAndEveryBlock) {
    const std::string file = Demo("KX400S-EU");
    ASSERT_EQ(Commands::CodeplugShow(Input(file), Io()), Commands::kSuccess) << err_.str();
    const std::string report = Out();
    EXPECT_TRUE(Has(report, "(S-record text)"));
    EXPECT_TRUE(Has(report, "block vector:      0x02DF, 50 blocks"));
    EXPECT_TRUE(Has(report, "0x002C  0x042A   lists   8     4    32   4    138   lists: 4 hold")) << report;
    EXPECT_TRUE(Has(report, "0x8000  0x0015   simple  96    1    -    -    101   entries: 1 hold")) << report;
    EXPECT_TRUE(Has(report, "0x0000  0x00B9   simple  96    1    -    -    99    region's")) << report;
}

TEST_F(CodeplugCommandsTest, SetWritesARawImageWhoseChecksumsStillHold) {
    const std::string file = Demo("KX400");
    Commands::CodeplugField field{"0x2C", 1, 0, 3};
    ASSERT_EQ(Commands::CodeplugSet(Input(file), field, "04", dir_.Path() / "patched.bin", Io()),
              Commands::kSuccess)
        << err_.str();
    EXPECT_TRUE(Has(Out(), "wrote 1 bytes; checksum byte at 0x"));

    ASSERT_EQ(Commands::CodeplugGet(Input("patched.bin"), field, 2, Io()), Commands::kSuccess) << err_.str();
    EXPECT_EQ(Out(), "04 00\n");
    EXPECT_EQ(Commands::CodeplugShow(Input("patched.bin"), Io()), Commands::kSuccess);
    EXPECT_TRUE(Has(Out(), "(raw image)"));

    // A byte changed behind the checksums' back is reported.
    std::string image = dir_.ReadFile("patched.bin");
    image[0x042A + 6] ^= 0x01;
    dir_.WriteFile("spoiled.bin", image);
    EXPECT_EQ(Commands::CodeplugShow(Input("spoiled.bin"), Io()), Commands::kProblemsFound);
    EXPECT_TRUE(Has(Out(), "lists: 1 of 2 BROKEN"));
}

TEST_F(CodeplugCommandsTest, AKitsCodeplugIsDecipheredWithItsKitKey) {
    Commands::CodeplugInput input;
    input.file = std::filesystem::path(CORVIDA_DEMO_KIT) / "kx600.s19";
    ASSERT_EQ(Commands::CodeplugShow(input, Io()), Commands::kSuccess) << err_.str();
    const std::string report = Out();
    EXPECT_TRUE(Has(report, "(enciphered S-record text)"));
    EXPECT_TRUE(Has(report, "0x0031")) << report;
}

TEST_F(CodeplugCommandsTest, FailuresSayWhat) {
    const std::string file = Demo("KX600");
    EXPECT_EQ(Commands::CodeplugDemo("KX900", dir_.Path() / "x", {}, Io()), Commands::kFailed);
    EXPECT_TRUE(Has(err_.str(), "there is no demo model KX900; the models are: KX400S-EU"));
    const std::pair<Commands::CodeplugField, std::string> cases[] = {
        {{"0x2C", 0, 0, 0}, "the codeplug has no block 0x2C"},
        {{"0x31", 4, 0, 0}, "The requested list is out of range"},
        {{"0x31", 0, 0, 5}, "The requested list is out of range"},
        {{"big", 0, 0, 0}, "a block id is a number from 0 to 0xFFFF, not \"big\""},
        {{"0x10000", 0, 0, 0}, "a block id is a number"},
    };
    for (const auto& [field, complaint] : cases) {
        err_.str("");
        EXPECT_EQ(Commands::CodeplugGet(Input(file), field, 2, Io()), Commands::kFailed);
        EXPECT_TRUE(Has(err_.str(), complaint)) << err_.str();
    }
    err_.str("");
    EXPECT_EQ(Commands::CodeplugSet(Input(file), {"0x31", 0, 0, 0}, "0G", dir_.Path() / "out", Io()),
              Commands::kFailed);
    EXPECT_TRUE(Has(err_.str(), "pairs of hex digits"));
}

TEST_F(CodeplugCommandsTest, TheWrenLayoutIsShownAndWrittenByItsOwnRules) {
    WrenImageBuilder image(0x800);
    image.Word(38, 0x100).Block(48, 0x300, Bytes(20, 0x11));
    const Bytes& bytes = image.Image();
    dir_.WriteFile("wren.bin", std::string(bytes.begin(), bytes.end()));
    Commands::CodeplugInput input = Input("wren.bin");
    input.type = 2;
    ASSERT_EQ(Commands::CodeplugShow(input, Io()), Commands::kSuccess) << err_.str();
    EXPECT_TRUE(Has(Out(), "  48    0x0300   -      23     holds"));
    ASSERT_EQ(Commands::CodeplugSet(input, {"48", 0, 0, 4}, "CAFE", dir_.Path() / "wren2.bin", Io()),
              Commands::kSuccess);
    EXPECT_TRUE(Has(Out(), "block checksum recomputed"));
    input.file = dir_.Path() / "wren2.bin";
    EXPECT_EQ(Commands::CodeplugShow(input, Io()), Commands::kSuccess);
    EXPECT_EQ(Commands::CodeplugGet(input, {"48", 0, 0, 4}, 2, Io()), Commands::kSuccess);
    EXPECT_TRUE(Has(Out(), "CA FE\n"));
}

TEST_F(CodeplugCommandsTest, TheKdsTuningEntryIsReachedByListAndEntryWithItsChecksum) {
    // The KDS layout's tuning block 0x8000 keeps the standard block format: at 0x40 a simple block of one
    // 4-byte entry with its checksum byte, which makes the entry's bytes sum to 0.
    Bytes kds(0x100, 0);
    kds[12] = 0x40;  // the word at 11: block 0x8000
    const Bytes tuning = {0x40, 0x04, 0x01, 0x01, 0x02, 0x03, 0x04, 0xF6};
    std::copy(tuning.begin(), tuning.end(), kds.begin() + 0x40);
    dir_.WriteFile("kds.s19", WriteSRecords(kds, {}));
    Commands::CodeplugInput input = Input("kds.s19");
    input.type = 3;

    ASSERT_EQ(Commands::CodeplugGet(input, {"0x8000", 0, 0, 1}, 2, Io()), Commands::kSuccess) << err_.str();
    EXPECT_EQ(Out(), "02 03\n");
    ASSERT_EQ(Commands::CodeplugSet(input, {"0x8000", 0, 0, 1}, "AABB", dir_.Path() / "kds.bin", Io()),
              Commands::kSuccess)
        << err_.str();
    EXPECT_EQ(Out(), "wrote 2 bytes; checksum byte at 0x47 adjusted\n");
    const std::string written = dir_.ReadFile("kds.bin");
    EXPECT_EQ(written.substr(0x40, 8), std::string("\x40\x04\x01\x01\xAA\xBB\x04\x96", 8));

    EXPECT_EQ(Commands::CodeplugGet(input, {"0x8000", 0, 0, 3}, 2, Io()), Commands::kFailed);
    EXPECT_TRUE(Has(err_.str(), "The requested list is out of range")) << err_.str();
}

}  // namespace
