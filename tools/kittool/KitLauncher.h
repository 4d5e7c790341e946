#pragma once

#include <filesystem>
#include <string>

// A menu entry per installed kit. Corvida works on the kit in its current folder, so each kit gets a
// desktop entry of its own that starts the program there, named with the kit's title.
class KitLauncher {
public:
    // `kitFolder` is made absolute; `title` and `description` are the kit's version lines 1 and 2.
    KitLauncher(const std::filesystem::path& kitFolder, std::string title, std::string description);

    // The desktop entry's text (freedesktop.org Desktop Entry format, version 1.4).
    std::string DesktopEntry() const;
    // A desktop file id that names the kit: "corvida-" and the folder's name, with anything but
    // letters, digits, '-' and '_' made '-'.
    std::string FileName() const;

    // The user's applications folder: $XDG_DATA_HOME/applications, else ~/.local/share/applications;
    // empty when neither variable is set.
    static std::filesystem::path UserApplicationsFolder();

    static constexpr const char* kProgram = "corvida";

private:
    std::filesystem::path folder_;
    std::string title_;
    std::string description_;
};
