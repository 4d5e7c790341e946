// Any settings file: the kit's ("Port ID", "ZUB Echo Type") and the application's port overrides are
// read as the desktop app and corvida-cli read them at start, and the port they name is looked up.
// A value that cannot be read leaves the default; nothing reads outside the file.
#include <unistd.h>

#include <QSettings>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/CCorvidaDoc.h"
#include "app/PortOverrides.h"
#include "platform/ComPortMap.h"

namespace {

const std::filesystem::path& SettingsFolder() {
    static const std::filesystem::path folder = [] {
        std::filesystem::path path =
            std::filesystem::temp_directory_path() / ("corvida-settings-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path / CCorvidaDoc::kOrganisation);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(path.string()));
        return path;
    }();
    return folder;
}

void Write(const std::filesystem::path& file, const std::uint8_t* data, std::size_t size) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path organisation = SettingsFolder() / CCorvidaDoc::kOrganisation;
    const std::filesystem::path kit = SettingsFolder() / "kit";
    Write(organisation / "kit.ini", data, size);
    Write(organisation / (std::string(PortOverrides::kApplication) + ".ini"), data, size);

    const CCorvidaDoc document(kit);
    ComPortMap ports(SettingsFolder() / "dev", SettingsFolder() / "tty");
    PortOverrides::LoadInto(ports);
    ports.PathFor(document.PortNumber());
    ports.ListPorts();
    return 0;
}
