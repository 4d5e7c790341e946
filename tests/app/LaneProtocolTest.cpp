#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <string>

#include "app/LaneProtocol.h"
#include "errors/ByteText.h"

namespace {

using LaneProtocol::Event;

// Bytes a radio may send in a status text: a terminal escape, a bell, a lone continuation byte, a
// truncated sequence, DEL, a raw C1 byte, a quote and a backslash, and valid UTF-8 that stays.
const std::string kHostile = std::string("R01\x1B]0;owned\x07\x80\xC3\x7F\x9B\"\\ é") + '\0' + "end";

Event Of(Event::Kind kind, const std::string& text = "") {
    Event event;
    event.kind = kind;
    event.text = text;
    return event;
}

bool OneCleanLine(const std::string& line) {
    if (line.empty() || line.back() != '\n')
        return false;
    for (std::size_t i = 0; i + 1 < line.size(); ++i)
        if (static_cast<unsigned char>(line[i]) < 0x20 || line[i] == 0x7F)
            return false;
    return true;
}

TEST(LaneProtocolTest, EveryEventIsOneJsonLineThatDecodesToWhatWasSent) {
    Event radio = Of(Event::Kind::Radio);
    radio.serial = "4000123";
    radio.release = "R05.03";
    radio.model = "02";
    radio.identity = "E58EC154199D11D180180060B03C8AFF";
    Event progress = Of(Event::Kind::Progress, "Please Wait");
    progress.done = 17;
    progress.total = 38;
    Event question = Of(Event::Kind::Question, "Two\nlines");
    question.caption = "Error";
    question.icon = "error";
    question.id = 7;
    question.choices = {"ok", "cancel"};
    Event outcome = Of(Event::Kind::Outcome, "Radio Update is successful");
    outcome.result = "success";
    for (const Event& sent : {radio, progress, question, outcome}) {
        const std::string line = LaneProtocol::Encode(sent);
        SCOPED_TRACE(line);
        EXPECT_TRUE(OneCleanLine(line));
        EXPECT_TRUE(QJsonDocument::fromJson(QByteArray::fromStdString(line)).isObject());
        const std::optional<Event> got = LaneProtocol::DecodeEvent(line);
        ASSERT_TRUE(got);
        EXPECT_EQ(got->kind, sent.kind);
        EXPECT_EQ(got->text, sent.text);
        EXPECT_EQ(got->caption, sent.caption);
        EXPECT_EQ(got->id, sent.id);
        EXPECT_EQ(got->choices, sent.choices);
        EXPECT_EQ(got->done, sent.done);
        EXPECT_EQ(got->total, sent.total);
        EXPECT_EQ(got->serial, sent.serial);
        EXPECT_EQ(got->identity, sent.identity);
        EXPECT_EQ(got->result, sent.result);
    }
    EXPECT_EQ(LaneProtocol::Encode(progress), "{\"done\":17,\"event\":\"progress\",\"text\":\"Please Wait\",\"total\":38}\n");
}

TEST(LaneProtocolTest, RadioBytesGoOutEscapedWhateverTheyAre) {
    Event box = Of(Event::Kind::Box, kHostile + "\nsecond line");
    box.caption = kHostile;
    const std::string line = LaneProtocol::Encode(box);
    EXPECT_TRUE(OneCleanLine(line)) << line;
    const std::optional<Event> got = LaneProtocol::DecodeEvent(line);
    ASSERT_TRUE(got);
    EXPECT_EQ(got->caption, ByteText::Escaped(kHostile));
    EXPECT_EQ(got->text, ByteText::Escaped(kHostile) + "\nsecond line") << "a box keeps its lines";
    EXPECT_NE(got->caption.find("é"), std::string::npos);

    const Event phase = Of(Event::Kind::Phase, "one\ntwo");
    EXPECT_EQ(LaneProtocol::DecodeEvent(LaneProtocol::Encode(phase))->text, "one\\x0Atwo");
}

// What a decoder gets from a lane that does not keep to the protocol is escaped all the same.
TEST(LaneProtocolTest, DecodedTextsAreEscapedAndStrangeLinesRefused) {
    const std::optional<Event> raw =
        LaneProtocol::DecodeEvent(R"({"event":"phase","text":"\u001b[2Jwiped\u0007"})");
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->text, "\\x1B[2Jwiped\\x07");

    for (const std::string line : {"", "not json", "[1,2]", R"({"event":"launch"})", R"({"text":"no kind"})",
                                   R"({"event":"phase","text":"cut off)"}) {
        EXPECT_FALSE(LaneProtocol::DecodeEvent(line)) << line;
    }
    const std::string overlong =
        R"({"event":"phase","text":")" + std::string(LaneProtocol::kMaxLineBytes, 'x') + "\"}";
    EXPECT_FALSE(LaneProtocol::DecodeEvent(overlong));
}

TEST(LaneProtocolTest, AnswersCarryTheQuestionsId) {
    EXPECT_EQ(LaneProtocol::Encode(LaneProtocol::Answer{7, "ok"}), "{\"answer\":\"ok\",\"id\":7}\n");
    const std::optional<LaneProtocol::Answer> answer = LaneProtocol::DecodeAnswer(R"({"id":3,"answer":"cancel"})");
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->id, 3);
    EXPECT_EQ(answer->answer, "cancel");
    for (const std::string line : {"ok", R"({"id":"3","answer":"ok"})", R"({"answer":"ok"})", R"({"id":3})"})
        EXPECT_FALSE(LaneProtocol::DecodeAnswer(line)) << line;
}

}  // namespace
