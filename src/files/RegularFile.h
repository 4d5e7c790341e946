#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

// A file opened for reading only when it is a regular file of its own: a FIFO, a device, a folder or a
// symbolic link is refused. The open never waits (a FIFO without a writer would hold it forever) and a
// device is never opened at all. The descriptor closes with the object. The one place that knows the
// system's file calls for kit files.
class RegularFile {
public:
    enum class Status {
        kOpen,
        kMissing,     // absent or not readable
        kNotRegular,  // a link, FIFO, device, socket or folder
    };

    RegularFile() = default;
    explicit RegularFile(const std::filesystem::path& path);
    ~RegularFile();
    RegularFile(RegularFile&& other) noexcept;
    RegularFile& operator=(RegularFile&& other) noexcept;
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    Status GetStatus() const { return status_; }
    bool IsOpen() const { return status_ == Status::kOpen; }
    // Bytes in the file when it was opened.
    std::uint64_t Size() const { return size_; }
    // Fills `buffer` from the start of the file. False when the file is not open, a read fails or the
    // file ends first.
    bool ReadFromStart(std::span<char> buffer) const;

private:
    void Close();

    int fd_ = -1;
    Status status_ = Status::kMissing;
    std::uint64_t size_ = 0;
};
