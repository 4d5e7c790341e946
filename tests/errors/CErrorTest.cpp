#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "RecordingMessageBox.h"
#include "errors/CCommError.h"
#include "errors/CError.h"
#include "errors/CGenError.h"
#include "errors/CKwipError.h"

namespace {

template <typename Thrown>
const CError& CaughtAs(const Thrown& error) {
    return error;
}

TEST(CErrorTest, DefaultTextsByClassAndCode) {
    struct Case {
        std::string actual;
        std::string expected;
    };
    const Case cases[] = {
        {CGenError(1).GetText(), "Unable to allocate timer object"},
        {CGenError(2).GetText(), "Unable to allocate serial comm object"},
        {CGenError(3).GetText(), "General operation error occured"},
        {CGenError(7).GetText(), "No error message text was received"},
        {CGenError(0).GetText(), "No error message text was received"},
        {CCommError(2).GetText(), "No error message was received"},
        {CKwipError(5).GetText(), "No error message was received"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.actual, c.expected);
}

TEST(CErrorTest, FormatsItsTextAndKeepsItsCode) {
    const CCommError error(1, "CWinSerial::Open: Unable to open com%u", 3u);
    EXPECT_EQ(error.GetCode(), 1);
    EXPECT_STREQ(error.GetText(), "CWinSerial::Open: Unable to open com3");
}

TEST(CErrorTest, TheDynamicClassTellsTheKindsApart) {
    enum class Kind { Gen, Comm, Kwip };
    struct Case {
        std::function<void()> raise;
        Kind kind;
        std::int32_t code;
    };
    const Case cases[] = {
        {[] { throw CGenError(3, "General Communication Error"); }, Kind::Gen, 3},
        {[] { throw CCommError(10, "Break detected while accessing communication port"); }, Kind::Comm, 10},
        {[] { throw CKwipError(4, "The KWIP reply message is corrupted"); }, Kind::Kwip, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        try {
            c.raise();
            ADD_FAILURE() << "nothing was raised";
        } catch (const CError& caught) {
            EXPECT_EQ(dynamic_cast<const CGenError*>(&caught) != nullptr, c.kind == Kind::Gen);
            EXPECT_EQ(dynamic_cast<const CCommError*>(&caught) != nullptr, c.kind == Kind::Comm);
            EXPECT_EQ(dynamic_cast<const CKwipError*>(&caught) != nullptr, c.kind == Kind::Kwip);
            EXPECT_EQ(caught.GetCode(), c.code);
        }
    }
}

TEST(CErrorTest, CopyTextWritesTheTextWithItsTerminator) {
    std::array<char, 16> buffer;
    buffer.fill('#');
    EXPECT_EQ(CaughtAs(CGenError(3, "abc")).CopyText(buffer), 4u);
    EXPECT_STREQ(buffer.data(), "abc");
    EXPECT_EQ(buffer[4], '#');
}

TEST(CErrorTest, CopyTextCutsToTheDestination) {
    std::array<char, 3> small;
    EXPECT_EQ(CaughtAs(CGenError(3, "abcdef")).CopyText(small), 3u);
    EXPECT_STREQ(small.data(), "ab");
    EXPECT_EQ(CaughtAs(CGenError(3, "abc")).CopyText(std::span<char>()), 0u);
}

TEST(CErrorTest, AnOverlongTextIsCutAt511Characters) {
    const std::string longText(700, 'x');
    const CKwipError error(3, "%s", longText.c_str());
    EXPECT_EQ(std::string(error.GetText()), std::string(511, 'x'));
    std::array<char, 512> copy;
    EXPECT_EQ(CaughtAs(error).CopyText(copy), 512u);
}

TEST(CErrorTest, ShowUsesTheIconOfTheClass) {
    RecordingMessageBox boxes;
    boxes.Answer(MessageResult::Cancel);
    EXPECT_EQ(CaughtAs(CGenError(3, "general")).Show(), MessageResult::Cancel);
    EXPECT_EQ(CaughtAs(CCommError(2, "comm")).Show(), MessageResult::Ok);
    EXPECT_EQ(CaughtAs(CKwipError(5, "kwip")).Show(), MessageResult::Ok);

    ASSERT_EQ(boxes.Boxes().size(), 3u);
    EXPECT_EQ(boxes.Boxes()[0].text, "general");
    EXPECT_EQ(boxes.Boxes()[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(boxes.Boxes()[1].icon, MessageIcon::None);
    EXPECT_EQ(boxes.Boxes()[2].icon, MessageIcon::None);
    for (const auto& box : boxes.Boxes())
        EXPECT_EQ(box.buttons, MessageButtons::Ok);
}

TEST(CErrorTest, ShowWithoutAServiceWritesToStandardError) {
    ASSERT_EQ(MessageBoxService::Installed(), nullptr);
    testing::internal::CaptureStderr();
    const MessageResult result = CaughtAs(CCommError(11, "Echo byte %d does not match", 1)).Show();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Echo byte 1 does not match\n");
    EXPECT_EQ(result, MessageResult::Ok);
}

}  // namespace
