#pragma once

#include <string>

enum class MessageIcon { None, Information, Exclamation, Stop };
enum class MessageButtons { Ok, OkCancel, YesNo };
enum class MessageResult { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

// The modal message box of the user interface. An application installs its own (a Qt dialog, a console
// prompt, a test script); the service is process-wide because error objects show themselves from any
// layer. Without one installed, the text goes to standard error and the result is OK.
class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;

    // An empty caption stands for the application's default title.
    virtual MessageResult Show(const std::string& text, const std::string& caption, MessageIcon icon,
                               MessageButtons buttons) = 0;

    // The caller keeps ownership and uninstalls (nullptr) before the service dies.
    static void Install(MessageBoxService* service);
    static MessageBoxService* Installed();

    static MessageResult ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                                     MessageButtons buttons);
};
