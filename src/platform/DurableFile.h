#pragma once

#include <filesystem>
#include <string_view>

// Writes `content` to `path` so that a power cut leaves either no file or the whole of it: the text
// goes to a temporary name beside it, is flushed to the disk, and is then renamed into place. Creates
// the folder when it is missing. Returns false (and leaves no temporary file) when any step fails.
bool WriteFileDurably(const std::filesystem::path& path, std::string_view content);
