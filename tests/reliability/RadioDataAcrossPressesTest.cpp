#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "DemoCodeplugs.h"
#include "ProgramSequenceTexts.h"
#include "WholeUpgradeTest.h"
#include "engine/SavedDataFile.h"

// The radio's own data when a press fails in the middle of the codeplug write: the backup that holds
// them is the radio's until they went back into it, whichever press that takes, and never another
// radio's.
namespace {

using namespace ProgramSequenceTexts;
using testing::HasSubstr;
using testing::StartsWith;

constexpr unsigned kFlashWindow = 0x400000;
constexpr unsigned kPersistence = 60;
constexpr unsigned kChunkBytes = 32;

bool IsBootstrapPrompt(const RecordingMessageBox::Box& box) {
    return box.caption == "NOTE" && box.text.find("bootstrap mode") != std::string::npos;
}

class RadioDataAcrossPressesTest : public WholeUpgradeTest {
protected:
    // Every attempt of the first chunk written after the radio's tuning and serial data were overwritten
    // is refused: the radio is left holding the kit's generic values.
    void FailTheChunkWriteAfterTheRadiosData() {
        std::uint32_t keptEnd = 0;
        for (const Span& span : kept_)
            keptEnd = std::max(keptEnd, span.address + span.length);
        const std::vector<RadioRequest>& clean = CleanRequests();
        const auto chunk = std::find_if(clean.begin(), clean.end(), [&](const RadioRequest& r) {
            return r.kind == RequestKind::Write && r.address < kFlashWindow && r.address >= keptEnd &&
                   r.count == kChunkBytes;
        });
        ASSERT_NE(chunk, clean.end()) << "no chunk lies after the radio's own data";
        const unsigned number = NumberAmongItsKind(clean, static_cast<std::size_t>(chunk - clean.begin()));
        for (unsigned n = number; n < number + kPersistence; ++n)
            Radio().ScheduleFault({RequestKind::Write, n, ScheduledFault::Kind::NegativeAck});
    }

    std::vector<std::filesystem::path> Backups() const {
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(kit_.Path() / "backup"))
            files.push_back(entry.path());
        return files;
    }

    static std::string ErrorText(const std::vector<RecordingMessageBox::Box>& boxes) {
        const auto error = std::find_if(boxes.begin(), boxes.end(), [](const RecordingMessageBox::Box& box) {
            return box.icon == MessageIcon::Stop;
        });
        return error == boxes.end() ? "" : error->text;
    }
};

TEST_F(RadioDataAcrossPressesTest, AChunkFaultCancelledThenANewPressGivesTheRadioItsOwnData) {
    FailTheChunkWriteAfterTheRadiosData();
    retryAfterError_ = false;
    const std::string failure = ErrorText(Press());
    EXPECT_THAT(failure, StartsWith(kUpdateFailed));
    ASSERT_EQ(Backups().size(), 1u);
    const std::string backup = "backup/" + Backups()[0].filename().string();
    EXPECT_THAT(failure, HasSubstr("The radio's own data are kept in " + backup));

    // The technician switches the radio off and on and starts the program again.
    Radio().PowerCycle(NowNs());
    form_.reset();
    const std::vector<RecordingMessageBox::Box> boxes = Press();
    EXPECT_THAT(boxes.back().text, StartsWith(kSuccess));
    EXPECT_THAT(boxes.back().text, HasSubstr("restored from " + backup));
    ExpectUpgraded();
    ASSERT_EQ(Backups().size(), 1u) << "the radio's data are not saved again";
    EXPECT_FALSE(SavedDataFile::Read(Backups()[0]).AtRisk()) << "the backup says its data went back";
}

TEST_F(RadioDataAcrossPressesTest, ARetryWithAnotherRadioOnTheLineLeavesThatRadiosCodeplugAlone) {
    RadioProfile otherProfile = Profile();
    const std::string otherSerial = "SN00009999";
    otherProfile.statuses[11].assign(otherSerial.begin(), otherSerial.end());
    otherProfile.codeplug = DemoCodeplugs::Build(DemoCodeplugs::Models()[0], {"RAD-0077-QQ", 0x12, 0x3C}).bytes;
    otherProfile.codeplug.resize(Profile().codeplug.size(), 0xFF);
    std::shared_ptr<SimRadio> other;
    boxes_.OnShow([&](const RecordingMessageBox::Box& box) {
        if (IsBootstrapPrompt(box)) {
            (other ? *other : Radio()).EnterBootstrapMode(NowNs());
        } else if (box.icon == MessageIcon::Stop && !other) {
            // While the question is up, another radio takes the first one's place; the operator retries.
            other = std::make_shared<SimRadio>(otherProfile);
            other->AttachTo(SharedLine());
        } else if (box.icon == MessageIcon::Stop) {
            boxes_.Answer(MessageResult::Cancel);
        }
    });
    FailTheChunkWriteAfterTheRadiosData();

    const std::vector<RecordingMessageBox::Box> boxes = Press();
    ASSERT_TRUE(other);
    const RecordingMessageBox::Box& refusal = boxes.back();
    EXPECT_EQ(refusal.icon, MessageIcon::Stop);
    EXPECT_THAT(refusal.text, HasSubstr("is not the radio whose data were saved"));
    EXPECT_THAT(refusal.text, HasSubstr("serial SN00001234"));
    EXPECT_THAT(refusal.text, HasSubstr("serial " + otherSerial));
    EXPECT_FALSE(form_->LastOutcome().Succeeded());
    EXPECT_TRUE(std::equal(otherProfile.codeplug.begin(), otherProfile.codeplug.end(), other->Codeplug().begin()))
        << "nothing of the first radio's reached the other";
    ASSERT_EQ(Backups().size(), 1u);
    EXPECT_TRUE(SavedDataFile::Read(Backups()[0]).AtRisk()) << "the first radio's data wait for it";
}

}  // namespace
