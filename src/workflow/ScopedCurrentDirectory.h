#pragma once

#include <filesystem>

// Makes a folder the process's current directory for its lifetime and puts the previous one back. The
// engine opens the kit's firmware files by name, relative to the current directory, so a press that
// starts elsewhere (corvida-cli --kit DIR) runs inside the kit folder. A change that fails is logged;
// the engine then reports the files it cannot open.
class ScopedCurrentDirectory {
public:
    explicit ScopedCurrentDirectory(const std::filesystem::path& folder);
    ~ScopedCurrentDirectory();
    ScopedCurrentDirectory(const ScopedCurrentDirectory&) = delete;
    ScopedCurrentDirectory& operator=(const ScopedCurrentDirectory&) = delete;

private:
    std::filesystem::path previous_;
};
