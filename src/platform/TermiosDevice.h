#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "platform/CommDevice.h"
#include "platform/MarkedInput.h"

struct termios2;

// A real serial device or a pseudo-terminal, driven through termios2 and ioctl. The only place in the
// system that knows the Linux terminal interface.
//
// Line errors come from the driver's event counters where it keeps them (an increase since the last
// query sets the flag, and IGNBRK keeps a break out of the data). Elsewhere the driver marks events in
// the data (PARMRK), and MarkedInput strips the marks and turns them into the same flags. Received data is
// taken from the driver into a queue of kQueueBytes; what arrives beyond it is dropped and reported as a
// receive overflow.
class TermiosDevice : public CommDevice {
    // Devices are made only by Open and OpenPseudoTerminal.
    struct ConstructionKey {
        explicit ConstructionKey() = default;
    };
    enum class ErrorSource { Counters, Marks, None };

public:
    // The driver's counts of break, framing, overrun, parity and receive-overflow events.
    using EventCounts = std::array<int, 5>;

    static constexpr std::size_t kQueueBytes = 65536;
    static constexpr unsigned kRateTolerancePercent = 3;

    // A new pseudo-terminal: its master end, and the slave's path for the program to open.
    struct PseudoTerminal {
        std::unique_ptr<TermiosDevice> master;
        std::string slavePath;
    };

    // Opens a serial device or pseudo-terminal slave: non-blocking, used by us alone (TIOCEXCL, which
    // root ignores, and an flock, which it does not), DTR and RTS off, low latency where the driver
    // offers it. Null when it cannot be opened or is held, and for the terminal the program itself runs
    // in (its controlling terminal or one of its standard streams, by whatever name); the reason goes to
    // the error log. MakeRaw then puts it in raw mode, a step of its own as the port's opening counts it.
    // The line settings found at open are put back when the device is closed.
    static std::unique_ptr<TermiosDevice> Open(const std::string& path);
    // Whether the path names a terminal the program itself runs in, as Open refuses it; without opening it.
    static bool IsOwnTerminal(const std::string& path);
    // The master end's GetLine reports what the program set on the slave; nothing else of the slave's
    // settings is touched from here. Nothing when the system has no pseudo-terminal to give (logged).
    static std::optional<PseudoTerminal> OpenPseudoTerminal();

    TermiosDevice(ConstructionKey, int fd, ErrorSource source, std::string path);
    ~TermiosDevice() override;
    TermiosDevice(const TermiosDevice&) = delete;
    TermiosDevice& operator=(const TermiosDevice&) = delete;

    // Logs the system's reason when the device refuses.
    bool MakeRaw() override;
    std::optional<LineSettings> GetLine() override;
    // Also refuses a rate the driver replaced by one more than kRateTolerancePercent away; a refused
    // line leaves the device as it was.
    bool SetLine(const LineSettings& line) override;
    bool TransmitChar(std::uint8_t byte) override;
    std::size_t InputCount() override;
    // Sleeps in poll(2) on the descriptor for the time that remains to the deadline.
    void WaitForInput(std::size_t moreThan, std::uint64_t deadline, Clock& clock) override;
    // Sleeps in ppoll(2) until input comes or the time-out has passed. A hang-up counts as no input: a
    // pseudo-terminal's master whose slave no program holds open is slept on for the whole time-out.
    void AwaitInput(std::chrono::nanoseconds timeout);
    bool Read(std::span<std::uint8_t> destination) override;
    Status ClearErrors() override;
    void Purge(unsigned directions) override;
    // A hang-up, or an operation failing with EIO, ENXIO or ENODEV: the device was pulled out, or the
    // other side of a pseudo-terminal closed.
    bool Gone() const override { return gone_; }

    // The line-error flags (CSerial::kBreak...) of the events counted between two queries.
    static unsigned FlagsOfCountChanges(const EventCounts& before, const EventCounts& now);

private:
    void RestoreFoundLine();
    void Drain();
    void Queue(std::span<const std::uint8_t> data);
    unsigned CounterErrors();
    std::optional<EventCounts> ReadCounts() const;
    // Notes the device as gone when `error` (an errno) says so.
    void NoteFailure(int error);

    int fd_;
    ErrorSource source_;
    std::string path_;        // for the log
    bool exclusive_ = false;  // we hold the device exclusively (TIOCEXCL) and give that up on closing
    bool gone_ = false;
    std::unique_ptr<termios2> foundLine_;  // put back on closing
    EventCounts counts_{};
    MarkedInput marks_;
    unsigned errors_ = 0;
    std::deque<std::uint8_t> received_;
};
