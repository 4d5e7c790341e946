#include "errors/CErrorLog.h"

#include <algorithm>
#include <cstdarg>
#include <string>

#include "platform/CPlatform.h"

namespace {

constexpr int kFileSinkKind = 0;
constexpr int kAuxSinkKind = 1;

std::unique_ptr<CLog> StartedSink(int kind) {
    std::unique_ptr<CLog> sink = CPlatform::Instance()->CreateLog(kind);
    if (sink)
        sink->Start();
    return sink;
}

}  // namespace

CErrorLog& ErrorLog() {
    static CErrorLog log;
    return log;
}

void CErrorLog::Log(const char* format, ...) {
    if (format == nullptr)
        return;
    try {
        std::va_list args;
        va_start(args, format);
        const std::string line = FormatTextV(format, args);
        va_end(args);
        CreateSinksOnce();
        Dispatch(line.c_str());
    } catch (...) {
        // A line that cannot be logged is dropped; logging must never become the failure.
    }
}

void CErrorLog::LogHex(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    try {
        CreateSinksOnce();
        do {
            const std::span<const std::uint8_t> chunk =
                bytes.first(std::min(bytes.size(), kMaxHexBytesPerLine));
            std::string line;
            line.reserve(chunk.size() * 2);
            for (const std::uint8_t byte : chunk) {
                line += kDigits[byte >> 4];
                line += kDigits[byte & 0x0F];
            }
            Dispatch(line.c_str());
            bytes = bytes.subspan(chunk.size());
        } while (!bytes.empty());
    } catch (...) {
    }
}

void CErrorLog::ClearAuxLog() {
    try {
        CreateSinksOnce();
        if (auxSwitch_ && auxSink_)
            auxSink_->Clear();
    } catch (...) {
    }
}

void CErrorLog::UseSinks(std::unique_ptr<CLog> fileSink, std::unique_ptr<CLog> auxSink) {
    fileSink_ = std::move(fileSink);
    auxSink_ = std::move(auxSink);
    ownSinks_ = true;
}

void CErrorLog::CloseSinks() {
    fileSink_.reset();
    auxSink_.reset();
    ownSinks_ = false;
    fileSinkMade_ = false;
    auxSinkMade_ = false;
}

// A sink that cannot open its file shows a message box, and a box's event loop may log: such lines
// are dropped instead of making another sink, and another box, without end. The file sink is made only
// while the file switch is on: with the log off, no file is opened, emptied or written.
void CErrorLog::CreateSinksOnce() {
    if (ownSinks_ || creatingSinks_)
        return;
    creatingSinks_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{creatingSinks_};
    if (fileSwitch_ && !fileSinkMade_) {
        fileSinkMade_ = true;
        fileSink_ = StartedSink(kFileSinkKind);
    }
    if (!auxSinkMade_) {
        auxSinkMade_ = true;
        auxSink_ = StartedSink(kAuxSinkKind);
    }
}

void CErrorLog::Dispatch(const char* line) {
    if (fileSwitch_ && fileSink_)
        fileSink_->WriteLine(line);
    if (auxSwitch_ && auxSink_)
        auxSink_->WriteLine(line);
}
