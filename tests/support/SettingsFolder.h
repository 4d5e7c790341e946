#pragma once

#include <QSettings>
#include <QString>

#include "TempDir.h"

// Puts the user's INI settings into a temporary folder for the test's duration.
class SettingsFolder {
public:
    SettingsFolder() { Point(QString::fromStdString(folder_.Path().string())); }
    ~SettingsFolder() { Point(QString()); }
    SettingsFolder(const SettingsFolder&) = delete;
    SettingsFolder& operator=(const SettingsFolder&) = delete;

    const std::filesystem::path& Path() const { return folder_.Path(); }

private:
    static void Point(const QString& path) {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, path);
    }

    TempDir folder_;
};
