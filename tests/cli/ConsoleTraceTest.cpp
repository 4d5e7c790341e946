#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "VirtualClock.h"
#include "cli/ConsoleTrace.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ConsoleTraceTest, BootstrapStepsAndRateChangesGetALineEachWithTheTimeSinceTheStart) {
    VirtualClock clock(5'000'000'000, 0);
    std::ostringstream out;
    {
        ConsoleTrace trace(clock, out);
        ASSERT_EQ(WireTrace::Installed(), &trace);
        const Bytes sync = {0xFD};
        const Bytes inSync = {0xFF};
        const Bytes block = {1, 2, 3, 4, 5, 6, 7, 8};
        clock.Advance(1'200'000);
        WireTrace::Installed()->OnBootstrapStep({"detect", {}, {}, "ZR5", ""});
        WireTrace::Installed()->OnBootstrapStep({"sync", sync, inSync, "", ""});
        clock.Advance(250'000'000);
        WireTrace::Installed()->OnBootstrapStep({"block 0x0008", block, {}, "", "Sending bootcode failed"});
        WireTrace::Installed()->OnRateChange(115200);
    }
    EXPECT_EQ(WireTrace::Installed(), nullptr);
    EXPECT_EQ(out.str(),
              "    0.001  boot  detect  > -  < -  ZR5  ok\n"
              "    0.001  boot  sync  > FD  < FF  ok\n"
              "    0.251  boot  block 0x0008  > 0102030405060708  < -  Sending bootcode failed\n"
              "    0.251  rate  115200 baud\n");
}

}  // namespace
