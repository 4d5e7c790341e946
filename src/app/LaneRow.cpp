#include "app/LaneRow.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

#include "errors/ByteText.h"

namespace {

using Kind = LaneProtocol::Event::Kind;

constexpr int kPortWidth = 150;
constexpr int kSerialWidth = 110;
constexpr int kReleaseWidth = 80;
constexpr int kPhaseWidth = 260;
constexpr int kProgressWidth = 140;
constexpr int kResultWidth = 180;

QLabel* PlainLabel(QWidget* parent, const QString& name, int width) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);  // a radio's "<b>" is shown, never rendered
    label->setMinimumWidth(width);
    label->setMaximumWidth(width);
    return label;
}

QString Shown(const std::string& text) {
    return QString::fromStdString(ByteText::Escaped(text, ByteText::LineFeeds::kKeep));
}

QString ButtonText(const std::string& choice) {
    if (choice == "ok")
        return QStringLiteral("OK");
    if (choice.empty())
        return {};
    QString text = Shown(choice);
    text[0] = text[0].toUpper();
    return text;
}

QString IconText(const std::string& icon) {
    if (icon == "error")
        return QStringLiteral("Error: ");
    if (icon == "warning")
        return QStringLiteral("Warning: ");
    return {};
}

}  // namespace

LaneRow::LaneRow(QString port, QWidget* parent) : QFrame(parent), port_(std::move(port)) {
    setFrameShape(QFrame::StyledPanel);
    setObjectName(QStringLiteral("lane"));
    auto* grid = new QGridLayout(this);
    auto* portLabel = PlainLabel(this, QStringLiteral("port"), kPortWidth);
    portLabel->setText(port_);
    portLabel->setToolTip(port_);
    start_ = new QPushButton(QStringLiteral("Start"), this);
    start_->setObjectName(QStringLiteral("start"));
    connect(start_, &QPushButton::clicked, this, &LaneRow::startPressed);
    serial_ = PlainLabel(this, QStringLiteral("serial"), kSerialWidth);
    release_ = PlainLabel(this, QStringLiteral("release"), kReleaseWidth);
    phase_ = PlainLabel(this, QStringLiteral("phase"), kPhaseWidth);
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("progress"));
    progress_->setFixedWidth(kProgressWidth);
    progress_->setValue(0);
    resultLabel_ = PlainLabel(this, QStringLiteral("result"), kResultWidth);

    int column = 0;
    for (QWidget* cell : {static_cast<QWidget*>(portLabel), static_cast<QWidget*>(start_),
                          static_cast<QWidget*>(serial_), static_cast<QWidget*>(release_),
                          static_cast<QWidget*>(phase_), static_cast<QWidget*>(progress_),
                          static_cast<QWidget*>(resultLabel_)})
        grid->addWidget(cell, 0, column++);

    message_ = new QFrame(this);
    message_->setObjectName(QStringLiteral("message"));
    message_->setFrameShape(QFrame::StyledPanel);
    auto* messageLayout = new QHBoxLayout(message_);
    messageText_ = new QLabel(message_);
    messageText_->setObjectName(QStringLiteral("messageText"));
    messageText_->setTextFormat(Qt::PlainText);
    messageText_->setWordWrap(true);
    messageLayout->addWidget(messageText_, 1);
    messageButtons_ = new QHBoxLayout();
    messageLayout->addLayout(messageButtons_);
    grid->addWidget(message_, 1, 0, 1, column);
    message_->hide();
}

QString LaneRow::ResultText() const {
    return resultLabel_->text();
}

QString LaneRow::SerialText() const {
    return serial_->text();
}

QString LaneRow::PhaseText() const {
    return phase_->text();
}

QString LaneRow::MessageText() const {
    return message_->isHidden() ? QString() : messageText_->text();
}

void LaneRow::ShowStarted() {
    start_->setEnabled(false);
    serial_->clear();
    release_->clear();
    phase_->clear();
    progress_->setRange(0, 100);
    progress_->setValue(0);
    HideMessage();
    ShowResult(Result::kRunning, QStringLiteral("Running"));
}

void LaneRow::Apply(const LaneProtocol::Event& event) {
    switch (event.kind) {
        case Kind::Kit:
            break;
        case Kind::Radio:
            serial_->setText(Shown(event.serial));
            release_->setText(Shown(event.release));
            break;
        case Kind::Phase:
            phase_->setText(Shown(event.text));
            phase_->setToolTip(phase_->text());
            break;
        case Kind::Progress:
            if (event.total > 0) {
                progress_->setRange(0, event.total);
                progress_->setValue(std::clamp(event.done, 0, event.total));
            }
            break;
        case Kind::Box:
            ShowMessage(event);
            break;
        case Kind::Question:
            if (event.answered.empty())
                ShowMessage(event);
            else
                phase_->setText(Shown(event.caption + ": " + event.answered));
            break;
        case Kind::Outcome: {
            const Result result = event.result == "success"     ? Result::kSucceeded
                                  : event.result == "cancelled" ? Result::kCancelled
                                                                : Result::kFailed;
            ShowResult(result, Shown(event.text));
            break;
        }
    }
}

void LaneRow::ShowEnded(int exitStatus, bool outcomeSeen, const QString& errorTail) {
    start_->setEnabled(true);
    // A question the lane can no longer hear goes; a box stays until the operator has read it.
    if (pendingQuestion_)
        HideMessage();
    if (!outcomeSeen) {
        ShowResult(Result::kFailed, exitStatus < 0 ? QStringLiteral("The lane stopped without a result")
                                                   : QStringLiteral("The lane ended without a result (exit %1)")
                                                         .arg(exitStatus));
    }
    if (result_ != Result::kSucceeded && !errorTail.isEmpty())
        resultLabel_->setToolTip(Shown(errorTail.toStdString()));
}

bool LaneRow::Choose(const std::string& choice) {
    if (!pendingQuestion_)
        return false;
    for (QPushButton* button : choices_) {
        if (button->property("choice").toString().toStdString() == choice) {
            button->click();
            return true;
        }
    }
    return false;
}

void LaneRow::ShowMessage(const LaneProtocol::Event& event) {
    HideMessage();
    messageText_->setText(IconText(event.icon) + Shown(event.text));
    // A box asks nothing of the lane: its OK only clears the row.
    const std::vector<std::string> choices =
        event.kind == Kind::Question ? event.choices : std::vector<std::string>{"ok"};
    if (event.kind == Kind::Question)
        pendingQuestion_ = event.id;
    for (const std::string& choice : choices) {
        auto* button = new QPushButton(ButtonText(choice), message_);
        button->setProperty("choice", QString::fromStdString(choice));
        messageButtons_->addWidget(button);
        choices_.push_back(button);
        const std::optional<int> id = pendingQuestion_;
        connect(button, &QPushButton::clicked, this, [this, id, choice] {
            HideMessage();
            if (id)
                emit answered(*id, choice);
        });
    }
    message_->show();
}

void LaneRow::HideMessage() {
    pendingQuestion_.reset();
    for (QPushButton* button : choices_)
        button->deleteLater();
    choices_.clear();
    message_->hide();
}

void LaneRow::ShowResult(Result result, const QString& text) {
    result_ = result;
    resultLabel_->setText(text);
    resultLabel_->setToolTip(text);
    static const char* const kColours[] = {"", "", "color: #1a7f37;", "color: #c62828;", "color: #b26a00;"};
    resultLabel_->setStyleSheet(QString::fromLatin1(kColours[static_cast<int>(result)]));
}
