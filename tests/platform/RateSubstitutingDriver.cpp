#include "RateSubstitutingDriver.h"

// The kernel's termios2, as the device uses it; <sys/ioctl.h> stays out so that this file can define
// ioctl itself.
#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <dlfcn.h>

#include <atomic>
#include <cstdarg>

namespace {

using IoctlFunction = int (*)(int, unsigned long, ...);

std::atomic<unsigned> askedRate{0};
std::atomic<unsigned> givenRate{0};

IoctlFunction RealIoctl() {
    static const auto real = reinterpret_cast<IoctlFunction>(dlsym(RTLD_NEXT, "ioctl"));
    return real;
}

}  // namespace

RateSubstitutingDriver::RateSubstitutingDriver(unsigned asked, unsigned given) {
    givenRate = given;
    askedRate = asked;
}

RateSubstitutingDriver::~RateSubstitutingDriver() {
    askedRate = 0;
}

extern "C" int ioctl(int fd, unsigned long request, ...) noexcept {
    std::va_list args;
    va_start(args, request);
    void* argument = va_arg(args, void*);
    va_end(args);
    const unsigned asked = askedRate;
    if (request == TCSETS2 && asked != 0) {
        termios2 settings = *static_cast<const termios2*>(argument);
        if (settings.c_ospeed == asked) {
            settings.c_ispeed = settings.c_ospeed = givenRate;
            return RealIoctl()(fd, request, &settings);
        }
    }
    return RealIoctl()(fd, request, argument);
}
