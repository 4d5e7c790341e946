#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "ScopedPlatform.h"
#include "TempDir.h"
#include "VirtualPlatform.h"

// A test on virtual time: a VirtualPlatform is the platform for the test's duration, and the error
// log's lines are captured in memory (its auxiliary switch on, the file switch off; a file sink, made
// only when a test switches the file log on, lies in a temporary folder).
class VirtualTimeTest : public ::testing::Test {
protected:
    VirtualTimeTest();
    ~VirtualTimeTest() override;

    VirtualPlatform& Platform() { return *platform_; }
    VirtualClock& Clock() { return *clock_; }
    std::shared_ptr<VirtualClock> SharedClock() const { return clock_; }
    // Seconds of virtual time since the test began.
    double Seconds() const;

    // The log lines written during the test, without the sink's "Start Logging".
    std::vector<std::string> LogLines() const;
    bool LogHas(const std::string& line) const;

    // Replaces the platform's serial port (the platform is rebuilt; call before borrowing anything).
    void UseSerial(std::unique_ptr<CSerial> serial);

private:
    TempDir logFolder_;
    std::shared_ptr<VirtualClock> clock_ = std::make_shared<VirtualClock>();
    VirtualPlatform* platform_ = nullptr;
    std::optional<ScopedPlatform> scope_;
};
