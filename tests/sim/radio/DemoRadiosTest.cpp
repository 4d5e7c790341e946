#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "FirmwareTrailer.h"
#include "files/FileManager.h"
#include "files/SRecord.h"
#include "radio/ImageFile.h"
#include "radio/RadioProfileReader.h"

// The demo kit's radios, as radiosim plays them, pass the demo kit's verification: this walks the kit's
// configuration the way the upgrade form's verification does, with the profiles' statuses and codeplug
// as the radio's answers.
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kIdentityBytes = 16;
constexpr unsigned kFlashBase = 0x400000;
constexpr unsigned kCodeplugCodeAddress = 709;  // for product lines other than FAR_VARNO and ORBIS
constexpr std::size_t kCodeplugCodeBytes = 10;
constexpr std::size_t kStatus11Bytes = 10;
constexpr std::size_t kStatusBufferBytes = 255;  // a 256-byte buffer, its NUL

const std::array<Bytes, 6> kFixedIdentities = {{
    {0xE5, 0x8E, 0xC1, 0x54, 0x19, 0x9D, 0x11, 0xD1, 0x80, 0x18, 0x00, 0x60, 0xB0, 0x3C, 0x8A, 0xFF},
    {0xB2, 0xA7, 0x0A, 0x04, 0x90, 0x2F, 0x11, 0xD6, 0xBF, 0xA6, 0x00, 0xC0, 0x4F, 0x6B, 0x8C, 0x5D},
    {0x48, 0x5F, 0x2B, 0x48, 0xFB, 0xA7, 0x45, 0xAF, 0xB2, 0x78, 0xDD, 0x8E, 0x6B, 0x17, 0xF3, 0xBC},
    {0x06, 0xF6, 0x7B, 0x2F, 0x23, 0x04, 0x4F, 0xA8, 0xB5, 0x6C, 0x64, 0x1F, 0xC8, 0xCC, 0xD9, 0x24},
    {0xBC, 0x91, 0xAC, 0x20, 0x21, 0x4D, 0x48, 0xDD, 0x94, 0xB5, 0x7D, 0xC2, 0x99, 0x5A, 0x87, 0xAB},
    Bytes(16, 0x00),
}};

std::string Text(const Bytes& bytes) {
    return {bytes.begin(), bytes.end()};
}

// A reply cut at its first blank, at most `most` characters.
std::string CutAtBlank(std::string text, std::size_t most) {
    text = text.substr(0, std::min(most, text.find(' ')));
    return text;
}

class DemoRadiosTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        std::ifstream plain(std::filesystem::path(CORVIDA_DEMO_KIT_PLAIN) / "patcher.txt");
        config_.LoadText(
            std::string((std::istreambuf_iterator<char>(plain)), std::istreambuf_iterator<char>()));
        profile_ = RadioProfileReader({CORVIDA_DEMO_KIT_PLAIN})
                       .Read(std::filesystem::path(CORVIDA_DEMO_RADIOS) / GetParam());
    }

    std::string Status(std::uint8_t code) const {
        const auto found = profile_.statuses.find(code);
        return found == profile_.statuses.end() ? std::string()
                                                : Text(found->second).substr(0, kStatusBufferBytes);
    }

    int FindGroup() {
        const Bytes& identity = profile_.statuses.at(15);
        for (std::uint32_t group = 1; group <= config_.CountBlocks("RADIO_GROUP_REGION"); ++group) {
            config_.FindBlock("RADIO_GROUP_REGION", group);
            for (std::uint32_t k = 0; k < config_.ReadNumber(5, 1); ++k) {
                Bytes listed(FileManager::kMaxByteStringLength);
                const auto count = config_.ReadBytes(6 + k, 1, listed);
                if (count && *count >= kIdentityBytes &&
                    std::equal(identity.begin(), identity.end(), listed.begin()))
                    return static_cast<int>(group);
            }
        }
        return 0;
    }

    // Every run of entries with one status code has an entry that matches.
    bool PassesVerification(std::uint32_t group) {
        config_.FindBlock("VERIFICATION_BLOCK", group);
        const std::uint32_t entries = config_.ReadNumber(1, 1);
        for (std::uint32_t line = 2; line < entries + 2;) {
            const std::uint32_t code = config_.ReadNumber(line, 1);
            const std::string reply = Status(static_cast<std::uint8_t>(code));
            bool matched = false;
            for (; line < entries + 2 && config_.ReadNumber(line, 1) == code; ++line) {
                const std::size_t length = config_.ReadNumber(line, 5);
                const std::string value = config_.ReadField(line, 6, config_.ReadNumber(line, 3) == 1);
                matched = matched || value.starts_with('*') ||
                          (reply.size() >= length && value.size() >= length &&
                           reply.compare(0, length, value, 0, length) == 0);
            }
            if (!matched)
                return false;
        }
        return true;
    }

    // The index of the first model entry that fits the radio, or -1.
    int MatchModel(std::uint32_t group) {
        config_.FindBlock("MODEL_MATCHING_BLOCK", group);
        const std::uint32_t entries = config_.ReadNumber(1, 1) * config_.ReadNumber(2, 1);
        const std::string model = CutAtBlank(Status(0), kStatusBufferBytes);
        const Bytes& identity = profile_.statuses.at(15);
        const bool codeTakesPart =
            std::find(kFixedIdentities.begin(), kFixedIdentities.end(), identity) != kFixedIdentities.end();
        const auto codeAt = profile_.codeplug.begin() + kCodeplugCodeAddress;
        const std::string code =
            CutAtBlank(std::string(codeAt, codeAt + kCodeplugCodeBytes), kCodeplugCodeBytes);
        const std::string status11 = CutAtBlank(Status(11), kStatus11Bytes);
        const std::uint8_t status16 = profile_.statuses.at(16).at(0);
        for (std::uint32_t entry = 0; entry < entries; ++entry) {
            const auto field = [&](std::uint32_t f) { return config_.ReadField(3 + entry, f); };
            const bool fits = model.find(field(1)) != std::string::npos &&
                              (!codeTakesPart || field(2) == code || field(2) == "000000000") &&
                              (field(3) == status11 || field(3) == "0000000000") &&
                              (std::atoi(field(4).c_str()) == status16 || field(4) == "00");
            if (fits)
                return static_cast<int>(entry % config_.ReadNumber(2, 1));
        }
        return -1;
    }

    // Whether the first matching row for the radio's release permits the upgrade of model entry e.
    bool UpgradePermitted(std::uint32_t group, int entry) {
        config_.FindBlock("RADIO_MATCHING_BLOCK", group);
        const std::string release = Status(3);
        for (std::uint32_t line = 2; line < config_.ReadNumber(1, 1) + 2; ++line) {
            const std::string row = config_.ReadField(line, 1);
            if (row == release || row == "*")
                return config_.ReadNumber(line, 2 + 4 * static_cast<std::uint32_t>(entry)) != 0;
        }
        return false;
    }

    FileManager config_;
    RadioProfile profile_;
};

TEST_P(DemoRadiosTest, PassesTheDemoKitsVerificationAndKnowsItsBootcodes) {
    const int group = FindGroup();
    ASSERT_NE(group, 0);
    EXPECT_TRUE(PassesVerification(group));
    const int entry = MatchModel(group);
    ASSERT_GE(entry, 0);
    EXPECT_TRUE(UpgradePermitted(group, entry));

    config_.FindBlock("RADIO_GROUP_REGION", group);
    ASSERT_EQ(profile_.bootcodes.size(), 3u);
    const std::array<unsigned, 3> rates = {19200, 38400, 115200};
    for (std::size_t line = 0; line < rates.size(); ++line) {
        const std::string file = config_.ReadField(static_cast<std::uint32_t>(2 + line), 1);
        EXPECT_EQ(profile_.bootcodes[line].flashBaud, rates[line]);
        EXPECT_EQ(profile_.bootcodes[line].image,
                  ImageFile::Read(std::filesystem::path(CORVIDA_DEMO_KIT_PLAIN) / file,
                                  ImageFile::Placement::InFileOrder));
    }
}

// What the engine flashes (each record at its address OR 0x400000) fills the radio's flash and ends in
// the check value that the radio wants before it starts a reflashed firmware.
TEST_P(DemoRadiosTest, HasAZr5LoaderAndAFirmwareImageWithRelativeAndAbsoluteRecordsAndItsCheckValue) {
    EXPECT_EQ(profile_.controller, Controller::ZR5);
    ASSERT_TRUE(profile_.firmwareCheckValue);
    const std::string name = "fw_" + std::to_string(profile_.flashBytes / RadioProfile::kKiB) + "k";
    std::ifstream file(std::filesystem::path(CORVIDA_DEMO_KIT_PLAIN) / name, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    SRecord reader;
    reader.AttachText(text);
    Bytes flash(profile_.flashBytes);
    std::size_t relative = 0;
    std::size_t absolute = 0;
    SRecordData record;
    while (reader.ReadNextRecord(record)) {
        const unsigned offset = (record.address | kFlashBase) - kFlashBase;
        ((record.address & kFlashBase) != 0 ? absolute : relative) += 1;
        ASSERT_LE(offset + record.length, flash.size());
        std::copy_n(record.data.begin(), record.length, flash.begin() + offset);
    }
    EXPECT_GT(relative, 0u);
    EXPECT_GT(absolute, 0u);
    EXPECT_TRUE(FirmwareTrailer::Holds(flash));
}

INSTANTIATE_TEST_SUITE_P(Demo, DemoRadiosTest, ::testing::Values("kx400.radio", "kx600.radio"));
// The radios whose releases select codeplug programming, with and without firmware.
INSTANTIATE_TEST_SUITE_P(CodeplugModes, DemoRadiosTest,
                         ::testing::Values("kx400-r0501.radio", "kx400-r0502.radio", "kx400-r0503.radio",
                                           "kx400-r0401.radio", "kx400-r0402.radio", "kx400-r0403.radio"));

}  // namespace
