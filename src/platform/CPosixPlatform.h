#pragma once

#include <memory>

#include "platform/CPlatform.h"
#include "platform/CPosixTimer.h"
#include "platform/Clock.h"
#include "platform/ComPortMap.h"

// The platform of this system: the steady clock, three busy-wait timers on it, one serial port and the
// file log sink. The lend counts follow the original rules to the letter: the timers count down on
// release, the port's count must be exactly 0 to lend it.
class CPosixPlatform : public CPlatform {
public:
    // The machine's clock, and a CPosixSerial on the termios device that the COM numbering names.
    CPosixPlatform();
    // Another clock and port, for simulation; a null port leaves the platform without one.
    CPosixPlatform(std::shared_ptr<Clock> clock, std::unique_ptr<CSerial> serial);
    ~CPosixPlatform() override;

    void ReleaseDelayTimer() override;
    void ReleasePortTimer() override;
    CTimerCtrl* GetDelayTimer() override;
    CTimerCtrl* GetPortTimer() override;
    std::unique_ptr<CLog> CreateLog(int kind) override;
    CSerial* GetSerial() override;
    CTimerCtrl* GetSpareTimer() override;
    void ReleaseSerial() override;
    void HoldPortDevice() override;
    void ReleasePortDevice() override;
    void ReleaseSpareTimer() override;
    void Sleep(unsigned milliseconds) override;

    Clock& GetClock() override { return *clock_; }
    // The COM numbering the machine's port opens through (for a simulated port it is not used).
    ComPortMap& ComPorts() { return *ports_; }

private:
    explicit CPosixPlatform(std::shared_ptr<ComPortMap> ports);

    std::shared_ptr<Clock> clock_;
    std::shared_ptr<ComPortMap> ports_ = std::make_shared<ComPortMap>();
    int delayTimerLends_ = 0;
    int portTimerLends_ = 0;
    std::unique_ptr<CSerial> serial_;
    CPosixTimer spareTimer_;
    CPosixTimer delayTimer_;
    CPosixTimer portTimer_;
    int serialLends_ = 0;
    int spareTimerLent_ = 0;
};
