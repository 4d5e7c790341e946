#include "app/CCorvidaDoc.h"

#include <QSettings>
#include <QString>
#include <memory>

namespace {

std::unique_ptr<QSettings> KitSettings(const std::string& displayName) {
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, CCorvidaDoc::kOrganisation,
                                       QString::fromStdString(displayName));
}

void ReadInto(const QSettings& settings, const char* key, int& value) {
    bool ok = false;
    const int read = settings.value(key).toInt(&ok);
    if (ok)
        value = read;
}

// The program sequence makes the kit folder current while the engine runs, so a relative path would
// point elsewhere from then on.
std::filesystem::path Absolute(const std::filesystem::path& folder) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(folder, error);
    return error ? folder : absolute;
}

}  // namespace

CCorvidaDoc::CCorvidaDoc(std::filesystem::path kitFolder)
    : folder_(Absolute(kitFolder)), displayName_(KitDisplayName(folder_)) {
    Load();
}

std::string CCorvidaDoc::KitDisplayName(const std::filesystem::path& kitFolder) {
    std::filesystem::path folder = std::filesystem::absolute(kitFolder).lexically_normal();
    if (!folder.has_filename())
        folder = folder.parent_path();  // "kits/demo/" names "demo"
    const QString name = QString::fromStdString(folder.filename().string());
    return name.left(static_cast<qsizetype>(kMaxDisplayNameLength)).toStdString();
}

std::string CCorvidaDoc::PortName() const {
    return devicePath_.empty() ? UpgradeDocument::PortName() : devicePath_;
}

void CCorvidaDoc::Load() {
    const std::unique_ptr<QSettings> settings = KitSettings(displayName_);
    if (settings->status() == QSettings::NoError && !settings->contains(kPortKey)) {
        settings->setValue(kPortKey, kDefaultPort);
        settings->setValue(kEchoKey, kDefaultEcho);
        settings->sync();
    }
    ReadInto(*settings, kEchoKey, echo_);
    ReadInto(*settings, kPortKey, port_);
}

void CCorvidaDoc::Close() const {
    const std::unique_ptr<QSettings> settings = KitSettings(displayName_);
    settings->setValue(kPortKey, port_);
    settings->setValue(kEchoKey, echo_);
    settings->sync();
}
