#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <sstream>
#include <string>
#include <vector>

#include "DemoCodeplugs.h"
#include "VirtualTimeTest.h"
#include "codeplug/CCodeplug.h"
#include "codeplug/CodeplugReport.h"

namespace {

using namespace DemoCodeplugs;

class DemoCodeplugsTest : public VirtualTimeTest {
protected:
    // The codeplug as the program's codeplug access sees it.
    void Load(const BuiltCodeplug& built) {
        codeplug_ = std::make_unique<CCodeplug>();
        ASSERT_TRUE(codeplug_->ReadCpImage(built.bytes));
    }

    std::unique_ptr<CCodeplug> codeplug_;
    std::vector<std::uint8_t> block_ = std::vector<std::uint8_t>(1024);
};

TEST_F(DemoCodeplugsTest, EveryModelsCodeplugIsWellFormedAndCarriesItsCodeplugCode) {
    for (const Model& model : Models()) {
        SCOPED_TRACE(model.name);
        const BuiltCodeplug built = Build(model);
        Load(built);
        std::ostringstream report;
        EXPECT_TRUE(CodeplugReport(report).Print(*codeplug_)) << report.str();
        EXPECT_EQ(codeplug_->GetRdkPtrs()->blockCount, kBlockCount);
        // Verification reads the code at 709 and cuts it at the first blank.
        const std::string code(built.bytes.begin() + kCodeplugCodeAddress,
                               built.bytes.begin() + kCodeplugCodeAddress + 10);
        EXPECT_EQ(code.substr(0, code.find(' ')), model.codeplugCode);
        EXPECT_LE(built.bytes.size(), 32768u);
    }
}

TEST_F(DemoCodeplugsTest, TheRadiosOwnDataLieWhereProgrammingPreservesThem) {
    const Model& model = Find("KX400S-EU");
    const BuiltCodeplug kit = Build(model);
    const BuiltCodeplug radio = Build(model, {"752TKX40001", 0x07, 12345});
    Load(radio);

    std::array<std::uint8_t, kIdentityBytes> identity{};
    ASSERT_EQ(codeplug_->ReadCpEntry(identity, kIdentityBlock, 0, 0), kIdentityBytes);
    EXPECT_EQ(std::string(identity.begin(), identity.begin() + kSerialNumberBytes), "752TKX40001");
    EXPECT_EQ(identity[kRegionalIdOffset], 0x07);
    std::array<std::uint8_t, kTuningBytes> tuning{};
    ASSERT_EQ(codeplug_->ReadCpEntry(tuning, kTuningBlock, 0, 0), kTuningBytes);

    // Only the serial number, the regional id and the tuning differ from the kit's image (and the
    // checksums over them).
    ASSERT_EQ(radio.bytes.size(), kit.bytes.size());
    const std::uint32_t tuningAt = radio.EntryAddress(kTuningBlock, 0, 0);
    const std::uint32_t identityAt = radio.EntryAddress(kIdentityBlock, 0, 0);
    for (std::size_t i = 0; i < kit.bytes.size(); ++i) {
        const bool own = (i >= tuningAt && i <= tuningAt + kTuningBytes) ||
                         (i >= identityAt && i < identityAt + kSerialNumberBytes) ||
                         i == identityAt + kRegionalIdOffset || i == radio.region3Start - 1;
        if (!own) {
            EXPECT_EQ(radio.bytes[i], kit.bytes[i]) << "byte " << i;
        }
    }
    EXPECT_NE(Bytes(radio.bytes.begin() + tuningAt, radio.bytes.begin() + tuningAt + kTuningBytes),
              Bytes(kit.bytes.begin() + tuningAt, kit.bytes.begin() + tuningAt + kTuningBytes));
}

TEST_F(DemoCodeplugsTest, TheDemoKitsPatchesFindTheirFields) {
    // KX-400: block 2C, list 1, entry 0, bytes 3 and 4; KX-600: block 31, list 2, entry 1, byte 0.
    struct Case {
        const char* model;
        std::uint16_t block;
        std::uint32_t list;
        std::uint32_t entry;
        std::uint32_t offset;
    };
    const Case cases[] = {{"KX400S-EU", 0x2C, 1, 0, 3},
                          {"KX400S-EU", 0x2C, 1, 0, 4},
                          {"KX400", 0x2C, 1, 0, 3},
                          {"KX400-EU", 0x2C, 1, 0, 4},
                          {"KX600", 0x31, 2, 1, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.model << " offset " << c.offset);
        Load(Build(Find(c.model)));
        const std::size_t length = *codeplug_->ReadCpBlock(block_, c.block);
        const std::span<std::uint8_t> block = std::span(block_).first(length);
        std::array<std::uint8_t, 1> field{};
        codeplug_->ReadCpField(field, block, c.list, c.entry, c.offset);
        field[0] ^= 0x0C;
        codeplug_->WriteCpField(field, block, c.list, c.entry, c.offset);
        codeplug_->WriteCpBlock(block, c.block);
        std::ostringstream report;
        EXPECT_TRUE(CodeplugReport(report).Print(*codeplug_)) << report.str();
    }
    EXPECT_THROW(Find("KX900"), std::invalid_argument);
}

}  // namespace
