#include <gtest/gtest.h>

#include <sstream>

#include "cli/ConsoleMessageBox.h"
#include "errors/CGenError.h"
#include "errors/CKwipError.h"

namespace {

TEST(ConsoleMessageBoxTest, ErrorsShownGoToTheConsole) {
    std::istringstream in;
    std::ostringstream out;
    const ConsoleMessageBox console(in, out);
    EXPECT_EQ(CKwipError(5, "Timeout occurred while sending KWIP command").Show(), MessageResult::Ok);
    EXPECT_EQ(CGenError(3, "Unable to open communication port").Show(), MessageResult::Ok);
    EXPECT_EQ(out.str(), "Timeout occurred while sending KWIP command\nUnable to open communication port\n");
}

TEST(ConsoleMessageBoxTest, AQuestionWaitsForAnAnswerItKnows) {
    struct Case {
        std::string input;
        MessageButtons buttons;
        MessageResult answer;
        int prompts;
    };
    const Case cases[] = {
        {"ok\n", MessageButtons::OkCancel, MessageResult::Ok, 1},
        {"maybe\nC\n", MessageButtons::OkCancel, MessageResult::Cancel, 2},
        {"", MessageButtons::OkCancel, MessageResult::Cancel, 1},  // the end of the input declines
        {"Yes\n", MessageButtons::YesNo, MessageResult::Yes, 1},
        {"ok\n", MessageButtons::YesNo, MessageResult::No, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        std::istringstream in(c.input);
        std::ostringstream out;
        ConsoleMessageBox console(in, out);
        EXPECT_EQ(MessageBoxService::ShowMessage("Retry?", "Error", MessageIcon::Stop, c.buttons), c.answer);
        const std::string prompt = c.buttons == MessageButtons::YesNo ? "[yes/no] " : "[ok/cancel] ";
        std::string expected = "Error: Retry?\n";
        for (int prompt_ = 0; prompt_ < c.prompts; ++prompt_)
            expected += prompt;
        EXPECT_EQ(out.str(), expected);
    }
}

TEST(ConsoleMessageBoxTest, WhatExplainsAnErrorBoxStandsUnderItBeforeTheQuestion) {
    std::istringstream in("cancel\n");
    std::ostringstream out;
    ConsoleMessageBox console(in, out);
    console.ExplainErrorsWith([&out](const std::string& text) { out << "  why: " << text << '\n'; });
    MessageBoxService::ShowMessage("Verify failed", "Error", MessageIcon::Stop, MessageButtons::OkCancel);
    MessageBoxService::ShowMessage("Put the radio in bootstrap mode", "NOTE", MessageIcon::Information,
                                   MessageButtons::Ok);
    EXPECT_EQ(
        out.str(),
        "Error: Verify failed\n  why: Verify failed\n[ok/cancel] NOTE: Put the radio in bootstrap mode\n");
}

TEST(ConsoleMessageBoxTest, TheServiceBeforeItIsBackAfterIt) {
    MessageBoxService* before = MessageBoxService::Installed();
    {
        std::istringstream in;
        std::ostringstream out;
        const ConsoleMessageBox console(in, out);
        EXPECT_EQ(MessageBoxService::Installed(), &console);
    }
    EXPECT_EQ(MessageBoxService::Installed(), before);
}

}  // namespace

TEST(ConsoleMessageBoxTest, WithYesRetryOffersAreAcceptedUpToTheLimitAndOtherQuestionsAlways) {
    std::istringstream in("cancel\n");  // never read
    std::ostringstream out;
    ConsoleMessageBox console(in, out);
    console.AnswerForTheOperator(2);
    const auto ask = [](MessageIcon icon) {
        return MessageBoxService::ShowMessage("?", "", icon, MessageButtons::OkCancel);
    };

    EXPECT_EQ(ask(MessageIcon::Information), MessageResult::Ok);  // the bootstrap-mode instructions
    EXPECT_EQ(ask(MessageIcon::Stop), MessageResult::Ok);
    EXPECT_EQ(ask(MessageIcon::Exclamation), MessageResult::Ok);  // a test kit's warning
    EXPECT_EQ(ask(MessageIcon::Stop), MessageResult::Ok);
    EXPECT_EQ(ask(MessageIcon::Stop), MessageResult::Cancel);
    EXPECT_EQ(ask(MessageIcon::Information), MessageResult::Ok);
    EXPECT_NE(out.str().find("?\n[ok/cancel] ok (--yes)\n"), std::string::npos);
    EXPECT_NE(out.str().find("?\n[ok/cancel] cancel (--yes)\n"), std::string::npos);
}
