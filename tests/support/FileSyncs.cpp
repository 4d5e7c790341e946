#include "FileSyncs.h"

// <unistd.h> stays out so that this file can define fsync itself.
#include <dlfcn.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <system_error>

namespace {

using FsyncFunction = int (*)(int);

std::atomic<int> syncs{0};
std::mutex lastPathMutex;
std::string lastPath;

}  // namespace

int FileSyncs::Count() {
    return syncs;
}

std::string FileSyncs::LastPath() {
    const std::lock_guard lock(lastPathMutex);
    return lastPath;
}

extern "C" int fsync(int fd) {
    static const auto real = reinterpret_cast<FsyncFunction>(dlsym(RTLD_NEXT, "fsync"));
    std::error_code ignored;
    const std::filesystem::path path =
        std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(fd), ignored);
    {
        const std::lock_guard lock(lastPathMutex);
        lastPath = path.string();
    }
    ++syncs;
    return real(fd);
}
