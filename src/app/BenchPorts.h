#pragma once

#include <QStringList>

// The bench's lanes: one port per adapter, each a device path (/dev/ttyUSB0, a /dev/serial/by-id name)
// or a COM number ("COM3"). They belong to the bench, not to a kit, and are kept beside the port
// overrides in the application's settings (group "Bench Ports"). The stored list is untrusted like any
// settings file: it is cleaned on the way in and out.
class BenchPorts {
public:
    static constexpr const char* kGroup = "Bench Ports";
    static constexpr int kMaxPorts = 16;
    static constexpr int kMaxPortLength = 256;

    static QStringList Stored();
    static void Store(const QStringList& ports);
    // Trimmed, without empty entries, duplicates, entries holding control characters or longer than
    // kMaxPortLength, and at most kMaxPorts.
    static QStringList Cleaned(const QStringList& ports);
    // The COM number of an entry such as "COM3" or "3", 0 for a device path.
    static unsigned ComNumber(const QString& port);
};
