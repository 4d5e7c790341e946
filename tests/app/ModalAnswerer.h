#pragma once

#include <QObject>
#include <QTimer>
#include <deque>
#include <functional>
#include <string>
#include <vector>

class QWidget;

// The operator of a test: answers the modal dialogs and message boxes the application opens, in order,
// from a script, and records each one as "caption | text". A dialog the script has no answer for is
// recorded and closed with Escape, and the test fails.
class ModalAnswerer : public QObject {
public:
    using Answer = std::function<void(QWidget& dialog)>;

    ModalAnswerer();

    ModalAnswerer& Then(Answer answer);
    // Presses the message box's button with this text ("OK", "Cancel").
    static Answer Press(const QString& buttonText);
    // Checks the dialog's radio button with this text, then presses OK.
    static Answer Choose(const QString& radioText);

    const std::vector<std::string>& Seen() const { return seen_; }
    bool ScriptDone() const { return script_.empty(); }

private:
    void AnswerOpenDialog();

    QTimer timer_;
    std::deque<Answer> script_;
    std::vector<std::string> seen_;
};
