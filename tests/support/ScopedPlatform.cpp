#include "ScopedPlatform.h"

#include "errors/CErrorLog.h"

ScopedPlatform::ScopedPlatform(std::unique_ptr<CPlatform> platform)
    : previous_(CPlatform::Install(std::move(platform))) {
    // Sinks made by another platform must not outlive it.
    ErrorLog().CloseSinks();
}

ScopedPlatform::~ScopedPlatform() {
    ErrorLog().CloseSinks();
    CPlatform::Install(std::move(previous_));
}
