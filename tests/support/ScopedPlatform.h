#pragma once

#include <memory>

#include "platform/CPlatform.h"

// Puts a platform in place for the lifetime of the object and restores the previous one after.
class ScopedPlatform {
public:
    explicit ScopedPlatform(std::unique_ptr<CPlatform> platform);
    ~ScopedPlatform();
    ScopedPlatform(const ScopedPlatform&) = delete;
    ScopedPlatform& operator=(const ScopedPlatform&) = delete;

private:
    std::unique_ptr<CPlatform> previous_;
};
