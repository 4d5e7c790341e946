#include "engine/CBootstrap.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "errors/CErrorLog.h"
#include "errors/CGenError.h"
#include "errors/WireTrace.h"
#include "platform/CPlatform.h"
#include "platform/CSerial.h"

namespace {

// Variant detection: a first look for the break, then five more after short pauses.
constexpr unsigned kDetectFirstMs = 1000;
constexpr int kDetectRepeats = 5;
constexpr unsigned kDetectPauseMs = 30;
constexpr unsigned kDetectRepeatMs = 200;

// The ZR5 loader's announcement and sync exchange.
constexpr int kSyncAttempts = 3;
constexpr int kDetectionTries = 2;
constexpr unsigned kBreakSeenMs = 70;
constexpr unsigned kBreakSettleMs = 15;
constexpr unsigned kBreakEndMs = 5;
constexpr unsigned kPulseTimeoutMs = 2000;
constexpr double kBreakEndLimitSeconds = 2.0;  // a line that never leaves its break is no loader
constexpr unsigned kSyncWriteTimeoutMs = 100;
constexpr unsigned kSyncReadTimeoutMs = 100;
constexpr std::uint8_t kInSync = 0xFF;
constexpr unsigned kAnnouncementLookMs = 20;  // each look for a break, then for a character

constexpr std::size_t kBlockBytes = 8;
constexpr std::size_t kBlockAnswerBytes = 16;
constexpr std::size_t kPieceBytes = 10;
constexpr unsigned kQ7SyncTimeoutMs = 10;

struct SyncRate {
    unsigned baud;
    std::uint8_t character;
};

constexpr std::array<SyncRate, 6> kSyncCharacters = {{
    {553, 0xFF},
    {3600, 0xFF},
    {1800, 0xFD},
    {2400, 0xFD},
    {4800, 0xFD},
    {4430, 0xF0},
}};

constexpr const char* kRateNotSet = "Bootstrap baudrate is not set correctly";
constexpr const char* kNotDetected = "Could not detect radio in bootstrap mode";
constexpr const char* kSendingFailed = "Sending bootcode failed";
constexpr const char* kVerificationFailed = "Bootcode verification failed";
constexpr const char* kWriteSyncFailed = "Write bootstrap sync character failed";
constexpr const char* kReadSyncFailed = "Read bootstrap sync character failed";
constexpr const char* kTooBig = "Bootcode image is too big";

using Bytes = std::span<const std::uint8_t>;

void Trace(std::string_view step, Bytes sent, Bytes received, std::string_view result,
           std::string_view failure) {
    if (WireTrace* trace = WireTrace::Installed())
        trace->OnBootstrapStep({step, sent, received, result, failure});
}

std::string StepAt(const char* kind, std::size_t offset) {
    char name[32];
    std::snprintf(name, sizeof name, "%s 0x%04X", kind, static_cast<unsigned>(offset));
    return name;
}

void Sleep(unsigned milliseconds) {
    CPlatform::Instance()->Sleep(milliseconds);
}

// The platform's spare timer for the length of one bounded wait.
class SpareTimerLoan {
public:
    SpareTimerLoan() : platform_(CPlatform::Instance()), timer_(platform_->GetSpareTimer()) {
        if (!timer_)
            throw CGenError(1);
    }
    ~SpareTimerLoan() { platform_->ReleaseSpareTimer(); }
    SpareTimerLoan(const SpareTimerLoan&) = delete;
    SpareTimerLoan& operator=(const SpareTimerLoan&) = delete;

    CTimerCtrl* operator->() const { return timer_; }

private:
    CPlatform* platform_;
    CTimerCtrl* timer_;
};

// The echo flag off while the ZR5 blocks are read back explicitly, and set back however they end.
class EchoSuspended {
public:
    explicit EchoSuspended(CSerial& port) : port_(port), saved_(port.GetEcho()) { port_.SetEcho(0); }
    ~EchoSuspended() { port_.SetEcho(saved_); }
    EchoSuspended(const EchoSuspended&) = delete;
    EchoSuspended& operator=(const EchoSuspended&) = delete;

private:
    CSerial& port_;
    std::uint8_t saved_;
};

}  // namespace

CBootstrap::CBootstrap(CSerial* port) : port_(port) {}

CBootstrap::~CBootstrap() {
    port_ = nullptr;
    variant_ = kUndetermined;
}

std::size_t CBootstrap::BlockCount(BootstrapVariant variant, std::size_t imageBytes) {
    const std::size_t unit = variant == kQ7 ? kPieceBytes : kBlockBytes;
    return (imageBytes + unit - 1) / unit;
}

void CBootstrap::BlockSent() const {
    if (blockSent_)
        blockSent_();
}

void CBootstrap::SendBootcode(std::span<const std::uint8_t> image) {
    if (image.size() > kMaxImageBytes) {
        ErrorLog().Log("Bootstrap::SendBootcode: Bootcode image of %u bytes is over the limit of %u bytes",
                       static_cast<unsigned>(image.size()), static_cast<unsigned>(kMaxImageBytes));
        throw CGenError(3, "%s", kTooBig);
    }
    if (variant_ == kUndetermined)
        variant_ = DetectVariant();
    if (variant_ == kZR5)
        ZR5_Send_Bootcode(image);
    else if (variant_ == kQ7)
        Q7_Send_Bootcode(image);
}

BootstrapVariant CBootstrap::DetectVariant() {
    BootstrapVariant found = kZR5;
    if (!port_->WaitForCommError(CSerial::kBreak, kDetectFirstMs)) {
        found = kQ7;
    } else {
        for (int repeat = 0; repeat < kDetectRepeats && found == kZR5; ++repeat) {
            Sleep(kDetectPauseMs);
            if (!port_->WaitForCommError(CSerial::kBreak, kDetectRepeatMs))
                found = kQ7;
        }
    }
    Trace("detect", {}, {}, found == kZR5 ? "ZR5" : "Q7", "");
    return found;
}

std::uint8_t CBootstrap::SyncCharacter() const {
    const unsigned baud = port_->GetBaud();
    const auto rate = std::find_if(kSyncCharacters.begin(), kSyncCharacters.end(),
                                   [baud](const SyncRate& row) { return row.baud == baud; });
    return rate == kSyncCharacters.end() ? 0 : rate->character;
}

void CBootstrap::Q7_Send_Bootcode(std::span<const std::uint8_t> image) {
    const auto pieceTimeoutMs = static_cast<unsigned>((port_->ByteTime() * 1000 + 2) * 10);
    const std::uint8_t sync = SyncCharacter();
    if (sync == 0) {
        ErrorLog().Log("Bootstrap::Q7_Send_Bootcode: Bootstrap download baudrate is not set correctly");
        throw CGenError(3, "%s", kRateNotSet);
    }
    WriteQ7Sync(sync);
    for (std::size_t offset = 0; offset < image.size(); offset += kPieceBytes)
        SendPiece(image.subspan(offset, std::min(kPieceBytes, image.size() - offset)), offset,
                  pieceTimeoutMs);
}

void CBootstrap::WriteQ7Sync(std::uint8_t syncCharacter) {
    const Bytes sent(&syncCharacter, 1);
    try {
        port_->Write(sent, kQ7SyncTimeoutMs);
    } catch (const CGenError& error) {
        Trace("sync", sent, {}, "", error.GetText());
        throw;
    } catch (const CError& error) {
        Trace("sync", sent, {}, "", error.GetText());
        ErrorLog().Log("%s", error.GetText());
        ErrorLog().Log("Bootstrap::Q7_Send_Bootcode: Write sync character failed");
        throw CGenError(3, "Write sync character failed");
    }
    Trace("sync", sent, {}, "", "");
}

void CBootstrap::SendPiece(std::span<const std::uint8_t> piece, std::size_t offset, unsigned timeoutMs) {
    const std::string step = StepAt("piece", offset);
    try {
        port_->Write(piece, timeoutMs);
    } catch (const CGenError& error) {
        Trace(step, piece, {}, "", error.GetText());
        throw;
    } catch (const CError& error) {
        Trace(step, piece, {}, "", error.GetText());
        ErrorLog().Log("%s", error.GetText());
        ErrorLog().Log("Bootstrap::Q7_Send_Bootcode: Sending bootcode at address %X failed",
                       static_cast<unsigned>(offset));
        throw CGenError(3, "%s", kSendingFailed);
    }
    Trace(step, piece, {}, "", "");
    BlockSent();
}

void CBootstrap::ZR5_Send_Bootcode(std::span<const std::uint8_t> image) {
    std::vector<std::uint8_t> padded((image.size() + kBlockBytes - 1) / kBlockBytes * kBlockBytes, 0);
    std::copy(image.begin(), image.end(), padded.begin());
    const std::uint8_t sync = SyncCharacter();
    if (sync == 0) {
        ErrorLog().Log("Bootstrap::ZR5_Send_Bootcode: Bootstrap download baudrate is not set correctly");
        throw CGenError(3, "%s", kRateNotSet);
    }
    WaitForBootstrapSync(sync);
    EchoSuspended echoOff(*port_);
    const auto blockTimeoutMs = static_cast<unsigned>((port_->ByteTime() * 20000 + 1) * 8);
    for (std::size_t offset = 0; offset < image.size(); offset += kBlockBytes)
        SendBlock(std::span(padded).subspan(offset, kBlockBytes), offset, blockTimeoutMs);
}

void CBootstrap::SendBlock(std::span<const std::uint8_t> block, std::size_t offset, unsigned timeoutMs) {
    const std::string step = StepAt("block", offset);
    std::array<std::uint8_t, kBlockAnswerBytes> answer{};
    try {
        port_->Write(block, timeoutMs);
        port_->Read(answer, 2 * timeoutMs);
    } catch (const CGenError& error) {
        Trace(step, block, {}, "", error.GetText());
        throw;
    } catch (const CError& error) {
        Trace(step, block, {}, "", error.GetText());
        ErrorLog().Log("%s", error.GetText());
        ErrorLog().Log("CBootstrap::ZR5_Send_Bootcode: Sending bootcode at address %X failed",
                       static_cast<unsigned>(offset));
        throw CGenError(3, "%s", kSendingFailed);
    }
    const bool repeated = std::equal(block.begin(), block.end(), answer.begin());
    Trace(step, block, answer, "", repeated ? "" : kVerificationFailed);
    if (!repeated)
        throw CGenError(3, "%s", kVerificationFailed);
    BlockSent();
}

void CBootstrap::WaitForBootstrapSync(std::uint8_t syncCharacter) {
    WaitForAnnouncement();
    for (int attempt = 1;; ++attempt) {
        DetectLoader();
        WaitForBreakEnd();
        const SyncResult result = ExchangeSync(syncCharacter);
        if (result == SyncResult::InSync)
            return;
        if (attempt == kSyncAttempts) {
            if (result == SyncResult::WriteFailed) {
                ErrorLog().Log("Bootstrap::ZR5_Send_Bootcode: Write bootstrap sync character failed");
                throw CGenError(3, "%s", kWriteSyncFailed);
            }
            ErrorLog().Log("Bootstrap::ZR5_Send_Bootcode: Read bootstrap sync character failed");
            throw CGenError(3, "%s", kReadSyncFailed);
        }
        ErrorLog().Log("Bootstrap::ZR5_Send_Bootcode: Retry sending sync character!! Retry %d", attempt);
    }
}

// Ends at the loader's first break or pulse (which the bootstrap rate may also take in as a character);
// the detection then finds the next one, as the loader repeats it. Without one the detection that
// follows fails as it would have without the wait.
void CBootstrap::WaitForAnnouncement() {
    if (announcementWaitMs_ == 0)
        return;
    SpareTimerLoan timer;
    timer->Start();
    port_->PurgeInput();
    while (timer->Elapsed() * 1000 < announcementWaitMs_) {
        if (port_->WaitForCommError(CSerial::kBreak, kAnnouncementLookMs) ||
            port_->WaitForCharacter(kAnnouncementLookMs)) {
            Trace("announce", {}, {}, "heard", "");
            return;
        }
    }
    Trace("announce", {}, {}, "", "nothing heard");
}

void CBootstrap::DetectLoader() {
    for (int tries = 0; tries < kDetectionTries; ++tries) {
        if (const std::optional<std::string_view> how = DetectOnce()) {
            Trace("detect", {}, {}, *how, "");
            return;
        }
    }
    Trace("detect", {}, {}, "", kNotDetected);
    ErrorLog().Log("Bootstrap::ZR5_Send_Bootcode: Could not detect radio in bootstrap mode");
    throw CGenError(3, "%s", kNotDetected);
}

// The loader's announcement: a break that has ended shortly after it was seen, or the short pulse.
std::optional<std::string_view> CBootstrap::DetectOnce() {
    if (port_->WaitForCommError(CSerial::kBreak, kBreakSeenMs)) {
        Sleep(kBreakSettleMs);
        if (!port_->WaitForCommError(CSerial::kBreak, kBreakEndMs))
            return "break";
        return std::nullopt;
    }
    if (port_->DetectPulse(kPulseTimeoutMs))
        return "pulse";
    return std::nullopt;
}

void CBootstrap::WaitForBreakEnd() {
    SpareTimerLoan timer;
    timer->Start();
    while (port_->WaitForCommError(CSerial::kBreak, kBreakEndMs)) {
        if (timer->Elapsed() > kBreakEndLimitSeconds) {
            Trace("detect", {}, {}, "", kNotDetected);
            ErrorLog().Log("Bootstrap::ZR5_Send_Bootcode: Could not detect radio in bootstrap mode");
            throw CGenError(3, "%s", kNotDetected);
        }
    }
}

CBootstrap::SyncResult CBootstrap::ExchangeSync(std::uint8_t syncCharacter) {
    const Bytes sent(&syncCharacter, 1);
    port_->PurgeInput();
    try {
        port_->Write(sent, kSyncWriteTimeoutMs);
    } catch (const CGenError& error) {
        Trace("sync", sent, {}, "", error.GetText());
        throw;
    } catch (const CError& error) {
        Trace("sync", sent, {}, "", error.GetText());
        ErrorLog().Log("%s", error.GetText());
        return SyncResult::WriteFailed;
    }
    std::uint8_t answer = 0;
    try {
        port_->Read(std::span(&answer, 1), kSyncReadTimeoutMs);
    } catch (const CGenError& error) {
        Trace("sync", sent, {}, "", error.GetText());
        throw;
    } catch (const CError& error) {
        Trace("sync", sent, {}, "", error.GetText());
        ErrorLog().Log("%s", error.GetText());
        return SyncResult::ReadFailed;
    }
    const bool inSync = answer == kInSync;
    Trace("sync", sent, Bytes(&answer, 1), inSync ? "in sync" : "", inSync ? "" : kReadSyncFailed);
    return inSync ? SyncResult::InSync : SyncResult::ReadFailed;
}
