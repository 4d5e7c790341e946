#include "ModalAnswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace {

constexpr const char* kAnsweredMark = "answeredByTest";

QAbstractButton* ButtonWithText(QWidget& dialog, const QString& text) {
    for (QAbstractButton* button : dialog.findChildren<QAbstractButton*>()) {
        if (button->text().remove(QLatin1Char('&')).trimmed() == text)
            return button;
    }
    return nullptr;
}

std::string Describe(QWidget& dialog) {
    std::string text = dialog.windowTitle().toStdString() + " | ";
    if (auto* box = qobject_cast<QMessageBox*>(&dialog))
        text += box->text().toStdString();
    else
        text += dialog.objectName().toStdString();
    return text;
}

}  // namespace

ModalAnswerer::ModalAnswerer() {
    connect(&timer_, &QTimer::timeout, this, &ModalAnswerer::AnswerOpenDialog);
    timer_.start(5);
}

ModalAnswerer& ModalAnswerer::Then(Answer answer) {
    script_.push_back(std::move(answer));
    return *this;
}

ModalAnswerer::Answer ModalAnswerer::Press(const QString& buttonText) {
    return [buttonText](QWidget& dialog) {
        QAbstractButton* button = ButtonWithText(dialog, buttonText);
        ASSERT_NE(button, nullptr) << "no button " << buttonText.toStdString();
        button->click();
    };
}

ModalAnswerer::Answer ModalAnswerer::Choose(const QString& radioText) {
    return [radioText](QWidget& dialog) {
        auto* radio = qobject_cast<QRadioButton*>(ButtonWithText(dialog, radioText));
        ASSERT_NE(radio, nullptr) << "no choice " << radioText.toStdString();
        radio->setChecked(true);
        Press(QStringLiteral("OK"))(dialog);
    };
}

void ModalAnswerer::AnswerOpenDialog() {
    QWidget* dialog = QApplication::activeModalWidget();
    if (dialog == nullptr || !dialog->isVisible() || dialog->property(kAnsweredMark).toBool())
        return;
    dialog->setProperty(kAnsweredMark, true);
    seen_.push_back(Describe(*dialog));
    if (script_.empty()) {
        ADD_FAILURE() << "unexpected dialog: " << seen_.back();
        if (auto* modal = qobject_cast<QDialog*>(dialog))
            modal->reject();
        return;
    }
    Answer answer = std::move(script_.front());
    script_.pop_front();
    const QPointer<QWidget> answered(dialog);
    answer(*dialog);
    // An answer that failed half-way must not leave the test waiting on an open dialog.
    if (answered != nullptr && answered->isVisible()) {
        ADD_FAILURE() << "the answer left the dialog open: " << seen_.back();
        if (auto* modal = qobject_cast<QDialog*>(answered.data()))
            modal->reject();
    }
}
