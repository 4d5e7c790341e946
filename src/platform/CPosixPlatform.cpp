#include "platform/CPosixPlatform.h"

#include "errors/CErrorLog.h"
#include "errors/CwFileLog.h"
#include "platform/CPosixSerial.h"
#include "platform/SteadyClock.h"
#include "platform/TermiosDevice.h"

namespace {

constexpr int kFileLogKind = 0;

// The machine's ports: COM n is the device the numbering gives it, opened through termios.
CPosixSerial::DeviceOpener TermiosOpener(std::shared_ptr<const ComPortMap> ports) {
    return [ports = std::move(ports)](unsigned port) -> std::unique_ptr<CommDevice> {
        const std::string path = ports->PathFor(port);
        if (path.empty()) {
            ErrorLog().Log("CPosixSerial::Open: No device is known for com%u", port);
            return nullptr;
        }
        return TermiosDevice::Open(path);
    };
}

}  // namespace

CPosixPlatform::CPosixPlatform() : CPosixPlatform(std::make_shared<ComPortMap>()) {}

CPosixPlatform::CPosixPlatform(std::shared_ptr<ComPortMap> ports)
    : CPosixPlatform(std::make_shared<SteadyClock>(), std::make_unique<CPosixSerial>(TermiosOpener(ports))) {
    ports_ = std::move(ports);
}

CPosixPlatform::CPosixPlatform(std::shared_ptr<Clock> clock, std::unique_ptr<CSerial> serial)
    : clock_(std::move(clock)),
      serial_(std::move(serial)),
      spareTimer_(*clock_),
      delayTimer_(*clock_),
      portTimer_(*clock_) {}

CPosixPlatform::~CPosixPlatform() {
    if (serial_)
        serial_->Close();
}

CTimerCtrl* CPosixPlatform::GetDelayTimer() {
    if (delayTimerLends_ > 0)
        return nullptr;
    ++delayTimerLends_;
    return &delayTimer_;
}

void CPosixPlatform::ReleaseDelayTimer() {
    --delayTimerLends_;
}

CTimerCtrl* CPosixPlatform::GetPortTimer() {
    if (portTimerLends_ > 0)
        return nullptr;
    ++portTimerLends_;
    return &portTimer_;
}

void CPosixPlatform::ReleasePortTimer() {
    --portTimerLends_;
}

CSerial* CPosixPlatform::GetSerial() {
    if (serialLends_ != 0)
        return nullptr;
    serialLends_ = 1;
    return serial_.get();
}

void CPosixPlatform::ReleaseSerial() {
    --serialLends_;
    if (serial_)
        serial_->Close();
}

void CPosixPlatform::HoldPortDevice() {
    if (serial_)
        serial_->HoldDevice();
}

void CPosixPlatform::ReleasePortDevice() {
    if (serial_)
        serial_->ReleaseDevice();
}

CTimerCtrl* CPosixPlatform::GetSpareTimer() {
    if (spareTimerLent_ != 0)
        return nullptr;
    spareTimerLent_ = 1;
    return &spareTimer_;
}

void CPosixPlatform::ReleaseSpareTimer() {
    --spareTimerLent_;
}

std::unique_ptr<CLog> CPosixPlatform::CreateLog(int kind) {
    if (kind != kFileLogKind)
        return nullptr;
    return std::make_unique<CwFileLog>(CwFileLog::kDefaultFileName);
}

void CPosixPlatform::Sleep(unsigned milliseconds) {
    clock_->Sleep(milliseconds);
}
