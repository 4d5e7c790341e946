#pragma once

#include "errors/MessageBoxService.h"

class QWidget;

// The desktop's message box: a modal QMessageBox over the main window, shown on the UI thread whichever
// thread asks. "Error" boxes carry the critical icon, "Warning" the warning icon, "NOTE" the information
// icon. Installs itself for its lifetime.
class QtMessageBox : public MessageBoxService {
public:
    static constexpr const char* kDefaultCaption = "Corvida";

    explicit QtMessageBox(QWidget* owner);
    ~QtMessageBox() override;
    QtMessageBox(const QtMessageBox&) = delete;
    QtMessageBox& operator=(const QtMessageBox&) = delete;

    MessageResult Show(const std::string& text, const std::string& caption, MessageIcon icon,
                       MessageButtons buttons) override;

private:
    MessageResult ShowHere(const std::string& text, const std::string& caption, MessageIcon icon,
                           MessageButtons buttons);

    QWidget* owner_;
    MessageBoxService* previous_;
};
