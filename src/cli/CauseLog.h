#pragma once

#include <memory>
#include <string>
#include <vector>

#include "errors/CLog.h"

// The error log's auxiliary sink while corvida-cli runs a command: it keeps the lines, which are the
// causes shown under a failure, and hands each on to the platform's own auxiliary sink, when there is
// one, so that nothing the platform would have seen is lost. Clear empties both.
class CauseLog : public CLog {
public:
    using Lines = std::vector<std::string>;

    CauseLog(std::shared_ptr<Lines> lines, std::unique_ptr<CLog> platformSink);

    bool Clear() override;
    void WriteResource(unsigned id) override;
    void WriteLine(const char* text) override;

private:
    std::shared_ptr<Lines> lines_;
    std::unique_ptr<CLog> platformSink_;
};
