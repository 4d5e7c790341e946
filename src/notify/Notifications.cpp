#include "notify/Notifications.h"

namespace {

class SilentNotifications : public Notifications {
public:
    void BeginProgress(int, bool) override {}
    void StepProgress() override {}
    void EndProgress() override {}
    void StatusText(int) override {}
    void SwitchView(int) override {}
    void SetProgressMessage(const std::string&) override {}
    void SetWaitCursor(bool) override {}
};

Notifications* installedNotifications = nullptr;

}  // namespace

void Notifications::Install(Notifications* notifications) {
    installedNotifications = notifications;
}

Notifications* Notifications::Installed() {
    return installedNotifications;
}

Notifications& Notifications::Current() {
    static SilentNotifications silent;
    return installedNotifications != nullptr ? *installedNotifications : silent;
}
