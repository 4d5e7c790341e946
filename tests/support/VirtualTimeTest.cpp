#include "VirtualTimeTest.h"

#include <algorithm>

#include "errors/CErrorLog.h"
#include "errors/CwFileLog.h"

VirtualTimeTest::VirtualTimeTest() {
    CwFileLog::SetDirectory(logFolder_.Path());
    UseSerial(nullptr);
    ErrorLog().SetFileLogging(false);
    ErrorLog().SetAuxLogging(true);
}

VirtualTimeTest::~VirtualTimeTest() {
    ErrorLog().SetAuxLogging(false);
    scope_.reset();
    CwFileLog::SetDirectory({});
}

void VirtualTimeTest::UseSerial(std::unique_ptr<CSerial> serial) {
    auto platform = std::make_unique<VirtualPlatform>(clock_, std::move(serial));
    platform_ = platform.get();
    scope_.reset();
    scope_.emplace(std::move(platform));
}

double VirtualTimeTest::Seconds() const {
    return static_cast<double>(clock_->Peek()) / 1e9;
}

std::vector<std::string> VirtualTimeTest::LogLines() const {
    std::vector<std::string> lines = platform_->AuxLines();
    if (!lines.empty() && lines.front() == "Start Logging")
        lines.erase(lines.begin());
    return lines;
}

bool VirtualTimeTest::LogHas(const std::string& line) const {
    const std::vector<std::string> lines = LogLines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}
