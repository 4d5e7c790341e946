#include "workflow/ScopedCurrentDirectory.h"

#include "errors/CErrorLog.h"

namespace {

void ChangeTo(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::current_path(folder, error);
    if (error)
        ErrorLog().Log("Unable to make %s the current directory: %s", folder.c_str(),
                       error.message().c_str());
}

}  // namespace

ScopedCurrentDirectory::ScopedCurrentDirectory(const std::filesystem::path& folder) {
    std::error_code error;
    previous_ = std::filesystem::current_path(error);
    ChangeTo(folder);
}

ScopedCurrentDirectory::~ScopedCurrentDirectory() {
    if (!previous_.empty())
        ChangeTo(previous_);
}
