#include "errors/CwFileLog.h"

#include <unistd.h>

#include <ctime>
#include <string>

#include "errors/CError.h"
#include "errors/MessageBoxService.h"
#include "errors/StringTable.h"
#include "platform/SafeFolder.h"

namespace {

std::filesystem::path& LogDirectory() {
    static std::filesystem::path directory;
    return directory;
}

std::string TimeStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    const std::size_t length = std::strftime(stamp, sizeof stamp, "%m/%d/%y %H:%M:%S  ", &local);
    return std::string(stamp, length);
}

}  // namespace

void CwFileLog::SetDirectory(const std::filesystem::path& directory) {
    LogDirectory() = directory;
}

const std::filesystem::path& CwFileLog::Directory() {
    return LogDirectory();
}

CwFileLog::CwFileLog(const char* fileName) : path_(Directory() / fileName) {
    std::string refusal;
    try {
        UniqueFd file = SafeFolder(path_.parent_path()).OpenTruncated(path_.filename());
        file_.reset(fdopen(file.Get(), "wb"));
        if (file_)
            file.Release();
    } catch (const CError& error) {
        refusal = error.GetText();
    }
    if (!file_) {
        const std::string text =
            "Unable to open Log file for writing" + (refusal.empty() ? "" : "\n" + refusal);
        MessageBoxService::ShowMessage(text, "", MessageIcon::None, MessageButtons::Ok);
    }
}

bool CwFileLog::Clear() {
    if (file_) {
        // The open file itself: the path may be relative, and the current folder has moved since.
        std::fflush(file_.get());
        if (ftruncate(fileno(file_.get()), 0) != 0)
            return true;  // the log never fails; the old lines stay
        // Later lines start the file again instead of leaving a hole where the old ones were.
        std::fseek(file_.get(), 0, SEEK_SET);
    }
    return true;
}

void CwFileLog::WriteResource(unsigned id) {
    if (const auto text = StringTable::Find(id))
        WriteStamped(*text);
}

void CwFileLog::WriteLine(const char* text) {
    WriteStamped(text != nullptr ? text : "");
}

void CwFileLog::WriteStamped(std::string_view text) {
    if (!IsEnabled() || !file_)
        return;
    std::string line = TimeStamp();
    line.append(text);
    line += "\r\n";
    std::fwrite(line.data(), 1, line.size(), file_.get());
    // On the disk, not only in the system's cache: the log must tell what happened before a power cut
    // in the middle of an upgrade.
    std::fflush(file_.get());
    fsync(fileno(file_.get()));
}
