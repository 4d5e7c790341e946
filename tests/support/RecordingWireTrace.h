#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "errors/WireTrace.h"

// A wire trace that keeps copies of every report. It installs itself for its lifetime.
class RecordingWireTrace : public WireTrace {
public:
    using Bytes = std::vector<std::uint8_t>;

    struct Attempt {
        Bytes request;
        std::optional<std::uint8_t> ack;
        Bytes reply;
        unsigned attempt;
        unsigned attempts;
        std::string failure;

        bool operator==(const Attempt&) const = default;
    };

    struct Step {
        std::string step;
        Bytes sent;
        Bytes received;
        std::string result;
        std::string failure;

        bool operator==(const Step&) const = default;
    };

    RecordingWireTrace();
    ~RecordingWireTrace() override;
    RecordingWireTrace(const RecordingWireTrace&) = delete;
    RecordingWireTrace& operator=(const RecordingWireTrace&) = delete;

    void OnKwipAttempt(const KwipAttempt& attempt) override;
    void OnBootstrapStep(const BootstrapStep& step) override;
    void OnRateChange(unsigned baud) override { rates_.push_back(baud); }

    const std::vector<Attempt>& Attempts() const { return attempts_; }
    const std::vector<Step>& Steps() const { return steps_; }
    const std::vector<unsigned>& Rates() const { return rates_; }

private:
    WireTrace* previous_;
    std::vector<Attempt> attempts_;
    std::vector<Step> steps_;
    std::vector<unsigned> rates_;
};
