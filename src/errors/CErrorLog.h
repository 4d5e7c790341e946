#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "errors/CLog.h"
#include "errors/TextFormat.h"

// The system's one diagnostic log. Each line goes to the file sink while the file switch is on and to
// the auxiliary sink while that switch is on; both are off at start. The sinks come from the platform
// on the first Log, LogHex or ClearAuxLog, the file sink only once the file switch is on. The log never
// throws.
class CErrorLog {
public:
    CErrorLog() = default;
    CErrorLog(const CErrorLog&) = delete;
    CErrorLog& operator=(const CErrorLog&) = delete;
    virtual ~CErrorLog() = default;

    // A null format does nothing at all. Lines longer than 511 characters are cut.
    void Log(const char* format, ...) CORVIDA_PRINTF(2, 3);
    // The bytes as two upper-case hex digits each, no separators; a dump of more than
    // kMaxHexBytesPerLine bytes continues on further lines.
    void LogHex(std::span<const std::uint8_t> bytes);
    void ClearAuxLog();

    void SetFileLogging(bool on) { fileSwitch_ = on; }
    // The auxiliary sink is the platform's kind 1; only test platforms provide one.
    void SetAuxLogging(bool on) { auxSwitch_ = on; }
    bool IsFileLogging() const { return fileSwitch_; }
    bool IsAuxLogging() const { return auxSwitch_; }

    // Puts a program's own sinks in place of the platform's until CloseSinks (a command-line run decides
    // for itself where lines go); a null sink drops its lines, and the platform is not asked for any
    // meanwhile. The sinks are used as given: the caller starts them.
    void UseSinks(std::unique_ptr<CLog> fileSink, std::unique_ptr<CLog> auxSink);
    // Closes both sinks; the next Log, LogHex or ClearAuxLog creates them anew from the platform.
    void CloseSinks();

    static constexpr std::size_t kMaxHexBytesPerLine = 511;

private:
    void CreateSinksOnce();
    void Dispatch(const char* line);

    bool auxSwitch_ = false;
    bool fileSwitch_ = false;
    bool ownSinks_ = false;  // the sinks were given by UseSinks
    bool creatingSinks_ = false;
    bool fileSinkMade_ = false;  // asked of the platform, whether or not it gave one
    bool auxSinkMade_ = false;
    std::unique_ptr<CLog> auxSink_;
    std::unique_ptr<CLog> fileSink_;
};

// The global error log.
CErrorLog& ErrorLog();
