#include "app/QtMessageBox.h"

#include <QMessageBox>

#include "app/UiThread.h"

namespace {

QMessageBox::Icon QtIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Stop:
        return QMessageBox::Critical;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons QtButtons(MessageButtons buttons) {
    switch (buttons) {
    case MessageButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

// Closing a question with Escape or the close box gives the safe answer.
QMessageBox::StandardButton EscapeAnswer(MessageButtons buttons) {
    switch (buttons) {
    case MessageButtons::OkCancel:
        return QMessageBox::Cancel;
    case MessageButtons::YesNo:
        return QMessageBox::No;
    case MessageButtons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

MessageResult ResultOf(int button) {
    switch (button) {
    case QMessageBox::Cancel:
        return MessageResult::Cancel;
    case QMessageBox::Yes:
        return MessageResult::Yes;
    case QMessageBox::No:
        return MessageResult::No;
    default:
        return MessageResult::Ok;
    }
}

}  // namespace

QtMessageBox::QtMessageBox(QWidget* owner) : owner_(owner), previous_(MessageBoxService::Installed()) {
    MessageBoxService::Install(this);
}

QtMessageBox::~QtMessageBox() {
    MessageBoxService::Install(previous_);
}

MessageResult QtMessageBox::Show(const std::string& text, const std::string& caption, MessageIcon icon,
                                 MessageButtons buttons) {
    return RunOnUiThreadFor<MessageResult>([&] { return ShowHere(text, caption, icon, buttons); });
}

MessageResult QtMessageBox::ShowHere(const std::string& text, const std::string& caption, MessageIcon icon,
                                     MessageButtons buttons) {
    QMessageBox box(QtIcon(icon), QString::fromStdString(caption.empty() ? kDefaultCaption : caption),
                    QString::fromStdString(text), QtButtons(buttons), owner_);
    box.setObjectName(QStringLiteral("messageBox"));
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(buttons == MessageButtons::YesNo ? QMessageBox::Yes : QMessageBox::Ok);
    box.setEscapeButton(EscapeAnswer(buttons));
    return ResultOf(box.exec());
}
