#include "platform/SafeFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>

#include "errors/CGenError.h"

namespace {

constexpr mode_t kPrivateFolderMode = 0700;
constexpr mode_t kPrivateFileMode = 0600;
// Records and logs the technicians of a bench share through the group; the umask decides.
constexpr mode_t kSharedFileMode = 0660;
constexpr int kTemporaryNameTries = 8;

[[noreturn]] void Fail(const std::filesystem::path& path, const char* action, int error) {
    throw CGenError(3, "Unable to %s %s: %s", action, path.c_str(), std::strerror(error));
}

[[noreturn]] void Refuse(const std::filesystem::path& path, const char* why) {
    throw CGenError(3, "%s is refused: it %s", path.c_str(), why);
}

// Why an entry that must be no link could not be opened. The kernel reports a link opened as a folder
// as "not a folder", so the entry itself is asked.
[[noreturn]] void FailOpen(int folder, const std::string& name, const std::filesystem::path& path,
                           int error) {
    struct stat status {};
    if ((error == ELOOP || error == ENOTDIR) &&
        ::fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISLNK(status.st_mode))
            Refuse(path, "is a symbolic link");
        if (error == ENOTDIR)
            Refuse(path, "is not a folder");
    }
    // A FIFO without a reader, or a device without its hardware, opened without waiting.
    if (error == ENXIO)
        Refuse(path, "is not a regular file");
    Fail(path, "open", error);
}

void CheckName(const std::string& name) {
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos)
        throw CGenError(3, "\"%s\" is not the name of a file in a folder", name.c_str());
}

struct stat Status(int fd, const std::filesystem::path& path) {
    struct stat status {};
    if (::fstat(fd, &status) != 0)
        Fail(path, "examine", errno);
    return status;
}

// A file or folder made by an earlier version may still let others in; ours to change, so close it.
void KeepFromOthers(int fd, const struct stat& status, mode_t others) {
    if ((status.st_mode & others) != 0 && status.st_uid == ::geteuid())
        ::fchmod(fd, status.st_mode & 07777 & ~others);
}

bool WriteAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t written = ::write(fd, content.data(), content.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return false;
        if (written == 0) {
            errno = EIO;
            return false;
        }
        content.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// A name nobody can guess, so that no one can plant anything under it beforehand.
std::string TemporaryName(const std::string& name) {
    static std::random_device source;
    const std::uint64_t value = (std::uint64_t{source()} << 32) | source();
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".%016llx.tmp", static_cast<unsigned long long>(value));
    return "." + name + suffix;
}

// 0, or the error of the step that failed.
int WriteSyncAndClose(UniqueFd file, std::string_view content) {
    if (!WriteAll(file.Get(), content) || ::fsync(file.Get()) != 0)
        return errno;
    return ::close(file.Release()) == 0 ? 0 : errno;
}

// Moves `from` to `to` in one folder; false when `to` exists and may not be replaced.
bool MoveIntoPlace(int folder, const std::string& from, const std::string& to, bool replace) {
    if (replace)
        return ::renameat(folder, from.c_str(), folder, to.c_str()) == 0;
    if (::renameat2(folder, from.c_str(), folder, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL)
        return false;
    // A file system without the no-replace rename: a hard link fails just as well on an existing name.
    if (::linkat(folder, from.c_str(), folder, to.c_str(), 0) != 0)
        return false;
    ::unlinkat(folder, from.c_str(), 0);
    return true;
}

}  // namespace

SafeFolder::SafeFolder(const std::filesystem::path& path)
    : path_(path), fd_(::open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (!fd_)
        Fail(path_, "open the folder", errno);
}

SafeFolder SafeFolder::OpenPrivate(const std::filesystem::path& path) {
    std::filesystem::path folder = path.lexically_normal();
    if (!folder.has_filename())
        folder = folder.parent_path();
    return SafeFolder(folder.parent_path()).Subfolder(folder.filename());
}

SafeFolder SafeFolder::Subfolder(const std::string& name) const {
    CheckName(name);
    const std::filesystem::path path = PathOf(name);
    const bool made = ::mkdirat(fd_.Get(), name.c_str(), kPrivateFolderMode) == 0;
    if (!made && errno != EEXIST)
        Fail(path, "make the folder", errno);
    UniqueFd folder(::openat(fd_.Get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder)
        FailOpen(fd_.Get(), name, path, errno);
    if (made)
        ::fsync(fd_.Get());
    KeepFromOthers(folder.Get(), Status(folder.Get(), path), S_IRWXG | S_IRWXO);
    return SafeFolder(path, std::move(folder));
}

std::vector<std::string> SafeFolder::FileNames() const {
    UniqueFd listing(::openat(fd_.Get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    DIR* entries = listing ? ::fdopendir(listing.Get()) : nullptr;
    if (entries == nullptr)
        Fail(path_, "list", errno);
    listing.Release();
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(entries)) {
        struct stat status {};
        if (::fstatat(fd_.Get(), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(status.st_mode))
            names.emplace_back(entry->d_name);
    }
    ::closedir(entries);
    std::sort(names.begin(), names.end());
    return names;
}

std::string SafeFolder::ReadFile(const std::string& name, std::size_t maxBytes) const {
    CheckName(name);
    const std::filesystem::path path = PathOf(name);
    // Non-blocking, so that a FIFO in the file's place is refused instead of waited on.
    const UniqueFd file(::openat(fd_.Get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!file)
        FailOpen(fd_.Get(), name, path, errno);
    const struct stat status = Status(file.Get(), path);
    if (!S_ISREG(status.st_mode))
        Refuse(path, "is not a regular file");
    if (static_cast<std::uintmax_t>(status.st_size) > maxBytes)
        Refuse(path, "is larger than expected");
    std::string content(static_cast<std::size_t>(status.st_size), '\0');
    std::size_t got = 0;
    while (got < content.size()) {
        const ssize_t read = ::read(file.Get(), content.data() + got, content.size() - got);
        if (read < 0 && errno == EINTR)
            continue;
        if (read < 0)
            Fail(path, "read", errno);
        if (read == 0)
            break;
        got += static_cast<std::size_t>(read);
    }
    content.resize(got);
    return content;
}

bool SafeFolder::WriteDurably(const std::string& name, std::string_view content, bool replace) const {
    CheckName(name);
    std::string temporary;
    UniqueFd file = CreateTemporary(name, temporary);
    if (const int error = WriteSyncAndClose(std::move(file), content); error != 0) {
        ::unlinkat(fd_.Get(), temporary.c_str(), 0);
        Fail(PathOf(name), "write", error);
    }
    if (!MoveIntoPlace(fd_.Get(), temporary, name, replace)) {
        const int error = errno;
        ::unlinkat(fd_.Get(), temporary.c_str(), 0);
        if (error == EEXIST)
            return false;
        Fail(PathOf(name), "write", error);
    }
    // The rename lives in the folder's entry list, which needs its own flush.
    ::fsync(fd_.Get());
    return true;
}

UniqueFd SafeFolder::CreateTemporary(const std::string& name, std::string& temporary) const {
    for (int tries = 0; tries < kTemporaryNameTries; ++tries) {
        temporary = TemporaryName(name);
        UniqueFd file(::openat(fd_.Get(), temporary.c_str(),
                               O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kPrivateFileMode));
        if (file)
            return file;
        if (errno != EEXIST)
            Fail(PathOf(temporary), "create", errno);
    }
    Fail(PathOf(temporary), "create", EEXIST);
}

void SafeFolder::AppendLocked(const std::string& name, std::string_view header, std::string_view text) const {
    const UniqueFd file = OpenSharedFile(name, O_APPEND);
    if (::flock(file.Get(), LOCK_EX) != 0)
        Fail(PathOf(name), "lock", errno);
    const off_t before = Status(file.Get(), PathOf(name)).st_size;
    std::string bytes;
    if (before == 0)
        bytes = header;
    bytes += text;
    if (WriteAll(file.Get(), bytes))
        return;
    const int error = errno;
    // Still under the lock, so that no other process's record follows a torn one of ours.
    const bool restored = ::ftruncate(file.Get(), before) == 0;
    Fail(PathOf(name), restored ? "write" : "write, or cut back,", error);
}

UniqueFd SafeFolder::OpenTruncated(const std::string& name) const {
    UniqueFd file = OpenSharedFile(name, 0);
    if (::ftruncate(file.Get(), 0) != 0)
        Fail(PathOf(name), "empty", errno);
    return file;
}

// Not truncated while opening: the entry must first prove to be a plain file of its own.
UniqueFd SafeFolder::OpenSharedFile(const std::string& name, int flags) const {
    CheckName(name);
    const std::filesystem::path path = PathOf(name);
    UniqueFd file(::openat(fd_.Get(), name.c_str(),
                           O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | flags,
                           kSharedFileMode));
    if (!file)
        FailOpen(fd_.Get(), name, path, errno);
    const struct stat status = Status(file.Get(), path);
    if (!S_ISREG(status.st_mode))
        Refuse(path, "is not a regular file");
    if (status.st_nlink > 1)
        Refuse(path, "has further names (hard links)");
    KeepFromOthers(file.Get(), status, S_IRWXO);
    return file;
}
