#pragma once

#include <istream>
#include <ostream>

#include "errors/MessageBoxService.h"

// corvida-cli's message box: the caption and text on the console. A question (OK/Cancel, Yes/No) waits
// for an answer line on the input; the end of the input answers Cancel or No, so a script without
// answers never says yes by accident. Installs itself for its lifetime.
class ConsoleMessageBox : public MessageBoxService {
public:
    ConsoleMessageBox(std::istream& in, std::ostream& out);
    ~ConsoleMessageBox() override;
    ConsoleMessageBox(const ConsoleMessageBox&) = delete;
    ConsoleMessageBox& operator=(const ConsoleMessageBox&) = delete;

    MessageResult Show(const std::string& text, const std::string& caption, MessageIcon icon,
                       MessageButtons buttons) override;

private:
    MessageResult Ask(MessageButtons buttons);

    std::istream& in_;
    std::ostream& out_;
    MessageBoxService* previous_;
};
