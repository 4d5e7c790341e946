#include "platform/CPosixPlatform.h"

#include "errors/CCommError.h"
#include "errors/CwFileLog.h"
#include "platform/SteadyClock.h"

namespace {

constexpr int kFileLogKind = 0;

// Stands in until the termios serial port is built: every Open fails as an absent device does.
class UnavailableSerial : public CSerial {
public:
    void PurgeInput() override {}
    double ByteTime() override { return 10.0 / 9600; }
    void Open(unsigned port) override { throw CCommError(1, "CWinSerial::Open: Unable to open com%u", port); }
    void Close() override {}
    int GetPort() const override { return 0; }
    void Read(std::span<std::uint8_t>, unsigned) override { throw CCommError(2); }
    void Write(std::span<const std::uint8_t>, unsigned) override { throw CCommError(2); }
    bool WaitForCommError(unsigned, unsigned) override { return false; }
    bool DetectPulse(unsigned) override { return false; }
    void WaitForBytesUnless(unsigned, unsigned) override { throw CCommError(2); }
    void SetParams(unsigned, int, int, int) override {}
    int GetStopBits() const override { return 0; }
    void SetStopBits(int) override {}
    int GetCharSize() const override { return 8; }
    void SetCharSize(int) override {}
    int GetParity() const override { return 0; }
    void SetParity(int) override {}
    unsigned GetBaud() const override { return 9600; }
    void SetBaud(unsigned) override {}
};

}  // namespace

CPosixPlatform::CPosixPlatform()
    : CPosixPlatform(std::make_shared<SteadyClock>(), std::make_unique<UnavailableSerial>()) {}

CPosixPlatform::CPosixPlatform(std::shared_ptr<Clock> clock, std::unique_ptr<CSerial> serial)
    : clock_(std::move(clock)),
      serial_(std::move(serial)),
      spareTimer_(*clock_),
      delayTimer_(*clock_),
      portTimer_(*clock_) {}

CPosixPlatform::~CPosixPlatform() {
    if (serial_) serial_->Close();
}

CTimerCtrl* CPosixPlatform::GetDelayTimer() {
    if (delayTimerLends_ > 0) return nullptr;
    ++delayTimerLends_;
    return &delayTimer_;
}

void CPosixPlatform::ReleaseDelayTimer() { --delayTimerLends_; }

CTimerCtrl* CPosixPlatform::GetPortTimer() {
    if (portTimerLends_ > 0) return nullptr;
    ++portTimerLends_;
    return &portTimer_;
}

void CPosixPlatform::ReleasePortTimer() { --portTimerLends_; }

CSerial* CPosixPlatform::GetSerial() {
    if (serialLends_ != 0) return nullptr;
    serialLends_ = 1;
    return serial_.get();
}

void CPosixPlatform::ReleaseSerial() {
    --serialLends_;
    if (serial_) serial_->Close();
}

CTimerCtrl* CPosixPlatform::GetSpareTimer() {
    if (spareTimerLent_ != 0) return nullptr;
    spareTimerLent_ = 1;
    return &spareTimer_;
}

void CPosixPlatform::ReleaseSpareTimer() { --spareTimerLent_; }

std::unique_ptr<CLog> CPosixPlatform::CreateLog(int kind) {
    if (kind != kFileLogKind) return nullptr;
    return std::make_unique<CwFileLog>(CwFileLog::kDefaultFileName);
}

void CPosixPlatform::Sleep(unsigned milliseconds) { clock_->Sleep(milliseconds); }
