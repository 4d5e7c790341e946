#include "platform/CPosixSerial.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>

#include "errors/CCommError.h"
#include "errors/CErrorLog.h"
#include "errors/CGenError.h"
#include "errors/WireTrace.h"
#include "platform/CharacterTicks.h"
#include "platform/ClosedDevice.h"
#include "platform/PortTimerLoan.h"

namespace {

constexpr unsigned kPurgeBoth = CommDevice::kPurgeInput | CommDevice::kPurgeOutput;

// Character time in half bits: the start bit, each data bit, the parity term and the stop bits.
constexpr int kStartHalfBits = 2;
constexpr int kHalfBitsPerDataBit = 2;
constexpr int kOddParityHalfBits = 2;
constexpr int kEvenParityHalfBits = 4;  // as the program has always counted it; no radio uses even parity

// Read refuses a time-out above both of these: 250 ms a byte and a minute.
constexpr std::uint64_t kMaxTimeoutMsPerByte = 250;
constexpr unsigned kMaxTimeoutMs = 60000;

constexpr std::uint64_t kNsPerMs = 1'000'000;
constexpr double kErrorPollSeconds = 0.002;
constexpr double kTransmitterRetriesPerCharacter = 4;

// A rate change waits for the queued output to leave at the old rate, as long as the queue needs and
// this much more, then goes ahead: changing the rate or purging under a character cuts it off.
constexpr double kDrainSlackSeconds = 0.1;

constexpr unsigned kPulseBaud = 300;
constexpr int kPulseAttempts = 3;
constexpr std::uint8_t kNoPulse = 0xFF;
// A low pulse of a few bit times reads as ones over zeros; 0xF0 and 0x80 are not taken as the pulse.
constexpr std::array<std::uint8_t, 5> kPulseCharacters = {0xC0, 0xE0, 0xF8, 0xFC, 0xFE};

constexpr int kUnknownErrorCode = 9;
constexpr const char* kUnknownErrorText = "Unknown IO error occured while accessing communication port";

struct LineErrorRule {
    unsigned flag;
    int code;
    const char* text;
};

constexpr std::array<LineErrorRule, 6> kLineErrorRules = {{
    {CSerial::kBreak, 10, "Break detected while accessing communication port"},
    {CSerial::kFramingError, 7, "Framing error detected while accessing communication port"},
    {CSerial::kOverrun, 8, "Overrun detected while accessing communication port"},
    {CSerial::kParityError, 6, "Parity error detected while accessing communication port"},
    {CSerial::kReceiveOverflow, 5, "Communication port input buffer overflow"},
    {CSerial::kTransmitQueueFull, 4, "Communication port output buffer overflow"},
}};

Parity ParityFrom(int parity) {
    if (parity == CSerial::kParityOdd)
        return Parity::Odd;
    if (parity == CSerial::kParityEven)
        return Parity::Even;
    return Parity::None;
}

StopBits StopBitsFrom(int stopBits) {
    if (stopBits == CSerial::kOneAndHalfStopBits)
        return StopBits::OneAndHalf;
    if (stopBits == CSerial::kTwoStopBits)
        return StopBits::Two;
    return StopBits::One;
}

// By difference, as the counter may wrap.
bool Reached(Clock& clock, std::uint64_t deadline) {
    return static_cast<std::int64_t>(clock.Now() - deadline) >= 0;
}

int ParityHalfBits(Parity parity) {
    switch (parity) {
        case Parity::Odd:
            return kOddParityHalfBits;
        case Parity::Even:
            return kEvenParityHalfBits;
        case Parity::None:
            break;
    }
    return 0;
}

}  // namespace

CPosixSerial::CPosixSerial(DeviceOpener opener) : opener_(std::move(opener)) {}

CPosixSerial::~CPosixSerial() {
    Close();
}

CommDevice& CPosixSerial::Device() {
    static ClosedDevice closed;
    return device_ ? *device_ : closed;
}

void CPosixSerial::RaiseIfGone() {
    if (Device().Gone())
        throw CCommError(kUnknownErrorCode, "%s", kGoneText);
}

void CPosixSerial::Open(unsigned port) {
    if (port_ != 0)
        Close();
    port_ = static_cast<int>(port);
    device_ = DeviceFor(port);
    if (!device_)
        throw CCommError(1, "CWinSerial::Open: Unable to open com%u", port);
    if (!device_->MakeRaw())
        RaiseOpenFailure("CWinSerial::OpenPort: SetCommTimeouts returned false");
    if (!device_->GetLine())
        RaiseOpenFailure("CWinSerial::OpenPort: GetCommState returned false");
    const LineSettings stored{baud_, charSize_, ParityFrom(parity_), StopBitsFrom(stopBits_)};
    if (!TakeLine(stored))
        RaiseOpenFailure("CWinSerial::OpenPort: SetCommState returned false");
    device_->Purge(kPurgeBoth);
}

std::unique_ptr<CommDevice> CPosixSerial::DeviceFor(unsigned port) {
    std::unique_ptr<CommDevice> kept = std::move(keptDevice_);
    // A kept device that can no longer tell its line has gone (the cable pulled, the adapter unplugged):
    // the port's device is opened anew, as it may be back.
    if (kept && keptPort_ == port && !kept->Gone() && kept->GetLine()) {
        kept->ClearErrors();  // what the line did while the port was closed is no concern of this opening
        return kept;
    }
    kept.reset();  // another port's device goes before this one is opened
    return opener_ ? opener_(port) : nullptr;
}

void CPosixSerial::RaiseOpenFailure(const char* text) {
    // A port whose line could not be set is not left half open; the number stays until Close.
    device_.reset();
    throw CCommError(12, "%s", text);
}

void CPosixSerial::Close() {
    if (holds_ > 0 && device_) {
        keptDevice_ = std::move(device_);
        keptPort_ = static_cast<unsigned>(port_);
    }
    device_.reset();
    port_ = 0;
}

void CPosixSerial::ReleaseDevice() {
    if (holds_ > 0 && --holds_ == 0)
        keptDevice_.reset();
}

void CPosixSerial::SetParams(unsigned baud, int parity, int stopBits, int charSize) {
    baud_ = baud;
    parity_ = parity;
    stopBits_ = stopBits;
    charSize_ = charSize;
}

int CPosixSerial::GetStopBits() const {
    switch (line_.stopBits) {
        case StopBits::OneAndHalf:
            return kOneAndHalfStopBits;
        case StopBits::Two:
            return kTwoStopBits;
        case StopBits::One:
            break;
    }
    return kOneStopBit;
}

int CPosixSerial::GetParity() const {
    switch (line_.parity) {
        case Parity::Odd:
            return kParityOdd;
        case Parity::Even:
            return kParityEven;
        case Parity::None:
            break;
    }
    return kParityNone;
}

void CPosixSerial::SetBaud(unsigned baud) {
    DrainOutput();
    ApplyLine({baud, line_.dataBits, line_.parity, line_.stopBits},
              "CWinSerial::SetBaud: SetCommState returned false");
    if (WireTrace* trace = WireTrace::Installed())
        trace->OnRateChange(baud);
}

void CPosixSerial::DrainOutput() {
    std::size_t queued = Device().ClearErrors().outputQueued;
    if (queued == 0)
        return;
    PortTimerLoan timer;
    if (!timer)
        throw CGenError(1);
    timer->Start();
    const double limit = static_cast<double>(queued + 1) * ByteTime() + kDrainSlackSeconds;
    while (queued != 0) {
        if (timer->Elapsed() > limit) {
            ErrorLog().Log("CWinSerial::SetBaud: %d bytes still queued for sending",
                           static_cast<int>(queued));
            return;
        }
        timer->Wait(kErrorPollSeconds);
        queued = Device().ClearErrors().outputQueued;
    }
}

void CPosixSerial::SetParity(int parity) {
    ApplyLine({line_.baud, line_.dataBits, ParityFrom(parity), line_.stopBits},
              "WinSerial::SetParity: SetCommState returned false");
}

void CPosixSerial::SetCharSize(int charSize) {
    ApplyLine({line_.baud, charSize, line_.parity, line_.stopBits},
              "CWinSerial::SetCharSize: SetCommState returned false");
}

void CPosixSerial::SetStopBits(int stopBits) {
    ApplyLine({line_.baud, line_.dataBits, line_.parity, StopBitsFrom(stopBits)},
              "CWinSerial::SetStopBits: SetCommState returned false");
}

void CPosixSerial::ApplyLine(const LineSettings& line, const char* refusedText) {
    if (!TakeLine(line))
        throw CCommError(12, "%s", refusedText);
    Device().Purge(kPurgeBoth);
}

// The line state changes only once the device has taken the settings, so the getters never report a
// setting the port does not have, and ByteTime never divides by a rate of 0.
bool CPosixSerial::TakeLine(const LineSettings& line) {
    if (!IsSupported(line) || !Device().SetLine(line))
        return false;
    line_ = line;
    return true;
}

void CPosixSerial::PurgeInput() {
    Device().Purge(CommDevice::kPurgeInput);
}

double CPosixSerial::ByteTime() {
    const int halfBits = kStartHalfBits + kHalfBitsPerDataBit * line_.dataBits +
                         ParityHalfBits(line_.parity) + StopHalfBits(line_.stopBits);
    return halfBits * 0.5 / line_.baud;
}

unsigned CPosixSerial::ToByteTimes(double seconds) {
    // Kept one below the top so that the idle limit's "+ 1" cannot wrap.
    constexpr double kLimit = UINT_MAX - 1.0;
    return static_cast<unsigned>(std::min(seconds / ByteTime(), kLimit));
}

std::size_t CPosixSerial::InputCount() {
    return Device().ClearErrors().inputQueued;
}

void CPosixSerial::WaitForBytesUnless(unsigned count, unsigned timeoutMs) {
    if (count == 0)
        return;
    // The time-out is shared out over the wanted bytes as the longest gap, in character times, that
    // may pass without a new one.
    const unsigned idleLimit = std::max(1u, (ToByteTimes(timeoutMs * 0.001) + 1) / count);
    // The port timer is held for the lending rule alone: the wait sleeps in the device, on the clock.
    PortTimerLoan timer;
    if (!timer) {
        ErrorLog().Log("CWinSerial::WaitForBytesUnless: Allocating timer to wait for bytes %d bytes",
                       static_cast<int>(count));
        throw CGenError(1);
    }
    Clock& clock = CPlatform::Instance()->GetClock();
    const CharacterTicks ticks(clock.Now(), ByteTime());
    std::size_t previous = 0;
    std::uint64_t changedAtTick = 0;
    while (previous < count) {
        std::size_t current = InputCount();
        const std::uint64_t deadline = ticks.At(changedAtTick + idleLimit);
        while (current == previous) {
            RaiseIfGone();
            if (Reached(clock, deadline)) {
                ErrorLog().Log("Number of byteTime timeout = %d", static_cast<int>(idleLimit));
                if (current == 0)
                    throw CCommError(2, "CWinSerial::WaitForBytesUnless: No data received when timeout");
                throw CCommError(3, "CWinSerial::WaitForBytesUnless: Timeout after receiving %d bytes",
                                 static_cast<int>(current));
            }
            Device().WaitForInput(previous, deadline, clock);
            current = InputCount();
        }
        changedAtTick = ticks.FirstAtOrAfter(clock.Now());
        previous = current;
        InputCount();
    }
}

bool CPosixSerial::WaitForQuiet(unsigned quietCharacters, unsigned timeoutMs) {
    // Held for the lending rule alone, as in WaitForBytesUnless.
    PortTimerLoan timer;
    if (!timer)
        throw CGenError(1);
    Clock& clock = CPlatform::Instance()->GetClock();
    const std::uint64_t start = clock.Now();
    const CharacterTicks ticks(start, ByteTime());
    const std::uint64_t limit = start + std::uint64_t{timeoutMs} * kNsPerMs;
    std::size_t seen = InputCount();
    std::uint64_t quietAt = ticks.At(quietCharacters);
    for (;;) {
        RaiseIfGone();
        if (Reached(clock, quietAt))
            return true;
        if (Reached(clock, limit))
            return false;
        const bool limitFirst = static_cast<std::int64_t>(limit - quietAt) < 0;
        Device().WaitForInput(seen, limitFirst ? limit : quietAt, clock);
        const std::size_t now = InputCount();
        if (now != seen) {
            seen = now;
            quietAt = ticks.At(ticks.FirstAtOrAfter(clock.Now()) + quietCharacters);
        }
    }
}

bool CPosixSerial::WaitForCharacter(unsigned timeoutMs) {
    PortTimerLoan timer;
    if (!timer)
        throw CGenError(1);
    Clock& clock = CPlatform::Instance()->GetClock();
    const std::uint64_t limit = clock.Now() + std::uint64_t{timeoutMs} * kNsPerMs;
    while (InputCount() == 0) {
        RaiseIfGone();
        if (Reached(clock, limit))
            return false;
        Device().WaitForInput(0, limit, clock);
    }
    return true;
}

void CPosixSerial::Read(std::span<std::uint8_t> destination, unsigned timeoutMs) {
    const auto count = static_cast<unsigned>(destination.size());
    if (timeoutMs > kMaxTimeoutMsPerByte * count && timeoutMs > kMaxTimeoutMs) {
        ErrorLog().Log("Timeout is too big, timeout = %d", static_cast<int>(timeoutMs));
        throw CGenError(3, "Timeout specified is too big");
    }
    WaitForBytesUnless(count, timeoutMs);
    if (Device().Read(destination))
        return;
    RaiseIfGone();
    RaiseLineError(Device().ClearErrors().errors);
    // A read that failed without a flag must not pass for a good one: the buffer was not filled.
    throw CCommError(kUnknownErrorCode, "%s", kUnknownErrorText);
}

void CPosixSerial::RaiseLineError(unsigned flags) {
    if (flags == 0)
        return;
    for (const LineErrorRule& rule : kLineErrorRules) {
        if ((flags & rule.flag) != 0)
            throw CCommError(rule.code, "%s", rule.text);
    }
    throw CCommError(kUnknownErrorCode, "%s", kUnknownErrorText);
}

void CPosixSerial::Write(std::span<const std::uint8_t> source, unsigned timeoutMs) {
    const CommDevice::Status status = Device().ClearErrors();
    if ((status.errors & kBreak) != 0) {
        if (!WaitForErrorClear(kBreak, timeoutMs)) {
            throw CCommError(10, "CWinSerial::Write: Timeout while waiting for break condition to terminate");
        }
        PurgeInput();
    }
    if (status.outputQueued != 0)
        Device().Purge(CommDevice::kPurgeOutput);
    const unsigned remainingMs = TransmitAll(source, timeoutMs);
    if (GetEcho() == 1)
        CompareEcho(source, remainingMs);
}

// Hands the bytes over one at a time; returns the whole milliseconds left of the time-out. The port
// timer goes back before the echo is read, which borrows it again.
unsigned CPosixSerial::TransmitAll(std::span<const std::uint8_t> source, unsigned timeoutMs) {
    PortTimerLoan timer;
    if (!timer)
        throw CGenError(1);
    timer->Start();
    const double limit = timeoutMs * 0.001;
    double handedAt = 0;
    for (std::size_t sent = 0; sent < source.size(); ++sent) {
        while (!Device().TransmitChar(source[sent])) {
            RaiseIfGone();
            const double now = timer->Elapsed();
            if (now > limit) {
                throw CCommError(2, "CWinSerial::Write: Timeout after sending out %d bytes",
                                 static_cast<int>(sent));
            }
            WaitForTransmitter(*timer, handedAt, now, limit);
        }
        handedAt = timer->Elapsed();
    }
    const double remainingMs = timeoutMs - timer->Elapsed() * 1000;
    // A transmission that used up the time leaves the echo a zero time-out: what already came back
    // still passes, nothing is waited for.
    return remainingMs > 0 ? static_cast<unsigned>(remainingMs) : 0;
}

// The character ahead leaves one character time after it was handed over, so the wait sleeps until
// then instead of asking the driver again and again; a driver slower to free its transmitter is asked
// every quarter character time. The wait never passes the limit, so no character is handed over after
// the time-out, as when the driver was asked without pause.
void CPosixSerial::WaitForTransmitter(CTimerCtrl& timer, double handedAt, double now, double limit) {
    const double freeAt = handedAt + ByteTime();
    const double wakeAt = now < freeAt ? freeAt : now + ByteTime() / kTransmitterRetriesPerCharacter;
    timer.Wait(std::min(wakeAt, limit) - now);
}

void CPosixSerial::CompareEcho(std::span<const std::uint8_t> sent, unsigned timeoutMs) {
    std::array<std::uint8_t, kEchoBufferBytes> echo{};
    for (std::size_t offset = 0; offset < sent.size(); offset += echo.size()) {
        const std::span<const std::uint8_t> piece =
            sent.subspan(offset, std::min(echo.size(), sent.size() - offset));
        const std::span<std::uint8_t> received = std::span(echo).first(piece.size());
        Read(received, timeoutMs);
        const auto [mismatch, ignored] = std::mismatch(piece.begin(), piece.end(), received.begin());
        if (mismatch != piece.end()) {
            const auto index = offset + static_cast<std::size_t>(mismatch - piece.begin());
            throw CCommError(11, "CWinSerial::Write: Echo byte %d does not match transmitted character",
                             static_cast<int>(index));
        }
    }
}

bool CPosixSerial::WaitForCommError(unsigned mask, unsigned timeoutMs) {
    return PollErrorFlags(mask, timeoutMs, true);
}

bool CPosixSerial::WaitForErrorClear(unsigned mask, unsigned timeoutMs) {
    return PollErrorFlags(mask, timeoutMs, false);
}

// Queries the flags every 2 ms until a flag of mask is set (untilSet) or none is; false at the time-out.
bool CPosixSerial::PollErrorFlags(unsigned mask, unsigned timeoutMs, bool untilSet) {
    PortTimerLoan timer;
    if (!timer)
        throw CGenError(1);
    timer->Start();
    const auto reached = [&] {
        const unsigned errors = Device().ClearErrors().errors;
        RaiseIfGone();
        return ((errors & mask) != 0) == untilSet;
    };
    if (reached())
        return true;
    for (;;) {
        timer->Wait(kErrorPollSeconds);
        if (timer->Elapsed() > timeoutMs * 0.001)
            return false;
        if (reached())
            return true;
    }
}

bool CPosixSerial::DetectPulse(unsigned timeoutMs) {
    const unsigned baud = GetBaud();
    try {
        SetBaud(kPulseBaud);
        const bool seen = ReadPulse(timeoutMs);
        SetBaud(baud);
        return seen;
    } catch (const CError& error) {
        try {
            SetBaud(baud);
        } catch (const CError& restoreError) {
            ErrorLog().Log("%s", restoreError.GetText());
        }
        ErrorLog().Log("%s", error.GetText());
        throw CGenError(3, "General Communication Error");
    }
}

bool CPosixSerial::ReadPulse(unsigned timeoutMs) {
    for (int attempt = 0; attempt < kPulseAttempts; ++attempt) {
        PurgeInput();
        std::uint8_t character = kNoPulse;
        Read(std::span(&character, 1), timeoutMs);
        if (std::find(kPulseCharacters.begin(), kPulseCharacters.end(), character) !=
            kPulseCharacters.end()) {
            return true;
        }
    }
    return false;
}
