#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "CodeplugBuilder.h"
#include "CodeplugFile.h"
#include "RaisedError.h"
#include "TestBytes.h"
#include "VirtualTimeTest.h"
#include "codeplug/CCodeplug.h"
#include "codeplug/CKDScodeplug.h"
#include "codeplug/CWrenCodeplug.h"
#include "codeplug/MakeCodeplug.h"
#include "errors/CErrorLog.h"

namespace {

using Region = CodeplugBuilder::Region;

// A codeplug with a block of every kind, in every region.
BuiltCodeplug Sample() {
    return CodeplugBuilder()
        .HeaderWords(0x0520, 0x0001)
        .Block(0x8000, Region::k1, BlockContent::Simple(4, {{1, 2, 3, 4}}).EntryChecksums())
        .Block(0x8002, Region::k1, BlockContent::Simple(2, {{9, 8}}).BlockChecksum())
        .Block(0x8004, Region::k1, BlockContent::Simple(1, {{7}}).Wide())
        .Block(0, Region::k2, BlockContent::Simple(12, {Ascending(0x30, 12)}))
        .Block(3, Region::k2,
               BlockContent::FixedLists(2, {{{1, 1}, {1, 2}}, {{2, 1}, {2, 2}}, {{3, 1}, {3, 2}}})
                   .ListChecksums())
        .Block(5, Region::k3,
               BlockContent::VariableLists(
                   2, {{{0xA0, 0xA1}, {0xA2, 0xA3}}, {}, {{0xC0, 0xC1}, {0xC2, 0xC3}, {0xC4, 0xC5}}}))
        .Block(7, Region::k3, BlockContent::Packed(3, {1, 2, 3, 4, 5}).BlockChecksum())
        .Block(9, Region::k3, BlockContent::Simple(300, {Ascending(0, 300)}).BlockChecksum())
        .Block(10, Region::k3,
               BlockContent::FixedLists(1, {{{1}, {2}}, {{3}, {4}}}).EntryChecksums().BlockChecksum())
        .Block(11, Region::kBeyond, BlockContent::Simple(2, {{0xBE, 0xEF}}))
        .BlockCount(12)
        .Build();
}

class CCodeplugImageTest : public VirtualTimeTest {
protected:
    void Load(const BuiltCodeplug& built) {
        built_ = built;
        file_.emplace(built.bytes);
        file_->LoadInto(codeplug_);
    }

    Bytes BytesAt(std::uint32_t address, std::uint32_t size) const {
        return Bytes(built_.bytes.begin() + address, built_.bytes.begin() + address + size);
    }

    std::vector<std::uint8_t> buffer_ = std::vector<std::uint8_t>(1024, 0xEE);
    BuiltCodeplug built_;
    std::optional<CodeplugFile> file_;
    CCodeplug codeplug_;
};

TEST_F(CCodeplugImageTest, ReadCpFileLoadsTheImageAndDerivesItsPointers) {
    const BuiltCodeplug built = Sample();
    EXPECT_EQ(CodeplugFile(built.bytes).LoadInto(codeplug_), 4096u / 32);
    EXPECT_EQ(codeplug_.GetCpSource(), CCodeplug::Source::kImage);
    EXPECT_TRUE(std::ranges::equal(codeplug_.ImageData(), built.bytes));

    CodeplugPointers expected;
    expected.codeplugEnd = built.region3Start + built.region3Length;
    expected.vectorTable = built.vector + 2;
    expected.blockCount = 12;
    expected.headerWordA1Plus4 = 0x0001;
    expected.headerWord9 = 0x0520;
    expected.region3Start = built.region3Start;
    expected.region2Start = built.region2Start;
    expected.region3Length = built.region3Length;
    expected.region2Length = built.region3Start - built.region2Start;
    expected.boundary = built.region2Start;
    expected.region3Checksum = 1;
    EXPECT_EQ(codeplug_.GetRdkPtrs(), expected);
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(CCodeplugImageTest, EveryKindOfBlockIsReadWhole) {
    Load(Sample());
    for (const BuiltCodeplug::Block& block : built_.blocks) {
        SCOPED_TRACE(testing::Message() << "block " << block.id);
        std::ranges::fill(buffer_, 0xEE);
        const std::optional<std::size_t> length = codeplug_.ReadCpBlock(buffer_, block.id);
        ASSERT_EQ(length, block.size);
        EXPECT_EQ(Bytes(buffer_.begin(), buffer_.begin() + block.size), BytesAt(block.address, block.size));
        EXPECT_EQ(buffer_[block.size], 0xEE) << "nothing past the block";
    }
}

TEST_F(CCodeplugImageTest, SpecialBlocksAreFoundThroughTheHeaderWords) {
    Load(Sample());
    const auto address = [&](std::uint16_t id) -> std::uint32_t {
        const BuiltCodeplug::Block* block = built_.Find(id);
        return block ? block->address : 0;
    };
    for (const std::uint16_t id : {0x8000, 0x8001, 0x8002, 0x8003, 0x8004, 0x8005, 0xFFFF})
        EXPECT_EQ(codeplug_.GetBlockVector(id), address(id)) << std::hex << id;
    EXPECT_EQ(codeplug_.GetBlockVector(0x8005), 0u);
    EXPECT_EQ(codeplug_.ReadCpBlock(buffer_, 0x8005), std::nullopt);
    EXPECT_EQ(codeplug_.ReadCpBlock(buffer_, 0x8001), std::nullopt);
    EXPECT_EQ(codeplug_.ReadCpBlock(buffer_, 12), std::nullopt) << "beyond the block count";
    EXPECT_EQ(codeplug_.ReadCpBlock(buffer_, 1), std::nullopt) << "a vector entry of 0";
    EXPECT_EQ(codeplug_.ReadCpBlock(buffer_, 0x8004), 5u);
}

TEST_F(CCodeplugImageTest, VariableSizeListsFollowEachOthersQuantityBytes) {
    // Quantities 2, 0, 3 with 2-byte entries: list 2's quantity byte follows list 1's at once, or
    // after list 1's checksum byte when the lists carry checksums.
    struct Case {
        bool listChecksums;
        std::vector<std::uint64_t> offsets;  // of lists 0, 1, 2 from the list data
        std::uint64_t blockSize;
    };
    for (const Case& c : {Case{false, {0, 5, 6}, 5 + 5 + 1 + 7}, Case{true, {0, 6, 8}, 5 + 6 + 2 + 8}}) {
        SCOPED_TRACE(c.listChecksums ? "with list checksums" : "without list checksums");
        BlockContent content = BlockContent::VariableLists(
            2, {{{0xA0, 0xA1}, {0xA2, 0xA3}}, {}, {{0xC0, 0xC1}, {0xC2, 0xC3}, {0xC4, 0xC5}}});
        content.listChecksums = c.listChecksums;
        Load(CodeplugBuilder().Block(5, Region::k3, content).Build());
        const std::uint32_t address = built_.Find(5)->address;
        ASSERT_TRUE(codeplug_.GetBlockInfo(address));
        EXPECT_EQ(codeplug_.CurrentBlock().blockSize, c.blockSize);
        const std::uint32_t quantities[] = {2, 0, 3};
        for (std::uint32_t list = 0; list < 3; ++list) {
            EXPECT_EQ(codeplug_.CalcListOfs(list), c.offsets[list]);
            EXPECT_EQ(codeplug_.CurrentBlock().entryQuantity, quantities[list]);
        }
        EXPECT_EQ(built_.bytes[address + 6 + c.offsets[2] - 1], 3) << "list 2's quantity byte";

        const std::size_t length = *codeplug_.ReadCpBlock(buffer_, 5);
        std::array<std::uint8_t, 2> field{};
        codeplug_.ReadCpField(field, std::span(buffer_).first(length), 2, 2, 0);
        EXPECT_EQ(field, (std::array<std::uint8_t, 2>{0xC4, 0xC5}));
        std::array<std::uint8_t, 2> entry{};
        EXPECT_EQ(codeplug_.ReadCpEntry(entry, 5, 0, 1), 2u);
        EXPECT_EQ(entry, (std::array<std::uint8_t, 2>{0xA2, 0xA3}));
    }
}

TEST_F(CCodeplugImageTest, AnEntryPastItsOwnListsQuantityIsOutOfRange) {
    // List 0 holds two entries, list 1 none: entry 0 of list 1 would be list 2's quantity byte.
    Load(Sample());
    const std::size_t length = *codeplug_.ReadCpBlock(buffer_, 5);
    std::array<std::uint8_t, 1> field{0x55};
    EXPECT_EQ(RaisedBy([&] { codeplug_.WriteCpField(field, std::span(buffer_).first(length), 1, 0, 0); }),
              GenError(3, "The requested list is out of range"));
    EXPECT_TRUE(LogHas("CCodeplug::WriteCpField: Actual list qty = 3, entry qty = 0 and entry size = 2"));
    EXPECT_EQ(RaisedBy([&] { codeplug_.ReadCpEntry(buffer_, 5, 1, 0); }),
              GenError(3, "The requested list is out of range"));
    EXPECT_TRUE(std::ranges::equal(codeplug_.ImageData(), built_.bytes));
}

TEST_F(CCodeplugImageTest, RequestsOutsideTheBlockAreRefusedWithTheirLogLines) {
    Load(Sample());
    const std::size_t length = *codeplug_.ReadCpBlock(buffer_, 3);  // 3 lists of 2 entries of 2 bytes
    const std::span<std::uint8_t> block = std::span(buffer_).first(length);
    std::array<std::uint8_t, 2> two{};
    struct Case {
        const char* what;
        std::function<void()> action;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"entry of list 3",
         [&] { codeplug_.ReadCpEntry(buffer_, 3, 3, 0); },
         {"CCodeplug::ReadCpEntry: Requested list = 3 and entry = 0, Actual list qty = 3 and entry qty = 2"}},
        {"entry 2",
         [&] { codeplug_.ReadCpEntry(buffer_, 3, 0, 2); },
         {"CCodeplug::ReadCpEntry: Requested list = 0 and entry = 2, Actual list qty = 3 and entry qty = 2"}},
        {"read past the entry",
         [&] { codeplug_.ReadCpField(two, block, 1, 1, 1); },
         {"CCodeplug::ReadCpField: Requested list = 1, entry = 1 and field offset = 1",
          "CCodeplug::ReadCpField: Actual list qty = 3, entry qty = 2 and entry size = 2"}},
        {"write past the entry",
         [&] { codeplug_.WriteCpField(two, block, 0, 0, 1); },
         {"CCodeplug::WriteCpField: Requested list = 0, entry = 0 and field offset = 1",
          "CCodeplug::WriteCpField: Actual list qty = 3, entry qty = 2 and entry size = 2"}},
        {"write by id to entry 2",
         [&] { codeplug_.WriteCpField(two, std::uint16_t{3}, 2, 2, 0); },
         {"CCodeplug::WriteCpField: Requested list = 2, entry = 2 and field offset = 0",
          "CCodeplug::WriteCpField: Actual list qty = 3, entry qty = 2 and entry size = 2"}},
        {"list 1 of a simple block",
         [&] { codeplug_.WriteCpField(two, std::uint16_t{0}, 1, 0, 0); },
         {"CCodeplug::WriteCpField: Requested list = 1, entry = 0 and field offset = 0",
          "CCodeplug::WriteCpField: Actual list qty = 0, entry qty = 1 and entry size = 12"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ErrorLog().ClearAuxLog();
        EXPECT_EQ(RaisedBy(c.action), GenError(3, "The requested list is out of range"));
        EXPECT_EQ(LogLines(), c.lines);
    }
    EXPECT_TRUE(std::ranges::equal(codeplug_.ImageData(), built_.bytes));
}

TEST_F(CCodeplugImageTest, MissingAndNonStandardBlocksAreReported) {
    Load(CodeplugBuilder()
             .Block(0, Region::k2, BlockContent::Simple(2, {{1, 2}}))
             .VectorEntry(6, 2)
             .BlockCount(8)
             .Build());
    std::array<std::uint8_t, 1> one{};
    struct Case {
        const char* what;
        std::function<void()> action;
        RaisedError error;
        std::string line;
    };
    const Case cases[] = {
        {"entry of a missing block", [&] { codeplug_.ReadCpEntry(buffer_, 4, 0, 0); },
         GenError(3, "Unable to find codeplug block id = 4"),
         "CCodeplug::ReadCpBlock: Unable to find codeplug block"},
        {"write of a missing block", [&] { codeplug_.WriteCpBlock(buffer_, 7); },
         GenError(3, "Unable to find codeplug block id = 7"),
         "CCodeplug::WriteCpBlock: Unable to find codeplug block"},
        {"field of a missing block", [&] { codeplug_.WriteCpField(one, std::uint16_t{0x8003}, 0, 0, 0); },
         GenError(3, "Unable to find codeplug block id = 32771"),
         "CCodeplug::WriteCpField: Unable to find codeplug block"},
        {"read of a non-standard block", [&] { codeplug_.ReadCpBlock(buffer_, 6); },
         GenError(3, "Read block header failed"), "CCodeplug::GetBlockInfo: Accessing non-standard block"},
        {"write of a non-standard block", [&] { codeplug_.WriteCpBlock(buffer_, 6); },
         GenError(3, "Read block header failed"), "CCodeplug::GetBlockInfo: Accessing non-standard block"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ErrorLog().ClearAuxLog();
        EXPECT_EQ(RaisedBy(c.action), c.error);
        EXPECT_EQ(LogLines(), std::vector<std::string>{c.line});
    }
    EXPECT_EQ(codeplug_.ReadCpBlock(buffer_, 4), std::nullopt);
}

TEST_F(CCodeplugImageTest, ABlockLargerThanTheBufferIsRefusedUntouched) {
    Load(Sample());
    const std::uint32_t size = built_.Find(9)->size;
    std::vector<std::uint8_t> small(size - 1, 0xEE);
    EXPECT_EQ(RaisedBy([&] { codeplug_.ReadCpBlock(small, 9); }),
              GenError(3, "The buffer is too small for codeplug block id = 9"));
    EXPECT_TRUE(std::ranges::all_of(small, [](std::uint8_t b) { return b == 0xEE; }));
    EXPECT_EQ(RaisedBy([&] { codeplug_.WriteCpBlock(small, 9); }),
              GenError(3, "The buffer is too small for codeplug block id = 9"));
    std::vector<std::uint8_t> entry(299);
    EXPECT_EQ(RaisedBy([&] { codeplug_.ReadCpEntry(entry, 9, 0, 0); }),
              GenError(3, "The buffer is too small for codeplug block id = 9"));
    EXPECT_TRUE(std::ranges::equal(codeplug_.ImageData(), built_.bytes));
}

TEST_F(CCodeplugImageTest, WriteCpBlockWritesTheBlockAndNothingElse) {
    Load(Sample());
    const BuiltCodeplug::Block& block = *built_.Find(3);
    const std::size_t length = *codeplug_.ReadCpBlock(buffer_, 3);
    buffer_[6] = 0x77;  // list 0, entry 0, byte 0; the block's checksums are the caller's business
    buffer_[length] = 0x99;
    EXPECT_EQ(codeplug_.WriteCpBlock(buffer_, 3), length);
    Bytes expected = built_.bytes;
    expected[block.address + 6] = 0x77;
    EXPECT_TRUE(std::ranges::equal(codeplug_.ImageData(), expected));
}

TEST_F(CCodeplugImageTest, PointersLeadingOutOfTheImageLeaveNoPointers) {
    const BuiltCodeplug sample = Sample();
    struct Case {
        const char* what;
        std::uint32_t wordAt;
    };
    const Case cases[] = {
        {"A0", 0},
        {"L1", sample.region2Start},
        {"L2", sample.region3Start + 2},
        {"V", sample.region3Start + 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes broken = sample.bytes;
        broken[c.wordAt] = 0x0F;  // 0x0Fxx: inside the 4096-byte buffer, past the data
        Load(sample);
        file_.emplace(broken);
        file_->LoadInto(codeplug_);
        EXPECT_EQ(codeplug_.GetRdkPtrs(), std::nullopt);
        EXPECT_EQ(LogLines().back(), "CCodeplug::InitRdkPtrs: Initialization of ADK codeplug format failed");
        EXPECT_EQ(RaisedBy([&] { codeplug_.ReadCpBlock(buffer_, 0); }),
                  GenError(3, "Unable to determine external codeplug format"));
        EXPECT_EQ(RaisedBy([&] { codeplug_.ReadCpEntry(buffer_, 0, 0, 0); }),
                  GenError(3, "Unable to determine external codeplug format"));
        EXPECT_EQ(RaisedBy([&] { codeplug_.WriteCpBlock(buffer_, 0); }),
                  GenError(3, "Unable to determine codeplug format"));
        std::array<std::uint8_t, 1> one{};
        EXPECT_EQ(RaisedBy([&] { codeplug_.WriteCpField(one, std::uint16_t{0}, 0, 0, 0); }),
                  GenError(3, "Unable to determine codeplug format"));
    }
}

TEST_F(CCodeplugImageTest, TheByteAfterTheCodeplugEndMustBeInTheImage) {
    // Programming the whole codeplug writes up to the codeplug end + 1, whatever region 3's flag says.
    struct Case {
        const char* what;
        bool region3Checksum;
        Bytes beyond;
        bool valid;
    };
    const Case cases[] = {
        {"region 3's checksum byte ends the image", true, {}, true},
        {"region 3 without a checksum byte ends the image", false, {}, false},
        {"one byte after region 3 without a checksum byte", false, {0xFF}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CodeplugBuilder builder;
        builder.Region3Checksum(c.region3Checksum)
            .Block(0, Region::k2, BlockContent::Simple(12, {Ascending(0x30, 12)}))
            .Block(1, Region::k3, BlockContent::Simple(2, {{1, 2}}));
        if (!c.beyond.empty())
            builder.Raw(Region::kBeyond, c.beyond);
        const BuiltCodeplug built = builder.Build();
        ASSERT_EQ(built.bytes.size(), built.region3Start + built.region3Length + (c.valid ? 1 : 0));
        Load(built);
        EXPECT_EQ(codeplug_.GetRdkPtrs().has_value(), c.valid);
    }
}

TEST_F(CCodeplugImageTest, BlocksRunningPastTheImageEndFailCleanly) {
    struct Case {
        const char* what;
        Bytes tail;  // the last bytes of the image, where block 1 lies
        RaisedError error;
        std::string lastLine;
    };
    const Case cases[] = {
        {"a header that ends with the image",
         {0x01, 0x00},
         GenError(3, "Read block header failed"),
         "CCodeplug::GetBlockInfo: Unable to read external device to get block information"},
        {"entries that run past it", {0x00, 0x08, 0x03, 0x00}, GenError(3, "Access out of codeplug"), ""},
        {"a list quantity past it",
         {0x04, 0x00, 0x02, 0x00, 0x01, 0x01, 0x55},
         GenError(3, "Read block header failed"),
         "CCodeplug::CalcBlkSize: Read entry quantity for list 1 failed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::size_t imageSize = CodeplugBuilder().BlockCount(2).Build().bytes.size();
        Load(CodeplugBuilder()
                 .Raw(Region::kBeyond, c.tail)
                 .VectorEntry(0, 0xF000)
                 .VectorEntry(1, static_cast<std::uint32_t>(imageSize))
                 .Build());
        ASSERT_EQ(built_.bytes.size(), imageSize + c.tail.size());
        ErrorLog().ClearAuxLog();
        EXPECT_EQ(RaisedBy([&] { codeplug_.ReadCpBlock(buffer_, 1); }), c.error);
        if (!c.lastLine.empty()) {
            EXPECT_EQ(LogLines().back(), c.lastLine);
        }
    }
    EXPECT_EQ(RaisedBy([&] { codeplug_.ReadCpBlock(buffer_, 0); }), GenError(3, "Read block header failed"));
    EXPECT_TRUE(LogHas("Access out of codeplug"));
}

TEST_F(CCodeplugImageTest, AVectorEntryPastTheImageIsLoggedAsAnImageFailure) {
    BuiltCodeplug built = CodeplugBuilder().BlockCount(2).Build();
    built.bytes[built.vector] = 0x70;  // a block count of 0x7002: a vector far longer than the image
    Load(built);
    ErrorLog().ClearAuxLog();
    EXPECT_EQ(RaisedBy([&] { codeplug_.ReadCpBlock(buffer_, 0x6000); }),
              GenError(3, "Access out of codeplug"));
    EXPECT_EQ(LogLines().back(),
              "CCodeplug::GetBlockVector: Read vector (block 24576) from codeplug image failed");
}

TEST_F(CCodeplugImageTest, AnInvalidFirstRecordOnlyLeavesALogLineButADamagedRecordIsAnError) {
    const BuiltCodeplug built = Sample();
    const std::string text = CodeplugFile(built.bytes).Text();
    // A header record first: no data record, so the first-record check fails, but the records parse.
    const std::string headed = "S00F000068656C6C6F202020202000003C\r\n" + text;
    SRecord reader;
    reader.AttachText(headed);
    codeplug_.ReadCpFile(reader);
    EXPECT_EQ(LogLines(), std::vector<std::string>{"CCodeplug::ReadCpFile: Invalid SRecord file format"});
    EXPECT_TRUE(std::ranges::equal(codeplug_.ImageData(), built.bytes));
    EXPECT_TRUE(codeplug_.GetRdkPtrs().has_value());

    std::string damaged = text;
    damaged[damaged.find('\r') - 1] ^= 0x01;  // the first record's checksum digit
    reader.AttachText(damaged);
    EXPECT_EQ(RaisedBy([&] { codeplug_.ReadCpFile(reader); }), GenError(3, "Error in reading codeplug file"));
}

TEST_F(CCodeplugImageTest, DataBeyondTheFirstRecordsEstimateAreAnError) {
    // A first record of one byte sizes the buffer at 4096 bytes; 5000 bytes follow.
    std::string text = WriteSRecords(Bytes(1, 0), {.address = 0, .recordBytes = 1});
    text.resize(text.find("S9"));
    text += WriteSRecords(Bytes(5000, 0x11), {.address = 1, .recordBytes = 250});
    SRecord reader;
    reader.AttachText(text);
    EXPECT_EQ(RaisedBy([&] { codeplug_.ReadCpFile(reader); }), GenError(3, "Error in reading codeplug file"));
    EXPECT_TRUE(LogHas("CCodeplug::ReadCpFile: Read file to buffer failed"));
}

TEST_F(CCodeplugImageTest, ThePlainFormatDerivesPointersOnlyWhenABlockIsAsked) {
    codeplug_.SetCpFormat(CCodeplug::kPlainFormat, 0x1234);
    Load(Sample());
    EXPECT_EQ(codeplug_.GetRdkPtrs(), std::nullopt);
    EXPECT_EQ(codeplug_.ReadCpBlock(buffer_, 0), 15u);
    EXPECT_EQ(codeplug_.GetRdkPtrs()->blockCount, 12u);
}

TEST(MakeCodeplugTest, TheKitsCodeplugTypeChoosesTheLayout) {
    for (const int type : {0, 1, 2, 3, 4, -1}) {
        const std::unique_ptr<CCodeplug> codeplug = MakeCodeplug(type);
        EXPECT_EQ(codeplug->FormatType(), type);
        EXPECT_EQ(dynamic_cast<CWrenCodeplug*>(codeplug.get()) != nullptr, type == 2) << type;
        EXPECT_EQ(dynamic_cast<CKDScodeplug*>(codeplug.get()) != nullptr, type == 3) << type;
        EXPECT_EQ(codeplug->GetRdkPtrs(), std::nullopt);
    }
}

}  // namespace
