#include "files/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace {

RegularFile::Status StatusOfOpenFailure(int error) {
    // ELOOP: the last component is a link, which O_NOFOLLOW refuses.
    return error == ELOOP ? RegularFile::Status::kNotRegular : RegularFile::Status::kMissing;
}

}  // namespace

RegularFile::RegularFile(const std::filesystem::path& path) {
    // Looked at first so that a device is never opened: opening a serial port raises its lines.
    struct stat before {};
    if (::fstatat(AT_FDCWD, path.c_str(), &before, AT_SYMLINK_NOFOLLOW) != 0) {
        status_ = Status::kMissing;
        return;
    }
    if (!S_ISREG(before.st_mode)) {
        status_ = Status::kNotRegular;
        return;
    }
    // O_NONBLOCK and the second look close the gap in which the name could become a FIFO.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        status_ = StatusOfOpenFailure(errno);
        return;
    }
    fd_ = fd;
    struct stat opened {};
    if (::fstat(fd_, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        Close();
        status_ = Status::kNotRegular;
        return;
    }
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags < 0 || ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        Close();
        status_ = Status::kMissing;
        return;
    }
    size_ = static_cast<std::uint64_t>(opened.st_size);
    status_ = Status::kOpen;
}

RegularFile::~RegularFile() {
    Close();
}

RegularFile::RegularFile(RegularFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      status_(std::exchange(other.status_, Status::kMissing)),
      size_(std::exchange(other.size_, 0)) {}

RegularFile& RegularFile::operator=(RegularFile&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
        status_ = std::exchange(other.status_, Status::kMissing);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

void RegularFile::Close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

bool RegularFile::ReadFromStart(std::span<char> buffer) const {
    if (fd_ < 0)
        return false;
    std::size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t got =
            ::pread(fd_, buffer.data() + done, buffer.size() - done, static_cast<off_t>(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        done += static_cast<std::size_t>(got);
    }
    return true;
}
