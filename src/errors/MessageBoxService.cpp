#include "errors/MessageBoxService.h"

#include <cstdio>

namespace {
MessageBoxService* installedService = nullptr;
}

void MessageBoxService::Install(MessageBoxService* service) {
    installedService = service;
}

MessageBoxService* MessageBoxService::Installed() {
    return installedService;
}

MessageResult MessageBoxService::ShowMessage(const std::string& text, const std::string& caption,
                                             MessageIcon icon, MessageButtons buttons) {
    if (installedService != nullptr)
        return installedService->Show(text, caption, icon, buttons);
    if (caption.empty()) {
        std::fprintf(stderr, "%s\n", text.c_str());
    } else {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    }
    return MessageResult::Ok;
}
