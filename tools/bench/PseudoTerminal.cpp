#include "PseudoTerminal.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

PseudoTerminal::PseudoTerminal() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
        const int error = errno;
        if (master_ >= 0)
            close(master_);
        throw std::system_error(error, std::generic_category(), "no pseudo-terminal");
    }
    slavePath_ = ptsname(master_);
    slave_ = open(slavePath_.c_str(), O_RDWR | O_NOCTTY);
    if (slave_ < 0) {
        const int error = errno;
        close(master_);
        throw std::system_error(error, std::generic_category(), "cannot open " + slavePath_);
    }
}

PseudoTerminal::~PseudoTerminal() {
    if (slave_ >= 0)
        close(slave_);
    close(master_);
}

bool PseudoTerminal::WaitForInput(int timeoutMs) const {
    pollfd waiting{master_, POLLIN, 0};
    while (true) {
        const int ready = poll(&waiting, 1, timeoutMs);
        if (ready < 0 && errno == EINTR)
            continue;
        return ready > 0 && (waiting.revents & POLLIN) != 0;
    }
}
