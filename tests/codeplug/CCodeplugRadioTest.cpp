#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <numeric>
#include <vector>

#include "CodeplugBuilder.h"
#include "MemoryRadioPeer.h"
#include "RaisedError.h"
#include "SimSerialTest.h"
#include "TestBytes.h"
#include "codeplug/CCodeplug.h"
#include "codeplug/CKDScodeplug.h"
#include "codeplug/CWrenCodeplug.h"
#include "errors/CErrorLog.h"

namespace {

using Region = CodeplugBuilder::Region;
using Request = MemoryRadioPeer::Request;
using Requests = std::vector<Request>;

constexpr std::uint8_t kRead = 0x11;
constexpr std::uint8_t kWrite = 0x17;
constexpr std::uint8_t kReset = 0x10;
constexpr std::size_t kRadioMemoryBytes = 0x1000;

// A codeplug in the radio's memory, reached through the codeplug's own broker on a SimLine.
class CCodeplugRadioTest : public SimSerialTest {
protected:
    void Radio(Bytes memory) {
        memory.resize(kRadioMemoryBytes, 0xFF);
        radio_ = std::make_shared<MemoryRadioPeer>(std::move(memory));
        Line().AttachPeer(radio_);
    }
    void Radio(const BuiltCodeplug& built) {
        built_ = built;
        Radio(built.bytes);
    }
    void Start(CCodeplug& codeplug) {
        codeplug.SetCommParams(kPort, 0);
        codeplug.StartCpAccess(0);
    }
    // The reads InitRdkPtrs makes of the built codeplug.
    Requests PointerReads() const {
        return {{kRead, 0, 11},
                {kRead, built_.region2Start, 2},
                {kRead, built_.region3Start, 8},
                {kRead, built_.vector, 2}};
    }
    std::uint32_t VectorEntry(std::uint16_t id) const { return built_.vector + 2 + 2u * id; }
    std::uint32_t AddressOf(std::uint16_t id) const { return built_.Find(id)->address; }

    BuiltCodeplug built_;
    std::shared_ptr<MemoryRadioPeer> radio_;
    std::vector<std::uint8_t> buffer_ = std::vector<std::uint8_t>(1024);
};

BuiltCodeplug Sample(bool region3Checksum = true) {
    return CodeplugBuilder()
        .Region3Checksum(region3Checksum)
        .Block(0x8000, Region::k1, BlockContent::Simple(2, {{0x11, 0x22}}).EntryChecksums())
        .Block(0, Region::k2, BlockContent::Simple(12, {Ascending(0x30, 12)}))
        .Block(2, Region::k3, BlockContent::Simple(61, {Ascending(0, 61)}))  // 64 bytes with its header
        .Block(
            4, Region::k3,
            BlockContent::VariableLists(1, {{{0xA0}, {0xA1}}, {}, {{0xC0}, {0xC1}, {0xC2}}}).ListChecksums())
        .BlockCount(6)
        .Build();
}

TEST_F(CCodeplugRadioTest, AccessOpensThePortWithTheCodeplugTimeoutsAndEndsWithAReset) {
    Radio(Sample());
    CCodeplug codeplug;
    codeplug.StartCpAccess(1);
    EXPECT_FALSE(codeplug.AccessStarted()) << "a flag other than 0 does nothing";
    Start(codeplug);
    EXPECT_TRUE(codeplug.AccessStarted());
    EXPECT_TRUE(codeplug.Broker().PortOpen);
    EXPECT_EQ(codeplug.Broker().Comm().GetPort(), kPort);
    EXPECT_EQ(codeplug.Broker().Comm().ReplyTimeoutMs, 500u);
    EXPECT_EQ(codeplug.Broker().Comm().PostDelayMs, 15u);
    EXPECT_EQ(codeplug.GetCpSource(), CCodeplug::Source::kRadio);
    codeplug.Broker().Comm().PostDelayMs = 2;
    codeplug.StartCpAccess(0);
    EXPECT_EQ(codeplug.Broker().Comm().PostDelayMs, 2u) << "a second start changes nothing";

    codeplug.StopCpAccess(1);
    EXPECT_EQ(radio_->Requests(), (Requests{{kReset, 0, 0}}));
    EXPECT_FALSE(codeplug.AccessStarted());
    EXPECT_FALSE(codeplug.Broker().PortOpen);
    EXPECT_EQ(codeplug.Broker().Comm().GetPort(), 0u);
    EXPECT_NE(Platform().GetSerial(), nullptr) << "the port was given back";
    Platform().ReleaseSerial();
}

TEST_F(CCodeplugRadioTest, APortThatCannotBeOpenedIsGivenBack) {
    Radio(Sample());
    CCodeplug codeplug;
    codeplug.SetCommParams(kPort + 1, 0);
    EXPECT_EQ(RaisedBy([&] { codeplug.StartCpAccess(0); }), GenError(3, "Unable to open communication port"));
    EXPECT_FALSE(codeplug.AccessStarted());
    EXPECT_NE(Platform().GetSerial(), nullptr) << "while the codeplug object lives on";
    Platform().ReleaseSerial();
}

TEST_F(CCodeplugRadioTest, AFailedResetIsOnlyLoggedAndTheDestructorSendsNone) {
    Radio(Sample());
    radio_->FailReset();
    {
        CCodeplug codeplug;
        Start(codeplug);
        codeplug.StopCpAccess(1);
        EXPECT_EQ(LogLines().back(), "CCodeplug::StopCpAccess: Reset radio command failed");
        EXPECT_FALSE(codeplug.Broker().PortOpen);
    }
    {
        CCodeplug codeplug;
        Start(codeplug);
    }
    EXPECT_TRUE(radio_->Requests().empty());
    EXPECT_NE(Platform().GetSerial(), nullptr) << "the destructor gave the port back";
    Platform().ReleaseSerial();
}

TEST_F(CCodeplugRadioTest, ThePointersComeFromFourReadsAndTheEndTakesInRegion3sChecksum) {
    for (const bool region3Checksum : {true, false}) {
        SCOPED_TRACE(region3Checksum ? "region 3 with its checksum byte" : "region 3 without one");
        Radio(Sample(region3Checksum));
        CCodeplug codeplug;
        Start(codeplug);
        ASSERT_TRUE(codeplug.InitRdkPtrs());
        EXPECT_EQ(radio_->Requests(), PointerReads());
        const CodeplugPointers pointers = *codeplug.GetRdkPtrs();
        EXPECT_EQ(pointers.codeplugEnd,
                  built_.region3Start + built_.region3Length + (region3Checksum ? 1 : 0));
        EXPECT_EQ(pointers.region3Checksum, region3Checksum ? 1 : 0);
        EXPECT_EQ(pointers.blockCount, 6u);
        EXPECT_EQ(pointers.boundary, built_.region2Start);
        codeplug.StopCpAccess(0);
    }
}

TEST_F(CCodeplugRadioTest, AMissingBlockCostsNoTrafficBeyondThePointers) {
    Radio(Sample());
    CCodeplug codeplug;
    Start(codeplug);
    EXPECT_EQ(codeplug.ReadCpBlock(buffer_, 6), std::nullopt);
    EXPECT_EQ(codeplug.ReadCpBlock(buffer_, 0x8005), std::nullopt);
    EXPECT_EQ(radio_->Requests(), PointerReads());
}

TEST_F(CCodeplugRadioTest, A64ByteBlockIsReadAsTwo32ByteRequests) {
    Radio(Sample());
    CCodeplug codeplug;
    Start(codeplug);
    EXPECT_EQ(codeplug.ReadCpBlock(buffer_, 2), 64u);
    const std::uint32_t block = AddressOf(2);
    Requests expected = PointerReads();
    expected.insert(
        expected.end(),
        {{kRead, VectorEntry(2), 2}, {kRead, block, 4}, {kRead, block, 32}, {kRead, block + 32, 32}});
    EXPECT_EQ(radio_->Requests(), expected);
    EXPECT_TRUE(std::equal(buffer_.begin(), buffer_.begin() + 64, built_.bytes.begin() + block));
}

TEST_F(CCodeplugRadioTest, VariableListQuantitiesAreReadFromTheRadio) {
    Radio(Sample());
    CCodeplug codeplug;
    Start(codeplug);
    ASSERT_TRUE(codeplug.InitRdkPtrs());
    radio_->ClearRequests();
    std::array<std::uint8_t, 1> entry{};
    EXPECT_EQ(codeplug.ReadCpEntry(entry, 4, 2, 2), 1u);
    EXPECT_EQ(entry[0], 0xC2);
    // Lists of 2, 0 and 3 one-byte entries with list checksums: list 1's quantity at block offset 9,
    // list 2's right after list 1's checksum byte, at 11.
    const std::uint32_t block = AddressOf(4);
    const Requests expected = {
        {kRead, VectorEntry(4), 2},
        {kRead, block, 4},
        {kRead, block + 3, 4},  // the two headers
        {kRead, block + 9, 1},
        {kRead, block + 11, 1},  // the block's size
        {kRead, block + 9, 1},
        {kRead, block + 11, 1},  // list 2's offset
        {kRead, built_.EntryAddress(4, 2, 2), 1},
    };
    EXPECT_EQ(radio_->Requests(), expected);
}

TEST_F(CCodeplugRadioTest, AFieldWriteAdjustsTheChecksumByteInTheRadio) {
    Radio(Sample());
    CCodeplug codeplug;
    Start(codeplug);
    ASSERT_TRUE(codeplug.InitRdkPtrs());
    const std::uint32_t entry = built_.EntryAddress(0x8000, 0, 0);
    radio_->Memory()[entry + 2] = 0x50;  // 0x11 0x22 under a checksum byte of 0x50
    radio_->ClearRequests();
    codeplug.WriteCpField(Bytes{0x10, 0x20}, std::uint16_t{0x8000}, 0, 0, 0);
    EXPECT_EQ(Bytes(radio_->Memory().begin() + entry, radio_->Memory().begin() + entry + 3),
              (Bytes{0x10, 0x20, 0x53}));
    const std::uint32_t block = AddressOf(0x8000);
    const Requests expected = {
        {kRead, 11, 2},        {kRead, block, 4},      // the special block's address, its header
        {kRead, entry, 2},     {kWrite, entry, 2},     // the field: old bytes, new bytes
        {kRead, entry + 2, 1}, {kWrite, entry + 2, 1}  // its checksum byte
    };
    EXPECT_EQ(radio_->Requests(), expected);
}

TEST_F(CCodeplugRadioTest, ARadioFailureNamesTheOperationAndTheFailingChunk) {
    Radio(Sample());
    const std::uint32_t block2 = AddressOf(2);
    const std::uint32_t entry = built_.EntryAddress(0x8000, 0, 0);
    struct Case {
        const char* what;
        std::uint32_t failAt;
        std::function<void(CCodeplug&)> action;
        std::string line;
        std::string text;
    };
    const std::string readFailed = "General communication error while reading codeplug";
    const std::string writeFailed = "General communication error while writing codeplug";
    const Case cases[] = {
        {"ReadCpBlock", block2 + 40, [&](CCodeplug& c) { c.ReadCpBlock(buffer_, 2); },
         "CCodeplug::ReadCpBlock: Read radio codeplug failed at address " + LoggedAddress(block2 + 32),
         readFailed},
        {"ReadCpEntry", block2 + 40, [&](CCodeplug& c) { c.ReadCpEntry(buffer_, 2, 0, 0); },
         "CCodeplug::ReadCpEntry: Read radio codeplug failed at address " + LoggedAddress(block2 + 35),
         readFailed},
        {"WriteCpBlock", block2 + 63,
         [&](CCodeplug& c) {
             std::copy(built_.bytes.begin() + block2, built_.bytes.begin() + block2 + 64, buffer_.begin());
             c.WriteCpBlock(buffer_, 2);
         },
         "CCodeplug::WriteCpBlock: Write radio codeplug failed at address " + LoggedAddress(block2 + 32),
         writeFailed},
        {"WriteCpField", entry + 2,
         [&](CCodeplug& c) {
             c.WriteCpField(Bytes{1, 2}, std::uint16_t{0x8000}, 0, 0, 0);
         },
         "CCodeplug::WriteCpField: Write radio codeplug failed at address " + LoggedAddress(entry + 2),
         writeFailed},
        {"ReadCpAddress", 0x100, [&](CCodeplug& c) { c.ReadCpAddress(std::span(buffer_).first(40), 0xE0); },
         "CCodeplug::ReadCpField: Read radio codeplug failed at address 100", readFailed},
        {"a vector entry", VectorEntry(2), [&](CCodeplug& c) { c.ReadCpBlock(buffer_, 2); },
         "CCodeplug::GetBlockVector: Read vector (block 2) from radio failed", readFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Radio(built_);
        radio_->FailAt(c.failAt);
        CCodeplug codeplug;
        Start(codeplug);
        ASSERT_TRUE(codeplug.InitRdkPtrs());
        ErrorLog().ClearAuxLog();
        EXPECT_EQ(RaisedBy([&] { c.action(codeplug); }), GenError(3, c.text));
        const std::vector<std::string> lines = LogLines();
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines.back(), c.line);
        EXPECT_EQ(lines[lines.size() - 2], "Received NACK from external device");
    }
}

TEST_F(CCodeplugRadioTest, ProbesThatCannotReadTheRadioReportFalse) {
    Radio(Sample());
    radio_->FailAt(built_.region3Start + 7);
    {
        CCodeplug codeplug;
        Start(codeplug);
        EXPECT_FALSE(codeplug.InitRdkPtrs());
        EXPECT_EQ(LogLines().back(), "CCodeplug::InitRdkPtrs: Initialization of ADK codeplug format failed");
        EXPECT_EQ(RaisedBy([&] { codeplug.ReadCpBlock(buffer_, 0); }),
                  GenError(3, "Unable to determine external codeplug format"));
    }

    Radio(built_);
    radio_->FailAt(AddressOf(4) + 11);  // list 2's quantity
    CCodeplug other;
    Start(other);
    EXPECT_EQ(RaisedBy([&] { other.ReadCpBlock(buffer_, 4); }), GenError(3, "Read block header failed"));
    EXPECT_EQ(LogLines().back(), "CCodeplug::CalcBlkSize: Read entry quantity for list 2 failed");
    EXPECT_FALSE(other.GetBlockInfo(kRadioMemoryBytes));
    EXPECT_EQ(LogLines().back(),
              "CCodeplug::GetBlockInfo: Unable to read external device to get block information");
}

TEST_F(CCodeplugRadioTest, ABlockLargerThanTheBufferIsRefusedBeforeItsDataAreRead) {
    Radio(Sample());
    CCodeplug codeplug;
    Start(codeplug);
    std::vector<std::uint8_t> small(63);
    EXPECT_EQ(RaisedBy([&] { codeplug.ReadCpBlock(small, 2); }),
              GenError(3, "The buffer is too small for codeplug block id = 2"));
    EXPECT_EQ(radio_->Requests().back(), (Request{kRead, AddressOf(2), 4})) << "only the header was read";
    radio_->ClearRequests();
    EXPECT_EQ(RaisedBy([&] { codeplug.WriteCpBlock(small, 2); }),
              GenError(3, "The buffer is too small for codeplug block id = 2"));
    EXPECT_TRUE(std::none_of(radio_->Requests().begin(), radio_->Requests().end(),
                             [](const Request& r) { return r.opcode == kWrite; }));
}

TEST_F(CCodeplugRadioTest, WrenBlock56IsFoundThrough48And54And55AndCached) {
    Bytes memory(kRadioMemoryBytes, 0);
    const auto word = [&](std::uint32_t at, std::uint16_t value) {
        memory[at] = static_cast<std::uint8_t>(value >> 8);
        memory[at + 1] = static_cast<std::uint8_t>(value);
    };
    word(0x300 + 44, 0x400);  // B54
    word(0x400 + 2, 0x480);   // B55
    word(0x480 + 4, 0x500);   // B56
    Radio(memory);
    CWrenCodeplug codeplug;
    Start(codeplug);
    EXPECT_EQ(codeplug.GetBlockVector(56), 0x500u);
    EXPECT_EQ(radio_->Requests(), (Requests{{kRead, 0x300 + 44, 2}, {kRead, 0x402, 2}, {kRead, 0x484, 2}}));
    radio_->ClearRequests();
    EXPECT_EQ(codeplug.GetBlockVector(56), 0x500u);
    EXPECT_EQ(codeplug.GetBlockVector(55), 0x480u);
    EXPECT_EQ(codeplug.GetBlockVector(54), 0x400u);
    EXPECT_EQ(codeplug.GetBlockVector(48), 0x300u);
    EXPECT_TRUE(radio_->Requests().empty());
}

TEST_F(CCodeplugRadioTest, KdsBlock139MovesWithTheModeAndTravelsIn32ByteChunks) {
    Radio(Ascending(0, 0x400));
    CKDScodeplug codeplug;
    codeplug.SetExternalCodeplug("", "01");
    codeplug.SetCpMode(1);
    Start(codeplug);
    EXPECT_EQ(codeplug.ReadCpBlock(buffer_, 139), 70u);
    EXPECT_EQ(radio_->Requests(), (Requests{{kRead, 523, 32}, {kRead, 555, 32}, {kRead, 587, 6}}));
    radio_->ClearRequests();
    codeplug.SetCpMode(0);
    EXPECT_EQ(codeplug.WriteCpBlock(buffer_, 139), 72u);
    EXPECT_EQ(radio_->Requests(), (Requests{{kWrite, 651, 32}, {kWrite, 683, 32}, {kWrite, 715, 8}}));
    const std::uint8_t sum = static_cast<std::uint8_t>(
        std::accumulate(radio_->Memory().begin() + 651, radio_->Memory().begin() + 651 + 72, 0u));
    EXPECT_EQ(sum, 0x5A);
}

}  // namespace
