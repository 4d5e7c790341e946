#pragma once

#include <memory>
#include <string>
#include <vector>

#include "errors/CLog.h"

// A log sink that keeps its lines in memory, where a test can read them.
class MemoryLog : public CLog {
public:
    using Lines = std::vector<std::string>;

    explicit MemoryLog(std::shared_ptr<Lines> lines) : lines_(std::move(lines)) {}

    bool Clear() override;
    void WriteResource(unsigned id) override;
    void WriteLine(const char* text) override;

private:
    std::shared_ptr<Lines> lines_;
};
