#pragma once

#include <memory>

#include "errors/CLog.h"
#include "platform/CSerial.h"
#include "platform/CTimerCtrl.h"
#include "platform/Clock.h"

// The single owner of the serial port and the timers, which it lends out: a second borrow before the
// give-back is refused with null. It also makes log sinks and sleeps.
class CPlatform {
public:
    virtual ~CPlatform() = default;

    virtual void ReleaseDelayTimer() = 0;
    virtual void ReleasePortTimer() = 0;
    virtual CTimerCtrl* GetDelayTimer() = 0;
    virtual CTimerCtrl* GetPortTimer() = 0;
    // Kind 0 is the file sink "cvErrlog.txt"; null for a kind the platform does not make.
    virtual std::unique_ptr<CLog> CreateLog(int kind) = 0;
    virtual CSerial* GetSerial() = 0;
    virtual CTimerCtrl* GetSpareTimer() = 0;
    // Gives the port back and closes it.
    virtual void ReleaseSerial() = 0;
    // The serial port's HoldDevice and ReleaseDevice, for whoever runs a sequence of borrows of the port
    // that must stay with one radio (PortDeviceHold); the port need not be borrowed.
    virtual void HoldPortDevice() {}
    virtual void ReleasePortDevice() {}
    virtual void ReleaseSpareTimer() = 0;

    virtual void Sleep(unsigned milliseconds) = 0;
    // The counter the timers run on; the serial port sets its waits' deadlines on it.
    virtual Clock& GetClock() = 0;

    // The platform of the process, created on first use.
    static CPlatform* Instance();
    // Puts another platform in place (a simulated one in tests) and returns the previous one, which
    // may be null when none had been created yet.
    static std::unique_ptr<CPlatform> Install(std::unique_ptr<CPlatform> platform);

protected:
    CPlatform() = default;
};
