#include "platform/DurableFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <system_error>

namespace {

bool WriteAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t written = ::write(fd, content.data(), content.size());
        if (written < 0)
            return false;
        content.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool SyncFile(const std::filesystem::path& path, std::string_view content) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool written = WriteAll(fd, content) && ::fsync(fd) == 0;
    return ::close(fd) == 0 && written;
}

// The rename itself lives in the folder's entry list, which needs its own flush.
void SyncFolder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

bool WriteFileDurably(const std::filesystem::path& path, std::string_view content) {
    std::error_code error;
    const std::filesystem::path folder = path.parent_path().empty() ? "." : path.parent_path();
    std::filesystem::create_directories(folder, error);
    if (error)
        return false;
    std::filesystem::path temporary = path;
    temporary += ".tmp";
    if (!SyncFile(temporary, content)) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    SyncFolder(folder);
    return true;
}
