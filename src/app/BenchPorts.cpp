#include "app/BenchPorts.h"

#include <QSettings>
#include <memory>

#include "app/CCorvidaDoc.h"
#include "app/PortOverrides.h"

namespace {

constexpr const char* kPortsKey = "Ports";

std::unique_ptr<QSettings> ApplicationSettings() {
    auto settings = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                                CCorvidaDoc::kOrganisation, PortOverrides::kApplication);
    settings->beginGroup(BenchPorts::kGroup);
    return settings;
}

bool HoldsControlCharacter(const QString& text) {
    for (const QChar character : text)
        if (character.category() == QChar::Other_Control || character.category() == QChar::Other_Format)
            return true;
    return false;
}

}  // namespace

QStringList BenchPorts::Stored() {
    return Cleaned(ApplicationSettings()->value(kPortsKey).toStringList());
}

void BenchPorts::Store(const QStringList& ports) {
    const std::unique_ptr<QSettings> settings = ApplicationSettings();
    settings->setValue(kPortsKey, Cleaned(ports));
    settings->sync();
}

QStringList BenchPorts::Cleaned(const QStringList& ports) {
    QStringList cleaned;
    for (const QString& entry : ports) {
        const QString port = entry.trimmed();
        if (port.isEmpty() || port.size() > kMaxPortLength || HoldsControlCharacter(port) ||
            cleaned.contains(port))
            continue;
        cleaned << port;
        if (cleaned.size() == kMaxPorts)
            break;
    }
    return cleaned;
}

unsigned BenchPorts::ComNumber(const QString& port) {
    QString number = port;
    if (number.startsWith(QStringLiteral("COM"), Qt::CaseInsensitive))
        number = number.mid(3);
    bool ok = false;
    const unsigned value = number.toUInt(&ok);
    return ok ? value : 0;
}
