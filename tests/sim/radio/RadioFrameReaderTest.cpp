#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/CSerial.h"
#include "radio/RadioFrameReader.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Kind = RadioFrameReader::Result::Kind;

constexpr std::uint64_t kCharacterNs = 1'041'667;  // 9600 baud
constexpr std::uint64_t kLongPauseNs = RadioFrameReader::kPauseNs + 1;

// A run of characters back to back, after a pause; `errors` marks one character with a framing error.
struct Burst {
    Bytes bytes;
    std::uint64_t pauseNs = kLongPauseNs;
    int errorAt = -1;
};

struct Seen {
    Kind kind;
    Bytes bytes;
    bool operator==(const Seen&) const = default;
};

std::vector<Seen> Feed(const std::vector<Burst>& bursts) {
    RadioFrameReader reader;
    std::vector<Seen> seen;
    std::uint64_t timeNs = 0;
    for (const Burst& burst : bursts) {
        timeNs += burst.pauseNs;
        for (std::size_t at = 0; at < burst.bytes.size(); ++at) {
            timeNs += kCharacterNs;
            const unsigned errors = static_cast<int>(at) == burst.errorAt ? CSerial::kFramingError : 0;
            for (const auto& result : reader.Take({burst.bytes[at], timeNs, errors}))
                seen.push_back({result.kind, result.bytes});
        }
    }
    return seen;
}

TEST(RadioFrameReaderTest, FramesBadChecksumsAndGarbageAsARadioTellsThemApart) {
    struct Case {
        const char* name;
        std::vector<Burst> bursts;
        std::vector<Seen> seen;
    };
    const Bytes status = {0xF2, 0x23, 0x05, 0xE5};
    const Bytes reset = {0xF1, 0x10, 0xFE};
    const Case cases[] = {
        {"short form", {{status}}, {{Kind::Frame, status}}},
        {"long form",
         {{{0xFF, 0x17, 0x00, 0x06, 0x40, 0x00, 0x00, 0xAA, 0xBB, 0x3E}}},
         {{Kind::Frame, {0xFF, 0x17, 0x00, 0x06, 0x40, 0x00, 0x00, 0xAA, 0xBB, 0x3E}}}},
        {"bad checksum", {{{0xF1, 0x10, 0xFF}}}, {{Kind::BadChecksum, {0xF1, 0x10, 0xFF}}}},
        {"no header mark: the rest of it is not heard",
         {{{0x12, 0x23, 0x05, 0xE5}}},
         {{Kind::Garbage, {0x12}}}},
        {"short size 0", {{{0xF0, 0x10, 0xFE}}}, {{Kind::Garbage, {0xF0}}}},
        {"long size beyond a byte",
         {{{0xFF, 0x17, 0x01, 0x00, 0x40}}},
         {{Kind::Garbage, {0xFF, 0x17, 0x01, 0x00}}}},
        {"long size 0", {{{0xFF, 0x17, 0x00, 0x00, 0x40}}}, {{Kind::Garbage, {0xFF, 0x17, 0x00, 0x00}}}},
        {"line error", {{status, kLongPauseNs, 1}}, {{Kind::Garbage, {0xF2, 0x23}}}},
        {"a frame left unfinished, then one after a pause",
         {{{0xF2, 0x23}}, {reset}},
         {{Kind::Garbage, {0xF2, 0x23}}, {Kind::Frame, reset}}},
        {"garbage, then a frame after a pause",
         {{{0x12}}, {reset}},
         {{Kind::Garbage, {0x12}}, {Kind::Frame, reset}}},
        {"garbage, then a frame without a pause", {{{0x12}}, {reset, 0}}, {{Kind::Garbage, {0x12}}}},
        {"two frames back to back", {{status}, {reset, 0}}, {{Kind::Frame, status}, {Kind::Frame, reset}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Feed(c.bursts), c.seen);
    }
}

TEST(RadioFrameReaderTest, AFrameCarriesItsOpcodeAndPayload) {
    RadioFrameReader reader;
    std::vector<RadioFrameReader::Result> results;
    std::uint64_t timeNs = 0;
    for (const std::uint8_t byte : Bytes{0xF5, 0x11, 0x02, 0x00, 0x12, 0x34, 0xB1}) {
        timeNs += kCharacterNs;
        results = reader.Take({byte, timeNs, 0});
    }
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].frame.opcode, 0x11);
    EXPECT_EQ(results[0].frame.payload, (Bytes{0x02, 0x00, 0x12, 0x34}));
}

TEST(RadioFrameTest, BuildsTheShortFormUpTo13PayloadBytesAndTheLongFormBeyond) {
    EXPECT_EQ(RadioFrame::Build(0x23, Bytes{0x05}), (Bytes{0xF2, 0x23, 0x05, 0xE5}));
    EXPECT_EQ(RadioFrame::Build(0x84, {}), (Bytes{0xF1, 0x84, 0x8A}));
    EXPECT_EQ(RadioFrame::Build(0x80, Bytes(13, 0x00)).front(), 0xFE);
    const Bytes longFrame = RadioFrame::Build(0x80, Bytes(14, 0x00));
    EXPECT_EQ(Bytes(longFrame.begin(), longFrame.begin() + 4), (Bytes{0xFF, 0x80, 0x00, 0x0F}));
    EXPECT_EQ(longFrame.size(), 19u);
    EXPECT_EQ(RadioFrame::Checksum(Bytes{0x61, 0x62, 0x63}), 0xD9);
}

}  // namespace
