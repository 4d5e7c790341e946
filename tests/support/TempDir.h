#pragma once

#include <filesystem>
#include <string>

// A fresh folder under the system's temporary directory, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::string ReadFile(const std::string& name) const;
    void WriteFile(const std::string& name, const std::string& content) const;

private:
    std::filesystem::path path_;
};
