#include "VirtualPlatform.h"

namespace {
constexpr int kAuxLogKind = 1;
}

VirtualPlatform::VirtualPlatform(std::shared_ptr<VirtualClock> clock, std::unique_ptr<CSerial> serial)
    : CPosixPlatform(clock, std::move(serial)), clock_(std::move(clock)) {}

std::unique_ptr<CLog> VirtualPlatform::CreateLog(int kind) {
    if (kind == kAuxLogKind)
        return std::make_unique<MemoryLog>(auxLines_);
    return CPosixPlatform::CreateLog(kind);
}
