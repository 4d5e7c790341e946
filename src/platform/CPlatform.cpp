#include "platform/CPlatform.h"

#include "platform/CPosixPlatform.h"

namespace {

std::unique_ptr<CPlatform>& Holder() {
    static std::unique_ptr<CPlatform> platform;
    return platform;
}

}  // namespace

CPlatform* CPlatform::Instance() {
    std::unique_ptr<CPlatform>& platform = Holder();
    if (!platform)
        platform = std::make_unique<CPosixPlatform>();
    return platform.get();
}

std::unique_ptr<CPlatform> CPlatform::Install(std::unique_ptr<CPlatform> platform) {
    std::unique_ptr<CPlatform> previous = std::move(Holder());
    Holder() = std::move(platform);
    return previous;
}
