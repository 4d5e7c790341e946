#include <gtest/gtest.h>

#include <vector>

#include "RecordingWireTrace.h"
#include "SimSerialTest.h"
#include "errors/CError.h"

namespace {

class SerialWireTraceTest : public SimSerialTest {};

TEST_F(SerialWireTraceTest, RateChangesOfTheOpenPortAreReportedOnceTaken) {
    const RecordingWireTrace trace;
    CSerial* port = Platform().GetSerial();
    port->Open(kPort);
    port->SetBaud(115200);
    Line().RefuseLineChanges(true);
    EXPECT_THROW(port->SetBaud(38400), CError);
    EXPECT_EQ(trace.Rates(), std::vector<unsigned>{115200});
    Platform().ReleaseSerial();
}

}  // namespace
