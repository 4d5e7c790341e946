#include "KitLauncher.h"

#include <cctype>
#include <cstdlib>
#include <string_view>
#include <utility>

namespace {

// A value of a string key: the format's escapes for the backslash and the control characters, so a
// title can never end its line or start another key.
std::string Escaped(std::string_view value) {
    std::string escaped;
    for (const char c : value) {
        switch (c) {
            case '\\':
                escaped += "\\\\";
                break;
            case '\n':
                escaped += "\\n";
                break;
            case '\t':
                escaped += "\\t";
                break;
            case '\r':
                escaped += "\\r";
                break;
            default:
                if (static_cast<unsigned char>(c) >= 0x20)
                    escaped += c;
        }
    }
    return escaped;
}

std::filesystem::path FromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? std::filesystem::path(value) : std::filesystem::path();
}

}  // namespace

KitLauncher::KitLauncher(const std::filesystem::path& kitFolder, std::string title, std::string description)
    : folder_(std::filesystem::absolute(kitFolder).lexically_normal()),
      title_(std::move(title)),
      description_(std::move(description)) {
    // "kits/demo/" names the folder "demo", not "".
    if (!folder_.has_filename() && folder_.has_parent_path())
        folder_ = folder_.parent_path();
}

std::string KitLauncher::DesktopEntry() const {
    const std::string name = title_.empty() ? folder_.filename().string() : title_;
    std::string entry = "[Desktop Entry]\n";
    entry += "Type=Application\n";
    entry += "Version=1.4\n";
    entry += "Name=" + Escaped(name) + "\n";
    if (!description_.empty())
        entry += "Comment=" + Escaped(description_) + "\n";
    entry += "Icon=corvida\n";
    entry += std::string("TryExec=") + kProgram + "\n";
    entry += std::string("Exec=") + kProgram + "\n";
    entry += "Path=" + Escaped(folder_.string()) + "\n";
    entry += "Terminal=false\n";
    entry += "Categories=Utility;\n";
    return entry;
}

std::string KitLauncher::FileName() const {
    std::string name = "corvida-";
    for (const char c : folder_.filename().string())
        name += std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' ? c : '-';
    return name + ".desktop";
}

std::filesystem::path KitLauncher::UserApplicationsFolder() {
    // The XDG base directory rules ignore a relative XDG_DATA_HOME.
    if (const std::filesystem::path data = FromEnvironment("XDG_DATA_HOME"); data.is_absolute())
        return data / "applications";
    if (const std::filesystem::path home = FromEnvironment("HOME"); !home.empty())
        return home / ".local" / "share" / "applications";
    return {};
}
