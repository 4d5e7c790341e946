#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "DemoCodeplugs.h"
#include "TempDir.h"
#include "radio/RadioProfileReader.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Every key once; the files lie beside the profile, one of them in a search folder.
const char* const kProfile = R"(# a radio for the reader's test
name = KX-400 bench radio
controller = Q7
flash_kib = 256
status 0 = "KX400S EU"          # text
status 15 = E58EC154 199D11D1    # hex, spaces allowed
status 11 = "say \"hi\"\x21\\"
codeplug = codeplug.s19
codeplug_bytes = 64
poke 0030 = "SN#1"
poke 003E = AABB
firmware = old.bin
release_in_flash = 0E 6
bootcode 19200 = boot.s19
bootcode 115200 = fast.bin
bootstrap_baud = 4800
sync = F0
announce = break
break_ms = 1200
announce_repeat_ms = 0
ack_us = 200
reply_us = 300
erase_ms = 40
restart_ms = 70
loader_answer_us = 100
bootcode_start_ms = 20
fault = write#3 nak
fault = block#2 garble 4
)";

class RadioProfileReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_.WriteFile("codeplug.s19", "S107001001020304DE\r\nS9030000FC\r\n");
        folder_.WriteFile("old.bin", "OLD");
        folder_.WriteFile("boot.s19", "S107001001020304DE\r\nS206000002AABB92\r\n");
        folder_.WriteFile("profile.radio", kProfile);
        searched_.WriteFile("fast.bin", "FAST");
    }

    std::string Refusal(const std::string& text) {
        try {
            RadioProfileReader({folder_.Path()}).Parse(text, "p.radio");
        } catch (const std::runtime_error& error) {
            return error.what();
        }
        return "nothing refused";
    }

    TempDir folder_;
    TempDir searched_;
};

TEST_F(RadioProfileReaderTest, ReadsEveryKey) {
    const RadioProfile profile =
        RadioProfileReader({searched_.Path()}).Read(folder_.Path() / "profile.radio");
    EXPECT_EQ(profile.name, "KX-400 bench radio");
    EXPECT_EQ(profile.controller, Controller::Q7);
    EXPECT_EQ(profile.flashBytes, 256u * 1024);
    EXPECT_EQ(profile.statuses.at(0), Bytes({'K', 'X', '4', '0', '0', 'S', ' ', 'E', 'U'}));
    EXPECT_EQ(profile.statuses.at(15), (Bytes{0xE5, 0x8E, 0xC1, 0x54, 0x19, 0x9D, 0x11, 0xD1}));
    EXPECT_EQ(profile.statuses.at(11), Bytes({'s', 'a', 'y', ' ', '"', 'h', 'i', '"', '!', '\\'}));
    Bytes codeplug(64, 0xFF);
    std::copy_n(Bytes{1, 2, 3, 4}.begin(), 4, codeplug.begin() + 0x10);
    std::copy_n(Bytes{'S', 'N', '#', '1'}.begin(), 4, codeplug.begin() + 0x30);
    codeplug[0x3E] = 0xAA;
    codeplug[0x3F] = 0xBB;
    EXPECT_EQ(profile.codeplug, codeplug);
    EXPECT_EQ(profile.firmware, (Bytes{'O', 'L', 'D'}));
    EXPECT_EQ(profile.releaseInFlash, (ReleaseLocation{0x0E, 6}));
    ASSERT_EQ(profile.bootcodes.size(), 2u);
    EXPECT_EQ(profile.bootcodes[0].image, (Bytes{1, 2, 3, 4, 0xAA, 0xBB}));  // in file order
    EXPECT_EQ(profile.bootcodes[0].flashBaud, 19200u);
    EXPECT_EQ(profile.bootcodes[1].image, (Bytes{'F', 'A', 'S', 'T'}));
    EXPECT_EQ(profile.bootstrapBaud, 4800u);
    EXPECT_EQ(profile.syncCharacter, 0xF0);
    EXPECT_EQ(profile.announcement.kind, LoaderAnnouncement::Kind::Break);
    EXPECT_EQ(profile.announcement.breakNs, 1'200'000'000u);
    EXPECT_EQ(profile.announcement.repeatNs, 0u);
    const RadioLatencies& latencies = profile.latencies;
    EXPECT_EQ(std::vector<std::uint64_t>({latencies.ackNs, latencies.replyNs, latencies.eraseNs,
                                          latencies.restartNs, latencies.loaderAnswerNs,
                                          latencies.bootcodeStartNs}),
              std::vector<std::uint64_t>({200'000, 300'000, 40'000'000, 70'000'000, 100'000, 20'000'000}));
    EXPECT_EQ(profile.faults, (std::vector<ScheduledFault>{ScheduledFault::Parse("write#3 nak"),
                                                           ScheduledFault::Parse("block#2 garble 4")}));
}

TEST_F(RadioProfileReaderTest, ADemoCodeplugCarriesTheRadiosOwnDataWhereProgrammingKeepsIt) {
    const RadioProfile profile = RadioProfileReader().Parse(
        "codeplug_demo = KX400S-EU\nserial = 4000123\nregional_id = 07\ntuning_seed = 99\ncodeplug_bytes = "
        "8192\n",
        "p");
    const DemoCodeplugs::Model& model = DemoCodeplugs::Find("KX400S-EU");
    const BuiltCodeplug kit = DemoCodeplugs::Build(model);
    ASSERT_EQ(profile.codeplug.size(), 8192u);
    const std::uint32_t identity = kit.EntryAddress(DemoCodeplugs::kIdentityBlock, 0, 0);
    EXPECT_EQ(std::string(profile.codeplug.begin() + identity, profile.codeplug.begin() + identity + 11),
              "4000123    ");
    EXPECT_EQ(profile.codeplug[identity + DemoCodeplugs::kRegionalIdOffset], 0x07);
    const std::uint32_t tuning = kit.EntryAddress(DemoCodeplugs::kTuningBlock, 0, 0);
    EXPECT_NE(Bytes(profile.codeplug.begin() + tuning,
                    profile.codeplug.begin() + tuning + DemoCodeplugs::kTuningBytes),
              Bytes(kit.bytes.begin() + tuning, kit.bytes.begin() + tuning + DemoCodeplugs::kTuningBytes));
    EXPECT_EQ(std::string(profile.codeplug.begin() + DemoCodeplugs::kCodeplugCodeAddress,
                          profile.codeplug.begin() + DemoCodeplugs::kCodeplugCodeAddress + 10),
              "KX4S-EU-01");
    EXPECT_EQ(profile.codeplug.back(), 0xFF);
}

TEST_F(RadioProfileReaderTest, RefusesWhatNoRadioHasWithTheLine) {
    const struct {
        const char* text;
        const char* refusal;
    } cases[] = {
        {"name = x\ncolour = red\n", "p.radio:2: no such key: colour"},
        {"status = \"x\"\n", "p.radio:1: status takes an argument before the ="},
        {"name 1 = x\n", "p.radio:1: name takes no argument"},
        {"flash_kib\n", "p.radio:1: a line is key = value"},
        {"status 3 = \"R05\n", "p.radio:1: an unclosed quote: \"R05"},
        {"status 3 = ABC\n", "p.radio:1: an odd number of hex digits: ABC"},
        {"status 256 = 00\n", "p.radio:1: more than a byte: 256"},
        {"controller = ZR7\n", "p.radio:1: the controller is ZR5 or Q7"},
        {"codeplug = missing.bin\n",
         "p.radio:1: no file missing.bin beside the profile or in the search folders"},
        {"fault = write#3 explode\n", "p.radio:1: no such fault: explode"},
        {"flash_kib = 64\n", "p.radio: the flash is 128, 256 or 512 KiB, not 65536 bytes"},
        {"codeplug_bytes = 16\npoke 000F = AABB\n", "p.radio: a poke lies outside the codeplug"},
        {"codeplug = codeplug.s19\ncodeplug_bytes = 8\n",
         "p.radio: the codeplug image is larger than codeplug_bytes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Refusal(c.text), c.refusal);
    }
}

}  // namespace
