#include "cli/CauseLog.h"

#include "errors/StringTable.h"

CauseLog::CauseLog(std::shared_ptr<Lines> lines, std::unique_ptr<CLog> platformSink)
    : lines_(std::move(lines)), platformSink_(std::move(platformSink)) {}

bool CauseLog::Clear() {
    lines_->clear();
    if (platformSink_)
        platformSink_->Clear();
    return true;
}

void CauseLog::WriteResource(unsigned id) {
    if (const auto text = StringTable::Find(id))
        WriteLine(std::string(*text).c_str());
}

void CauseLog::WriteLine(const char* text) {
    lines_->emplace_back(text != nullptr ? text : "");
    if (platformSink_)
        platformSink_->WriteLine(text);
}
