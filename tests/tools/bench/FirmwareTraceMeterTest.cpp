#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>

#include "FirmwareTraceMeter.h"

namespace {

// A run's trace as corvida-cli writes it, cut down: the rate change, the first erase and the size probe
// (a write into the flash window), the second erase, three firmware writes of two data bytes (14
// characters each with acknowledge and reply), then the codeplug access, which also writes.
constexpr const char* kTrace =
    "    0.100  boot  sync  > FD  < FF  ok\n"
    "    1.000  rate  115200 baud\n"
    "    1.500  kwip  > F21540B6  ack 06  < F184FA  attempt 1/4  ok\n"
    "    1.510  kwip  > FF17000247000AA0F  ack 06  < F184FA  attempt 1/4  ok\n"
    "    3.000  kwip  > F21540B6  ack 06  < F184FA  attempt 1/4  ok\n"
    "    3.004  kwip  > FF1700034000000102AA  ack 06  < F184FA  attempt 1/4  ok\n"
    "    3.007  kwip  > FF1700034000020304AA  ack 06  < F184FA  attempt 1/4  ok\n"
    "    3.012  kwip  > FF1700034000040506AA  ack 06  < -  attempt 1/4  The reply did not come\n"
    "    3.014  kwip  > FF1700034000040506AA  ack 06  < F184FA  attempt 2/4  ok\n"
    "    3.100  kwip  > F5110200001234  ack 06  < F4800000001122CC  attempt 1/4  ok\n"
    "    3.200  kwip  > FF17000300000011223344  ack 06  < F184FA  attempt 1/4  ok\n";

std::optional<FirmwareTraceMeter::Figures> Measure(const std::string& trace) {
    std::istringstream text(trace);
    return FirmwareTraceMeter::Measure(text);
}

TEST(FirmwareTraceMeterTest, TimesTheWritesAfterTheLastEraseFromTheFirstToTheLast) {
    const std::optional<FirmwareTraceMeter::Figures> figures = Measure(kTrace);
    ASSERT_TRUE(figures.has_value());
    EXPECT_EQ(figures->writes, 4u);  // the failed attempt was on the line too
    EXPECT_EQ(figures->baud, 115200u);
    EXPECT_NEAR(figures->measuredSeconds, 0.010, 1e-9);
    // After the first: 14 + 11 (no reply) + 14 characters of 10 bits.
    EXPECT_EQ(figures->characters, 39u);
    EXPECT_NEAR(figures->boundSeconds, 390.0 / 115200, 1e-12);
}

TEST(FirmwareTraceMeterTest, FindsNothingToTimeWithoutFirmwareWritesAfterAnErase) {
    EXPECT_FALSE(Measure("").has_value());
    EXPECT_FALSE(Measure("    1.000  rate  115200 baud\n"
                         "    1.500  kwip  > F21540B6  ack 06  < F184FA  attempt 1/4  ok\n"
                         "    3.100  kwip  > F5110200001234  ack 06  < F4800000001122CC  attempt 1/4  ok\n")
                     .has_value());
    // Writes below the flash window are the codeplug's.
    EXPECT_FALSE(Measure("    1.000  rate  115200 baud\n"
                         "    1.500  kwip  > F21540B6  ack 06  < F184FA  attempt 1/4  ok\n"
                         "    3.200  kwip  > FF17000300000011223344  ack 06  < F184FA  attempt 1/4  ok\n")
                     .has_value());
}

}  // namespace
