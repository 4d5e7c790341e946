#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "radio/FaultSchedule.h"
#include "radio/ScheduledFault.h"

namespace {

TEST(ScheduledFaultTest, ReadsWhatItWritesAndRefusesWhatIsNoFault) {
    for (const char* text : {"write#3 nak", "any#7 silence", "read#2 bad-checksum", "status#1 lose 0",
                             "block#4 garble 9", "read#1 line-error 2", "sync#1 break 0", "write#40 reset"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(ScheduledFault::Parse(text).Text(), text);
    }
    const ScheduledFault fault = ScheduledFault::Parse("block#4 garble 9");
    EXPECT_EQ(fault.on, RequestKind::Block);
    EXPECT_EQ(fault.number, 4u);
    EXPECT_EQ(fault.kind, ScheduledFault::Kind::GarbleByte);
    EXPECT_EQ(fault.byte, 9u);
    EXPECT_EQ(ScheduledFault::Parse("any#2 reset").on, std::nullopt);

    for (const char* text :
         {"write3 nak", "write#0 nak", "write#x nak", "flash#1 nak", "write#1 explode", "write#1 lose",
          "write#1 nak 2", "sync#1 nak", "block#1 bad-checksum", "write#1", "write#1 lose 1 2"}) {
        SCOPED_TRACE(text);
        EXPECT_THROW(ScheduledFault::Parse(text), std::invalid_argument);
    }
}

TEST(ScheduledFaultTest, AScheduleCountsEachKindAndAllKwipRequestsAndPrefersTheKind) {
    FaultSchedule schedule({ScheduledFault::Parse("any#2 silence"), ScheduledFault::Parse("write#2 nak"),
                            ScheduledFault::Parse("block#1 garble 0")});
    EXPECT_EQ(schedule.Meet(RequestKind::Read), std::nullopt);
    EXPECT_EQ(schedule.Meet(RequestKind::Block),
              ScheduledFault::Parse("block#1 garble 0"));  // not a KWIP request
    EXPECT_EQ(schedule.Meet(RequestKind::Write), ScheduledFault::Parse("any#2 silence"));
    EXPECT_EQ(schedule.Meet(RequestKind::Write), ScheduledFault::Parse("write#2 nak"));
    EXPECT_EQ(schedule.Meet(RequestKind::Write), std::nullopt);
}

}  // namespace
