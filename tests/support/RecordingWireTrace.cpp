#include "RecordingWireTrace.h"

RecordingWireTrace::RecordingWireTrace() : previous_(WireTrace::Installed()) {
    WireTrace::Install(this);
}

RecordingWireTrace::~RecordingWireTrace() {
    WireTrace::Install(previous_);
}

void RecordingWireTrace::OnKwipAttempt(const KwipAttempt& attempt) {
    attempts_.push_back({Bytes(attempt.request.begin(), attempt.request.end()), attempt.ack,
                         Bytes(attempt.reply.begin(), attempt.reply.end()), attempt.attempt, attempt.attempts,
                         std::string(attempt.failure)});
}

void RecordingWireTrace::OnBootstrapStep(const BootstrapStep& step) {
    steps_.push_back({std::string(step.step), Bytes(step.sent.begin(), step.sent.end()),
                      Bytes(step.received.begin(), step.received.end()), std::string(step.result),
                      std::string(step.failure)});
}
