#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string_view>

#include "errors/CLog.h"

// The error log's file sink: one time-stamped line per call, "%m/%d/%y %H:%M:%S  " + text + CR LF,
// on the disk (fsync) before the call returns. The file is created, or truncated, when the sink is
// made, never through a link and with no permission for other users (SafeFolder); a file that cannot be
// opened is reported once, with the reason on a second line, and every line is then dropped.
class CwFileLog : public CLog {
public:
    static constexpr const char* kDefaultFileName = "cvErrlog.txt";

    explicit CwFileLog(const char* fileName);

    bool Clear() override;
    void WriteResource(unsigned id) override;
    void WriteLine(const char* text) override;

    const std::filesystem::path& Path() const { return path_; }
    bool HasFile() const { return file_ != nullptr; }

    // The folder that new file sinks write into: the working directory the application captured at
    // start-up. Empty (the default) means the current directory.
    static void SetDirectory(const std::filesystem::path& directory);
    static const std::filesystem::path& Directory();

private:
    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    void WriteStamped(std::string_view text);

    std::filesystem::path path_;
    std::unique_ptr<std::FILE, FileCloser> file_;
};
