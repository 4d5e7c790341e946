#include <gtest/gtest.h>

#include <array>
#include <memory>

#include "KwipFrames.h"
#include "RaisedError.h"
#include "ScopedPlatform.h"
#include "TempDir.h"
#include "TerminalResponder.h"
#include "errors/CwFileLog.h"
#include "kwip/CKwipBroker.h"
#include "platform/CPosixPlatform.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// The broker on the machine's own port and clock, on a pseudo-terminal whose far end a responder
// thread plays: nothing of the exchange depends on the simulated line. The error log's file goes to a
// temporary folder.
class CKwipTerminalTest : public ::testing::Test {
protected:
    static constexpr unsigned kPort = 40;

    CKwipTerminalTest() {
        CwFileLog::SetDirectory(logFolder_.Path());
        platform_->ComPorts().SetOverride(kPort, radio_.SlavePath());
    }
    ~CKwipTerminalTest() override { CwFileLog::SetDirectory({}); }

    TempDir logFolder_;
    TerminalResponder radio_;
    std::unique_ptr<CPosixPlatform> owned_ = std::make_unique<CPosixPlatform>();
    CPosixPlatform* platform_ = owned_.get();
    ScopedPlatform realTime_{std::move(owned_)};
};

TEST_F(CKwipTerminalTest, TheRequestsRunTheSameOnARealTerminal) {
    ASSERT_FALSE(radio_.SlavePath().empty());
    radio_
        .Answer({0xF5, 0x11, 0x02, 0x00, 0x12, 0x34, 0xB1},
                Acked({0xF6, 0x80, 0x00, 0x12, 0x34, 0x5A, 0xA5, 0x44}))
        .Answer({0xF2, 0x23, 0x05, 0xE5}, Acked(KwipFrame(0x8B, {0x05, 'R', 'E', 'A', 'D', 'Y'})))
        .Answer({0xF1, 0x10, 0xFE}, {kPositiveAck});
    radio_.Start();

    CKwipBroker broker;
    broker.Comm().Open(kPort, 0);
    broker.PortOpen = true;
    std::array<std::uint8_t, 2> data{};
    std::array<char, 16> text{};
    EXPECT_EQ(RaisedBy([&] { broker.ReadRequest(0x001234, data); }), kNothingRaised);
    EXPECT_EQ(data, (std::array<std::uint8_t, 2>{0x5A, 0xA5}));
    EXPECT_EQ(RaisedBy([&] { EXPECT_EQ(broker.RadioStatusRequest(5, text), "READY"); }), kNothingRaised);
    EXPECT_EQ(RaisedBy([&] { broker.ResetRequest(); }), kNothingRaised);
    EXPECT_EQ(radio_.Stop(), "");
}

}  // namespace
