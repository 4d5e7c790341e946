#pragma once

#include <QFrame>
#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "app/LaneProtocol.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QHBoxLayout;

// One row of the Bench window: a port, its Start button, the radio's serial and release once verified,
// the phase, a progress bar and the result. A lane's questions and message boxes appear in the row
// itself, under it, so one lane waiting on its operator never holds another. Every text shown comes
// from a lane (and so from a radio or a kit) and is shown as plain text.
class LaneRow : public QFrame {
    Q_OBJECT

public:
    enum class Result { kNone, kRunning, kSucceeded, kFailed, kCancelled };

    explicit LaneRow(QString port, QWidget* parent = nullptr);

    const QString& Port() const { return port_; }
    Result LastResult() const { return result_; }
    // The question waiting for the operator, if any.
    std::optional<int> PendingQuestion() const { return pendingQuestion_; }
    QString ResultText() const;
    QString SerialText() const;
    QString PhaseText() const;
    QString MessageText() const;

    void ShowStarted();
    void Apply(const LaneProtocol::Event& event);
    // `outcomeSeen` false: the lane ended without saying how; `errorTail` is the end of its standard error.
    void ShowEnded(int exitStatus, bool outcomeSeen, const QString& errorTail);
    // Presses the button of `choice` in the row's question, as the operator would.
    bool Choose(const std::string& choice);

signals:
    void startPressed();
    void answered(int id, const std::string& choice);

private:
    void ShowMessage(const LaneProtocol::Event& event);
    void HideMessage();
    void ShowResult(Result result, const QString& text);

    QString port_;
    Result result_ = Result::kNone;
    std::optional<int> pendingQuestion_;
    QPushButton* start_ = nullptr;
    QLabel* serial_ = nullptr;
    QLabel* release_ = nullptr;
    QLabel* phase_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* resultLabel_ = nullptr;
    QFrame* message_ = nullptr;
    QLabel* messageText_ = nullptr;
    QHBoxLayout* messageButtons_ = nullptr;
    std::vector<QPushButton*> choices_;
};
