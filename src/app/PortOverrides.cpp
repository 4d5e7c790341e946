#include "app/PortOverrides.h"

#include <QSettings>
#include <QString>
#include <QStringList>
#include <memory>

#include "app/CCorvidaDoc.h"
#include "platform/ComPortMap.h"

namespace {

std::unique_ptr<QSettings> ApplicationSettings() {
    auto settings = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                                CCorvidaDoc::kOrganisation, PortOverrides::kApplication);
    settings->beginGroup(PortOverrides::kGroup);
    return settings;
}

QString KeyOf(unsigned port) {
    return QStringLiteral("COM%1").arg(port);
}

}  // namespace

std::map<unsigned, std::string> PortOverrides::Stored() {
    const std::unique_ptr<QSettings> settings = ApplicationSettings();
    std::map<unsigned, std::string> overrides;
    for (const QString& key : settings->childKeys()) {
        bool ok = false;
        const unsigned port = key.startsWith(QStringLiteral("COM")) ? key.mid(3).toUInt(&ok) : 0;
        const QString path = settings->value(key).toString();
        if (ok && port > 0 && !path.isEmpty())
            overrides[port] = path.toStdString();
    }
    return overrides;
}

void PortOverrides::LoadInto(ComPortMap& ports) {
    for (const auto& [port, path] : Stored())
        ports.SetOverride(port, path);
}

void PortOverrides::Store(unsigned port, const std::string& path) {
    const std::unique_ptr<QSettings> settings = ApplicationSettings();
    if (path.empty())
        settings->remove(KeyOf(port));
    else
        settings->setValue(KeyOf(port), QString::fromStdString(path));
    settings->sync();
}
