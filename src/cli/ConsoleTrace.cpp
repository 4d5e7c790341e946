#include "cli/ConsoleTrace.h"

#include <cstdio>
#include <sstream>
#include <string>
#include <string_view>

#include "errors/ByteText.h"

namespace {

constexpr const char* kSucceeded = "ok";
constexpr const char* kNothing = "-";

std::string HexOrNothing(std::span<const std::uint8_t> bytes) {
    return bytes.empty() ? kNothing : ByteText::Hex(bytes, "");
}

std::string_view Outcome(std::string_view failure) {
    return failure.empty() ? kSucceeded : failure;
}

}  // namespace

ConsoleTrace::ConsoleTrace(Clock& clock, std::ostream& out)
    : clock_(clock), out_(out), startNs_(clock.Now()), previous_(WireTrace::Installed()) {
    WireTrace::Install(this);
}

ConsoleTrace::~ConsoleTrace() {
    WireTrace::Install(previous_);
}

void ConsoleTrace::OnKwipAttempt(const KwipAttempt& attempt) {
    std::ostringstream line;
    const std::string ack = attempt.ack ? ByteText::Hex(std::span(&*attempt.ack, 1)) : kNothing;
    line << "  > " << ByteText::Hex(attempt.request, "") << "  ack " << ack << "  < "
         << HexOrNothing(attempt.reply) << "  attempt " << attempt.attempt << '/' << attempt.attempts << "  "
         << Outcome(attempt.failure);
    Write("kwip", line.str());
}

void ConsoleTrace::OnBootstrapStep(const BootstrapStep& step) {
    std::ostringstream line;
    line << "  " << step.step << "  > " << HexOrNothing(step.sent) << "  < " << HexOrNothing(step.received);
    if (!step.result.empty())
        line << "  " << step.result;
    line << "  " << Outcome(step.failure);
    Write("boot", line.str());
}

void ConsoleTrace::OnRateChange(unsigned baud) {
    Write("rate", "  " + std::to_string(baud) + " baud");
}

// Seconds to the millisecond, the finest step a KWIP exchange at 9600 baud shows. A line is written
// whole, so that it costs one write even on an unbuffered stream.
void ConsoleTrace::Write(const char* kind, const std::string& rest) {
    const double seconds = static_cast<double>(clock_.Now() - startNs_) / Clock::kCountsPerSecond;
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%9.3f  %s", seconds, kind);
    out_ << (stamp + rest + '\n') << std::flush;
}
