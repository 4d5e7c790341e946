#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "KwipFrames.h"
#include "RaisedError.h"
#include "kwip/CKwipMessage.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(CKwipMessageTest, BuildsTheWorkedRequestFramesByteForByte) {
    struct Case {
        const char* name;
        std::function<std::uint8_t(CKwipMessage&)> build;
        Bytes frame;
    };
    const Case cases[] = {
        {"radio status 5", [](CKwipMessage& m) { return m.BuildByte(0x23, 0x05); }, {0xF2, 0x23, 0x05, 0xE5}},
        {"read 2 at 001234",
         [](CKwipMessage& m) {
             return m.Build(0x11, Bytes{0x02, 0x00, 0x12, 0x34});
         },
         {0xF5, 0x11, 0x02, 0x00, 0x12, 0x34, 0xB1}},
        {"erase flash", [](CKwipMessage& m) { return m.BuildByte(0x15, 0x40); }, {0xF2, 0x15, 0x40, 0xB8}},
        {"reset", [](CKwipMessage& m) { return m.BuildEmpty(0x10); }, {0xF1, 0x10, 0xFE}},
        {"write AA BB at 400000",
         [](CKwipMessage& m) {
             return m.Build(0x17, Bytes{0x40, 0x00, 0x00, 0xAA, 0xBB}, KwipForm::Long);
         },
         {0xFF, 0x17, 0x00, 0x06, 0x40, 0x00, 0x00, 0xAA, 0xBB, 0x3E}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CKwipMessage message;
        const std::uint8_t checksum = c.build(message);
        EXPECT_EQ(BytesOf(message.GetFrame()), c.frame);
        EXPECT_EQ(checksum, c.frame.back());
        EXPECT_TRUE(CKwipMessage::VerifyChecksum(c.frame));
    }
}

TEST(CKwipMessageTest, TheFormFollowsThePayloadLengthUnlessForced) {
    struct Case {
        std::size_t payloadLength;
        KwipForm asked;
        KwipForm built;
        std::uint16_t frameLength;
        Bytes head;  // the frame's first bytes
    };
    const Case cases[] = {
        {0, KwipForm::Auto, KwipForm::Short, 3, {0xF1, 0x42}},
        {13, KwipForm::Auto, KwipForm::Short, 16, {0xFE, 0x42}},
        {14, KwipForm::Auto, KwipForm::Long, 19, {0xFF, 0x42, 0x00, 0x0F}},
        {4, KwipForm::Long, KwipForm::Long, 9, {0xFF, 0x42, 0x00, 0x05}},
        {254, KwipForm::Auto, KwipForm::Long, 259, {0xFF, 0x42, 0x00, 0xFF}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.payloadLength);
        const Bytes payload(c.payloadLength, 0x5A);
        CKwipMessage message;
        message.Build(0x42, payload, c.asked);
        EXPECT_EQ(message.Form(), c.built);
        const KwipHeader header = message.GetHeader();
        EXPECT_EQ(header.frameLength, c.frameLength);
        EXPECT_EQ(header.payloadLength, c.payloadLength);
        EXPECT_EQ(header.headerLength, c.built == KwipForm::Long ? 4 : 2);
        EXPECT_EQ(BytesOf(message.GetFrame().first(c.head.size())), c.head);
        EXPECT_EQ(BytesOf(message.Payload()), payload);
        EXPECT_TRUE(CKwipMessage::VerifyChecksum(message.GetFrame()));
    }
}

TEST(CKwipMessageTest, TheBuilderRefusesWhatAFrameCannotExpressAndKeepsTheMessage) {
    CKwipMessage message;
    message.BuildEmpty(0x10);
    EXPECT_EQ(RaisedBy([&] { message.Build(0x17, Bytes(255, 0x00)); }),
              GenError(3, "CKwipMessage::Build: A payload of 255 bytes does not fit a KWIP frame"));
    EXPECT_EQ(RaisedBy([&] { message.Build(0x17, Bytes(14, 0x00), KwipForm::Short); }),
              GenError(3, "CKwipMessage::Build: A payload of 14 bytes does not fit the short form"));
    EXPECT_EQ(BytesOf(message.GetFrame()), (Bytes{0xF1, 0x10, 0xFE}));
}

TEST(CKwipMessageTest, TheChecksumIsTheComplementOfTheSumOfTheBytesBeforeIt) {
    EXPECT_EQ(CKwipMessage::Checksum(Bytes{0x61, 0x62, 0x63, 0x00}), 0xD9);
    EXPECT_EQ(CKwipMessage::Checksum(Bytes{0xFF, 0xFF, 0x00}), 0x01) << "the sum is taken modulo 256";
}

TEST(CKwipMessageTest, VerifyChecksumAcceptsOnlyAWholeFrameEndingInItsChecksum) {
    struct Case {
        Bytes raw;
        bool valid;
    };
    const Case cases[] = {
        {{0xF1, 0x10, 0xFE}, true},
        {{0xF1, 0x10, 0xFF}, false},
        {{0xF1, 0x10, 0xFE, 0x99}, true},  // what follows the frame is not looked at
        {{0x71, 0x10, 0x7E}, true},        // nor is the high nibble of the first byte
        {{0xF5, 0x11, 0x02}, false},       // cut short
        {{0xFF, 0x17, 0x00}, false},       // long form without its size
        {{}, false},
        {{0xF0, 0x0F}, false},              // a size of 0 would make the opcode its own checksum
        {{0xFF, 0x00, 0x00, 0x00}, false},  // the same in the long form
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(HexLine(c.raw));
        EXPECT_EQ(CKwipMessage::VerifyChecksum(c.raw), c.valid);
    }
}

TEST(CKwipMessageTest, ParseTakesTheHeaderOfAShortReply) {
    CKwipMessage message;
    message.Parse(Bytes{0xF6, 0x80, 0x00, 0x12, 0x34, 0x5A, 0xA5, 0x44, 0x77});
    const KwipHeader expected{
        .opcode = 0x80, .frameLength = 8, .payloadLength = 5, .headerLength = 2, .checksum = 0x44};
    EXPECT_EQ(message.GetHeader(), expected);
    EXPECT_EQ(message.Form(), KwipForm::Short);
    EXPECT_EQ(BytesOf(message.Payload()), (Bytes{0x00, 0x12, 0x34, 0x5A, 0xA5}));
    EXPECT_EQ(message.GetFrame().size(), 8u) << "the byte after the frame is not part of it";
}

TEST(CKwipMessageTest, ParseReadsTheWholeSizeOfALongReply) {
    // A size of 0x0105 is 260 payload bytes: its low byte alone would make it 4.
    for (const std::uint16_t size : {std::uint16_t{0x000F}, std::uint16_t{0x0105}}) {
        SCOPED_TRACE(size);
        Bytes raw = {0xFF, 0x8B, static_cast<std::uint8_t>(size >> 8), static_cast<std::uint8_t>(size)};
        raw.resize(4u + size, 0x41);
        CKwipMessage message;
        message.Parse(raw);
        EXPECT_EQ(message.Form(), KwipForm::Long);
        EXPECT_EQ(message.GetHeader().headerLength, 4);
        EXPECT_EQ(message.GetHeader().payloadLength, size - 1);
        EXPECT_EQ(message.GetHeader().frameLength, size + 4);
        EXPECT_EQ(message.Payload().size(), size - 1u);
    }
}

TEST(CKwipMessageTest, ParseRefusesAFrameItCannotHoldOrThatIsIncomplete) {
    CKwipMessage message;
    message.BuildEmpty(0x10);
    Bytes tooLong = {0xFF, 0x80, 0x02, 0x0A};  // 526 bytes in all
    tooLong.resize(526, 0x00);
    EXPECT_EQ(RaisedBy([&] { message.Parse(tooLong); }),
              GenError(3, "CKwipMessage::Parse: A frame of 526 bytes does not fit the message buffer"));
    for (const Bytes& incomplete : {Bytes{0xF6, 0x80, 0x00}, Bytes{0xFF, 0x80}, Bytes{0xF0, 0x0F}}) {
        EXPECT_EQ(RaisedBy([&] { message.Parse(incomplete); }),
                  GenError(3, "CKwipMessage::Parse: The frame is incomplete or has no opcode"));
    }
    EXPECT_EQ(BytesOf(message.GetFrame()), (Bytes{0xF1, 0x10, 0xFE}));

    Bytes largest = {0xFF, 0x80, 0x02, 0x09};
    largest.resize(525, 0x00);
    EXPECT_EQ(RaisedBy([&] { message.Parse(largest); }), kNothingRaised);
}

TEST(CKwipMessageTest, CopyFromTakesTheFrameAndItsForm) {
    CKwipMessage write;
    write.Build(0x17, Bytes{0x40, 0x00, 0x00, 0xAA, 0xBB}, KwipForm::Long);
    CKwipMessage copy;
    copy.BuildEmpty(0x10);
    copy.CopyFrom(write);
    EXPECT_EQ(BytesOf(copy.GetFrame()), BytesOf(write.GetFrame()));
    EXPECT_EQ(copy.GetHeader(), write.GetHeader());
    EXPECT_EQ(copy.Form(), KwipForm::Long) << "a long frame with a short payload stays long";
}

}  // namespace
