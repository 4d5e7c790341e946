#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "errors/WireTrace.h"
#include "platform/Clock.h"

// corvida-cli's wire trace (--verbose): one line per KWIP attempt, bootstrap step and rate change, each
// starting with the seconds since the trace began on the platform's clock. Installs itself for its
// lifetime.
//
//    0.031  kwip  > F2230FE1  ack 06  < 8B...  attempt 1/4  ok
//    0.902  boot  sync  > FD  < FF  ok
//    1.250  rate  115200 baud
class ConsoleTrace : public WireTrace {
public:
    ConsoleTrace(Clock& clock, std::ostream& out);
    ~ConsoleTrace() override;
    ConsoleTrace(const ConsoleTrace&) = delete;
    ConsoleTrace& operator=(const ConsoleTrace&) = delete;

    void OnKwipAttempt(const KwipAttempt& attempt) override;
    void OnBootstrapStep(const BootstrapStep& step) override;
    void OnRateChange(unsigned baud) override;

private:
    void Write(const char* kind, const std::string& rest);

    Clock& clock_;
    std::ostream& out_;
    std::uint64_t startNs_;
    WireTrace* previous_;
};
