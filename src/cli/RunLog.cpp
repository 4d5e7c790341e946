#include "cli/RunLog.h"

#include <utility>

#include "errors/CErrorLog.h"
#include "errors/CwFileLog.h"
#include "platform/CPlatform.h"

namespace {

constexpr int kAuxiliarySinkKind = 1;

std::unique_ptr<CLog> Started(std::unique_ptr<CLog> sink) {
    if (sink)
        sink->Start();
    return sink;
}

// Made at once, so that a folder we cannot write to is reported before the command runs, and only once.
std::unique_ptr<CLog> FileSink(const std::filesystem::path& folder, const std::string& fileName) {
    if (folder.empty())
        return nullptr;
    const std::filesystem::path file = std::filesystem::absolute(folder) / fileName;
    return Started(std::make_unique<CwFileLog>(file.c_str()));
}

}  // namespace

RunLog::RunLog(const std::filesystem::path& fileFolder, const std::string& fileName)
    : fileSwitchBefore_(ErrorLog().IsFileLogging()), auxSwitchBefore_(ErrorLog().IsAuxLogging()) {
    std::unique_ptr<CLog> platformSink = Started(CPlatform::Instance()->CreateLog(kAuxiliarySinkKind));
    ErrorLog().UseSinks(FileSink(fileFolder, fileName),
                        std::make_unique<CauseLog>(lines_, std::move(platformSink)));
    ErrorLog().SetFileLogging(!fileFolder.empty());
    ErrorLog().SetAuxLogging(true);
}

RunLog::~RunLog() {
    ErrorLog().CloseSinks();
    ErrorLog().SetFileLogging(fileSwitchBefore_);
    ErrorLog().SetAuxLogging(auxSwitchBefore_);
}

std::vector<std::string> RunLog::TakeLines() {
    return std::exchange(*lines_, {});
}
