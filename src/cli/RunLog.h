#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cli/CauseLog.h"
#include "errors/CwFileLog.h"

// The error log while corvida-cli runs a command. Every line is kept as a cause to show under a
// failure; with a folder (--log DIR) the lines also go to DIR/cvErrlog.txt (or the file named), written
// as the desktop application writes it. Without one, no file is written anywhere. At the end the log is
// as before.
class RunLog {
public:
    explicit RunLog(const std::filesystem::path& fileFolder,
                    const std::string& fileName = CwFileLog::kDefaultFileName);
    ~RunLog();
    RunLog(const RunLog&) = delete;
    RunLog& operator=(const RunLog&) = delete;

    // The lines written since the start or the previous call, oldest first.
    std::vector<std::string> TakeLines();

private:
    std::shared_ptr<CauseLog::Lines> lines_ = std::make_shared<CauseLog::Lines>();
    bool fileSwitchBefore_;
    bool auxSwitchBefore_;
};
