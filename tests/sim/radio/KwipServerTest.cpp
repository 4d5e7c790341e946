#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FirmwareTrailer.h"
#include "radio/KwipServer.h"
#include "radio/RadioMemory.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Mode = KwipServer::Mode;

constexpr std::size_t kCodeplugBytes = 0x2000;

RadioProfile Profile() {
    RadioProfile profile;
    profile.statuses[15] = {0x01, 0x02};
    profile.codeplug.resize(kCodeplugBytes);
    for (std::size_t at = 0; at < profile.codeplug.size(); ++at)
        profile.codeplug[at] = static_cast<std::uint8_t>(at);
    return profile;
}

TEST(KwipServerTest, AnswersWhatItsModeServesAndRefusesTheRest) {
    struct Case {
        const char* name;
        Mode mode;
        std::uint8_t opcode;
        Bytes payload;
        bool accepted;
        Bytes reply;
    };
    const Case cases[] = {
        {"status it knows", Mode::Firmware, 0x23, {0x0F}, true, {0xF4, 0x8B, 0x0F, 0x01, 0x02, 0x6E}},
        {"status it does not know", Mode::Firmware, 0x23, {0x63}, true, {0xF1, 0x86, 0x88}},
        {"status without its code", Mode::Firmware, 0x23, {}, false, {}},
        {"read",
         Mode::Firmware,
         0x11,
         {0x02, 0x00, 0x12, 0x34},
         true,
         {0xF6, 0x80, 0x00, 0x12, 0x34, 0x34, 0x35, 0xDA}},
        {"read of nothing", Mode::Firmware, 0x11, {0x00, 0x00, 0x00, 0x00}, false, {}},
        {"read of more than a reply carries", Mode::Firmware, 0x11, {0xFC, 0x00, 0x00, 0x00}, false, {}},
        {"read up to the end",
         Mode::Firmware,
         0x11,
         {0x01, 0x00, 0x1F, 0xFF},
         true,
         {0xF5, 0x80, 0x00, 0x1F, 0xFF, 0xFF, 0x6D}},
        {"read past the end", Mode::Firmware, 0x11, {0x02, 0x00, 0x1F, 0xFF}, false, {}},
        {"read without its address", Mode::Firmware, 0x11, {0x02, 0x00, 0x12}, false, {}},
        {"write", Mode::Firmware, 0x17, {0x00, 0x00, 0x10, 0xAA}, true, {0xF1, 0x84, 0x8A}},
        {"write without data", Mode::Firmware, 0x17, {0x00, 0x00, 0x10}, false, {}},
        {"write past the end", Mode::Firmware, 0x17, {0x00, 0x1F, 0xFF, 0xAA, 0xBB}, false, {}},
        {"write between codeplug and flash", Mode::Bootcode, 0x17, {0x3F, 0xFF, 0xFF, 0xAA}, false, {}},
        {"write into the flash window, running", Mode::Firmware, 0x17, {0x40, 0x00, 0x00, 0xAA}, false, {}},
        {"write into unerased flash", Mode::Bootcode, 0x17, {0x40, 0x00, 0x00, 0xAA}, false, {}},
        {"erase, running", Mode::Firmware, 0x15, {0x40}, false, {}},
        {"erase with another value", Mode::Bootcode, 0x15, {0x41}, false, {}},
        {"reset with a payload", Mode::Firmware, 0x10, {0x00}, false, {}},
        {"reset", Mode::Bootcode, 0x10, {}, true, {}},
        {"an opcode it does not serve", Mode::Firmware, 0x33, {}, false, {}},
        {"a reply's opcode", Mode::Firmware, 0x80, {}, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RadioMemory memory(Profile());
        KwipServer server(memory);
        const KwipServer::Outcome outcome = server.Serve({c.opcode, c.payload}, c.mode);
        EXPECT_EQ(outcome.accepted, c.accepted);
        EXPECT_EQ(outcome.reply, c.reply);
        EXPECT_EQ(Bytes(memory.Codeplug().begin(), memory.Codeplug().end()) == Profile().codeplug,
                  c.opcode != 0x17 || !c.accepted);
    }
}

TEST(KwipServerTest, TheBootcodeErasesThenProgramsEachCellOnceAndResetRestarts) {
    RadioMemory memory(Profile());
    KwipServer server(memory);
    const KwipServer::Outcome erase = server.Serve({0x15, {0x40}}, Mode::Bootcode);
    EXPECT_TRUE(erase.accepted);
    EXPECT_TRUE(erase.afterErase);
    EXPECT_EQ(erase.reply, (Bytes{0xF1, 0x84, 0x8A}));
    EXPECT_FALSE(memory.FirmwareIntact());
    EXPECT_TRUE(server.Serve({0x17, {0x40, 0x00, 0x00, 1, 2, 3, 4}}, Mode::Bootcode).accepted);
    EXPECT_FALSE(server.Serve({0x17, {0x40, 0x00, 0x03, 9}}, Mode::Bootcode).accepted);
    EXPECT_TRUE(memory.FirmwareIntact());
    EXPECT_EQ(memory.Flash().Bytes()[3], 4);
    EXPECT_TRUE(server.Serve({0x10, {}}, Mode::Bootcode).restarts);
}

// A profile with a check value starts a reflashed firmware only when the whole image is there.
TEST(KwipServerTest, WithACheckValueAPartlyWrittenFlashDoesNotStart) {
    RadioProfile profile = Profile();
    profile.firmwareCheckValue = true;
    RadioMemory memory(profile);
    EXPECT_TRUE(memory.FirmwareIntact()) << "the radio's own firmware, never reflashed";
    std::vector<std::uint8_t> firmware(profile.flashBytes, 0x3C);
    FirmwareTrailer::Seal(firmware);
    const std::size_t half = firmware.size() / 2;
    memory.EraseFlash();
    ASSERT_TRUE(memory.ProgramFlash(RadioMemory::kFlashBase, std::span(firmware).first(half)));
    EXPECT_FALSE(memory.FirmwareIntact());
    ASSERT_TRUE(memory.ProgramFlash(RadioMemory::kFlashBase + half, std::span(firmware).subspan(half)));
    EXPECT_TRUE(memory.FirmwareIntact());
}

}  // namespace
