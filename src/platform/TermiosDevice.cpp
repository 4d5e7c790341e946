#include "platform/TermiosDevice.h"

// termios2 and BOTHER (any rate) live in the kernel's headers, which clash with glibc's <termios.h>:
// this file uses the ioctls directly and never includes the latter.
#include <asm/termbits.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "errors/CErrorLog.h"
#include "platform/CSerial.h"

namespace {

constexpr std::size_t kReadChunkBytes = 256;
constexpr std::size_t kMaxReadsPerDrain = TermiosDevice::kQueueBytes / kReadChunkBytes + 1;
constexpr std::size_t kSlaveNameBytes = 128;
constexpr std::uint64_t kNsPerSecond = 1'000'000'000;

// On closing, what is still queued leaves before the settings found at open (another rate, perhaps)
// come back; a device that holds its output back is given up on after this long.
constexpr auto kCloseDrainLimit = std::chrono::milliseconds(500);
constexpr auto kCloseDrainStep = std::chrono::milliseconds(1);
constexpr std::array<int, 3> kStandardStreams = {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO};
// Whoever opens it reaches their own controlling terminal.
constexpr const char* kControllingTerminal = "/dev/tty";

// Flags in the order of EventCounts: break, framing, overrun, parity, receive overflow.
constexpr std::array<unsigned, 5> kCountedFlags = {CSerial::kBreak, CSerial::kFramingError, CSerial::kOverrun,
                                                   CSerial::kParityError, CSerial::kReceiveOverflow};

void LogFailure(const char* operation, const char* what, const std::string& path, int error) {
    const std::string reason = std::generic_category().message(error);
    ErrorLog().Log("TermiosDevice::%s: %s %s: %s", operation, what, path.c_str(), reason.c_str());
}

tcflag_t DataBitsFlag(int dataBits) {
    switch (dataBits) {
        case 5:
            return CS5;
        case 6:
            return CS6;
        case 7:
            return CS7;
        default:
            return CS8;
    }
}

int DataBitsOf(tcflag_t cflag) {
    switch (cflag & CSIZE) {
        case CS5:
            return 5;
        case CS6:
            return 6;
        case CS7:
            return 7;
        default:
            return 8;
    }
}

tcflag_t ParityFlags(Parity parity) {
    switch (parity) {
        case Parity::Odd:
            return PARENB | PARODD;
        case Parity::Even:
            return PARENB;
        case Parity::None:
            break;
    }
    return 0;
}

bool WithinTolerance(unsigned actual, unsigned wanted) {
    const auto difference = actual > wanted ? actual - wanted : wanted - actual;
    return std::uint64_t{difference} * 100 <= std::uint64_t{wanted} * TermiosDevice::kRateTolerancePercent;
}

// Both control lines off: the radio's programming cable must see neither.
void DropControlLines(int fd) {
    int lines = TIOCM_DTR | TIOCM_RTS;
    ioctl(fd, TIOCMBIC, &lines);  // pseudo-terminals have none
}

// The terminal a descriptor reaches, whatever name opened it (/dev/tty, /dev/stdin, /dev/console):
// nothing for a descriptor that is no terminal.
std::optional<unsigned> TerminalOf(int fd) {
    unsigned device = 0;
    if (ioctl(fd, TIOCGDEV, &device) != 0)
        return std::nullopt;
    return device;
}

// The terminals the program talks to its user on: its controlling terminal and its standard streams'.
bool IsOwnTerminalDevice(unsigned device) {
    for (const int stream : kStandardStreams) {
        if (TerminalOf(stream) == device)
            return true;
    }
    const int controlling = ::open(kControllingTerminal, O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (controlling < 0)
        return false;  // the program has none
    const bool same = TerminalOf(controlling) == device;
    ::close(controlling);
    return same;
}

bool IsOwnTerminalDescriptor(int fd) {
    const std::optional<unsigned> device = TerminalOf(fd);
    return device && IsOwnTerminalDevice(*device);
}

void WaitForOutputToLeave(int fd) {
    const auto giveUp = std::chrono::steady_clock::now() + kCloseDrainLimit;
    int queued = 0;
    while (ioctl(fd, TIOCOUTQ, &queued) == 0 && queued > 0 && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(kCloseDrainStep);
}

// USB adapters otherwise hold received bytes for up to 16 ms, which would dominate every turnaround.
void RequestLowLatency(int fd) {
    serial_struct info{};
    if (ioctl(fd, TIOCGSERIAL, &info) != 0)
        return;
    info.flags |= ASYNC_LOW_LATENCY;
    ioctl(fd, TIOCSSERIAL, &info);
}

}  // namespace

TermiosDevice::TermiosDevice(ConstructionKey, int fd, ErrorSource source, std::string path)
    : fd_(fd), source_(source), path_(std::move(path)) {}

// A pseudo-terminal's slave outlives our use of it while its master stays open, and so would the
// exclusive flag we set: every later open by anyone but root would fail.
TermiosDevice::~TermiosDevice() {
    RestoreFoundLine();
    if (exclusive_)
        ioctl(fd_, TIOCNXCL);
    ::close(fd_);
}

std::unique_ptr<TermiosDevice> TermiosDevice::Open(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        LogFailure("Open", "cannot open", path, errno);
        return nullptr;
    }
    auto device = std::make_unique<TermiosDevice>(ConstructionKey{}, fd, ErrorSource::Marks, path);
    if (IsOwnTerminalDescriptor(fd)) {
        ErrorLog().Log("TermiosDevice::Open: refused %s: it is the terminal this program runs in",
                       path.c_str());
        return nullptr;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        LogFailure("Open", "another program holds", path, errno);
        return nullptr;
    }
    device->exclusive_ = ioctl(fd, TIOCEXCL) == 0;
    auto found = std::make_unique<termios2>();
    if (ioctl(fd, TCGETS2, found.get()) == 0)
        device->foundLine_ = std::move(found);
    if (const std::optional<EventCounts> counts = device->ReadCounts()) {
        device->source_ = ErrorSource::Counters;
        device->counts_ = *counts;
    }
    DropControlLines(fd);
    RequestLowLatency(fd);
    device->Purge(kPurgeInput | kPurgeOutput);
    return device;
}

bool TermiosDevice::IsOwnTerminal(const std::string& path) {
    struct stat info {};
    struct stat controlling {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISCHR(info.st_mode))
        return false;
    if (::stat(kControllingTerminal, &controlling) == 0 && info.st_rdev == controlling.st_rdev)
        return true;
    return IsOwnTerminalDevice(static_cast<unsigned>(info.st_rdev));
}

std::optional<TermiosDevice::PseudoTerminal> TermiosDevice::OpenPseudoTerminal() {
    const int fd = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        LogFailure("Open", "cannot open", "a pseudo-terminal", errno);
        return std::nullopt;
    }
    PseudoTerminal terminal{
        std::make_unique<TermiosDevice>(ConstructionKey{}, fd, ErrorSource::None, "a pseudo-terminal master"),
        ""};
    std::array<char, kSlaveNameBytes> slaveName{};
    if (grantpt(fd) != 0 || unlockpt(fd) != 0 || ptsname_r(fd, slaveName.data(), slaveName.size()) != 0 ||
        fcntl(fd, F_SETFL, O_NONBLOCK) != 0) {
        LogFailure("Open", "cannot set up", "a pseudo-terminal", errno);
        return std::nullopt;
    }
    terminal.slavePath = slaveName.data();
    return terminal;
}

// Another program, or the next user of the port, finds the line as we found it.
void TermiosDevice::RestoreFoundLine() {
    if (!foundLine_)
        return;
    WaitForOutputToLeave(fd_);
    ioctl(fd_, TCSETS2, foundLine_.get());
}

bool TermiosDevice::MakeRaw() {
    termios2 settings{};
    if (ioctl(fd_, TCGETS2, &settings) != 0) {
        LogFailure("MakeRaw", "cannot set up", path_, errno);
        return false;
    }
    // With counters the driver tells us of events, and a break stays out of the data; without them
    // the events come marked in the data, parity and framing errors included.
    settings.c_iflag = source_ == ErrorSource::Counters ? IGNBRK : (PARMRK | INPCK);
    settings.c_oflag = 0;
    settings.c_lflag = 0;
    settings.c_cflag = (settings.c_cflag & ~(CRTSCTS | HUPCL)) | CREAD | CLOCAL;
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    if (ioctl(fd_, TCSETS2, &settings) != 0) {
        LogFailure("MakeRaw", "cannot set up", path_, errno);
        return false;
    }
    return true;
}

std::optional<LineSettings> TermiosDevice::GetLine() {
    termios2 settings{};
    if (ioctl(fd_, TCGETS2, &settings) != 0)
        return std::nullopt;
    LineSettings line;
    line.baud = settings.c_ospeed;
    line.dataBits = DataBitsOf(settings.c_cflag);
    if ((settings.c_cflag & PARENB) != 0)
        line.parity = (settings.c_cflag & PARODD) != 0 ? Parity::Odd : Parity::Even;
    if ((settings.c_cflag & CSTOPB) != 0) {
        // A UART sends one and a half stop bits where two are asked for with five data bits.
        line.stopBits = line.dataBits == kMinDataBits ? StopBits::OneAndHalf : StopBits::Two;
    }
    return line;
}

bool TermiosDevice::SetLine(const LineSettings& line) {
    if (!IsSupported(line))
        return false;
    termios2 previous{};
    if (ioctl(fd_, TCGETS2, &previous) != 0)
        return false;
    termios2 settings = previous;
    settings.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CBAUD | (CBAUD << IBSHIFT));
    settings.c_cflag |= DataBitsFlag(line.dataBits) | ParityFlags(line.parity) | BOTHER;
    if (line.stopBits != StopBits::One)
        settings.c_cflag |= CSTOPB;
    settings.c_ispeed = line.baud;
    settings.c_ospeed = line.baud;
    // Some drivers replace a rate they cannot make by another and say so only in what they report.
    termios2 taken{};
    if (ioctl(fd_, TCSETS2, &settings) != 0 || ioctl(fd_, TCGETS2, &taken) != 0 ||
        !WithinTolerance(taken.c_ospeed, line.baud)) {
        // The caller keeps reporting, and timing by, the line it had: the device must have it too.
        ioctl(fd_, TCSETS2, &previous);
        return false;
    }
    marks_.SetParityChecked(line.parity != Parity::None);
    return true;
}

bool TermiosDevice::TransmitChar(std::uint8_t byte) {
    int queued = 0;
    if (ioctl(fd_, TIOCOUTQ, &queued) != 0) {
        NoteFailure(errno);
        return false;
    }
    if (queued > 0)
        return false;
    if (::write(fd_, &byte, 1) == 1)
        return true;
    NoteFailure(errno);
    return false;
}

void TermiosDevice::NoteFailure(int error) {
    if (error == EIO || error == ENXIO || error == ENODEV)
        gone_ = true;
}

std::size_t TermiosDevice::InputCount() {
    Drain();
    return received_.size();
}

void TermiosDevice::WaitForInput(std::size_t moreThan, std::uint64_t deadline, Clock& clock) {
    for (;;) {
        if (InputCount() > moreThan)
            return;
        const auto remaining = static_cast<std::int64_t>(deadline - clock.Now());
        if (remaining <= 0)
            return;
        const auto remainingNs = static_cast<std::uint64_t>(remaining);
        const timespec timeout{static_cast<time_t>(remainingNs / kNsPerSecond),
                               static_cast<long>(remainingNs % kNsPerSecond)};
        pollfd input{fd_, POLLIN, 0};
        if (ppoll(&input, 1, &timeout, nullptr) <= 0)
            return;  // the deadline, or a signal
        if ((input.revents & POLLHUP) != 0) {
            // A hung-up terminal or an adapter pulled out says so at once and for good; what it
            // still held has been drained, and the caller learns it is gone.
            gone_ = true;
            return;
        }
        if ((input.revents & (POLLERR | POLLNVAL)) != 0) {
            // An error that is not a hang-up would be reported again at once: sleep out the wait
            // rather than spin on it.
            if (InputCount() <= moreThan)
                clock.SleepUntil(deadline);
            return;
        }
        // Readable, yet perhaps only the start of a mark that makes no character: look again.
    }
}

void TermiosDevice::AwaitInput(std::chrono::nanoseconds timeout) {
    if (!received_.empty() || timeout.count() <= 0)
        return;
    const auto ns = static_cast<std::uint64_t>(timeout.count());
    const timespec interval{static_cast<time_t>(ns / kNsPerSecond), static_cast<long>(ns % kNsPerSecond)};
    pollfd input{fd_, POLLIN, 0};
    if (ppoll(&input, 1, &interval, nullptr) > 0 && (input.revents & POLLIN) == 0)
        ppoll(nullptr, 0, &interval, nullptr);  // hung up, or an error that poll would report at once
}

bool TermiosDevice::Read(std::span<std::uint8_t> destination) {
    Drain();
    if (received_.size() < destination.size())
        return false;
    const auto end = received_.begin() + static_cast<std::ptrdiff_t>(destination.size());
    std::copy(received_.begin(), end, destination.begin());
    received_.erase(received_.begin(), end);
    return true;
}

CommDevice::Status TermiosDevice::ClearErrors() {
    Drain();
    Status status;
    status.errors = std::exchange(errors_, 0) | marks_.TakeErrors() | CounterErrors();
    status.inputQueued = received_.size();
    int queued = 0;
    if (ioctl(fd_, TIOCOUTQ, &queued) == 0 && queued > 0)
        status.outputQueued = static_cast<std::size_t>(queued);
    return status;
}

void TermiosDevice::Purge(unsigned directions) {
    const bool input = (directions & kPurgeInput) != 0;
    const bool output = (directions & kPurgeOutput) != 0;
    if (input && output) {
        ioctl(fd_, TCFLSH, TCIOFLUSH);
    } else if (input) {
        ioctl(fd_, TCFLSH, TCIFLUSH);
    } else if (output) {
        ioctl(fd_, TCFLSH, TCOFLUSH);
    }
    if (input) {
        received_.clear();
        marks_.Reset();
    }
}

// Takes what the driver holds into our queue; bounded by the queue's size, so a flooding line
// cannot hold us here.
void TermiosDevice::Drain() {
    std::array<std::uint8_t, kReadChunkBytes> chunk{};
    std::vector<std::uint8_t> data;
    for (std::size_t reads = 0; reads < kMaxReadsPerDrain; ++reads) {
        const ssize_t got = ::read(fd_, chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            NoteFailure(errno);
        if (got <= 0)
            return;  // nothing more now, or a device that has gone: Read then finds too little
        const std::span<const std::uint8_t> raw = std::span(chunk).first(static_cast<std::size_t>(got));
        data.clear();
        if (source_ == ErrorSource::Marks) {
            marks_.Accept(raw, data);
        } else {
            data.assign(raw.begin(), raw.end());
        }
        Queue(data);
    }
}

// What does not fit is dropped and reported as a receive overflow.
void TermiosDevice::Queue(std::span<const std::uint8_t> data) {
    const std::size_t room = kQueueBytes - std::min(kQueueBytes, received_.size());
    if (data.size() > room)
        errors_ |= CSerial::kReceiveOverflow;
    const std::span<const std::uint8_t> kept = data.first(std::min(room, data.size()));
    received_.insert(received_.end(), kept.begin(), kept.end());
}

std::optional<TermiosDevice::EventCounts> TermiosDevice::ReadCounts() const {
    serial_icounter_struct counter{};
    if (ioctl(fd_, TIOCGICOUNT, &counter) != 0)
        return std::nullopt;
    return EventCounts{counter.brk, counter.frame, counter.overrun, counter.parity, counter.buf_overrun};
}

unsigned TermiosDevice::CounterErrors() {
    if (source_ != ErrorSource::Counters)
        return 0;
    const std::optional<EventCounts> now = ReadCounts();
    if (!now)
        return 0;
    return FlagsOfCountChanges(std::exchange(counts_, *now), *now);
}

// A count that changed at all, even one that wrapped or was reset, tells of an event.
unsigned TermiosDevice::FlagsOfCountChanges(const EventCounts& before, const EventCounts& now) {
    unsigned errors = 0;
    for (std::size_t event = 0; event < kCountedFlags.size(); ++event) {
        if (now[event] != before[event])
            errors |= kCountedFlags[event];
    }
    return errors;
}
