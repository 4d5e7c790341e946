#include "app/LaneProcess.h"

LaneProcess::LaneProcess(QObject* parent) : QObject(parent) {
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    connect(&process_, &QProcess::readyReadStandardOutput, this, &LaneProcess::ReadEvents);
    connect(&process_, &QProcess::readyReadStandardError, this, &LaneProcess::ReadErrors);
    connect(&process_, &QProcess::finished, this, &LaneProcess::OnFinished);
    connect(&process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            OnFinished(-1, QProcess::CrashExit);
    });
}

// A lane still running when its window goes is cut off from its operator: the end of its input
// answers its questions Cancel; it is waited for, never killed, because it may be flashing a radio.
LaneProcess::~LaneProcess() {
    if (!Running())
        return;
    disconnect(&process_, nullptr, this, nullptr);
    process_.closeWriteChannel();
    process_.waitForFinished(-1);
}

void LaneProcess::Start(const QString& program, const QStringList& arguments) {
    pending_.clear();
    skippingLongLine_ = false;
    errorTail_.clear();
    outcomeSeen_ = false;
    endReported_ = false;
    process_.start(program, arguments);
}

void LaneProcess::Answer(int id, const std::string& choice) {
    const std::string line = LaneProtocol::Encode(LaneProtocol::Answer{id, choice});
    process_.write(line.data(), static_cast<qint64>(line.size()));
}

void LaneProcess::ReadEvents() {
    pending_ += process_.readAllStandardOutput();
    for (qsizetype end = pending_.indexOf('\n'); end >= 0; end = pending_.indexOf('\n')) {
        const QByteArray line = pending_.left(end);
        pending_.remove(0, end + 1);
        if (skippingLongLine_)
            skippingLongLine_ = false;
        else
            TakeLine(line);
    }
    // A line past the protocol's bound is no event: its bytes are dropped up to its end.
    if (pending_.size() > static_cast<qsizetype>(LaneProtocol::kMaxLineBytes)) {
        pending_.clear();
        skippingLongLine_ = true;
    }
}

void LaneProcess::TakeLine(const QByteArray& line) {
    const std::optional<LaneProtocol::Event> event =
        LaneProtocol::DecodeEvent(std::string_view(line.constData(), static_cast<std::size_t>(line.size())));
    if (!event)
        return;
    if (event->kind == LaneProtocol::Event::Kind::Outcome)
        outcomeSeen_ = true;
    emit eventArrived(*event);
}

void LaneProcess::ReadErrors() {
    errorTail_ += process_.readAllStandardError();
    if (errorTail_.size() > kMaxErrorTailBytes)
        errorTail_ = errorTail_.right(kMaxErrorTailBytes);
}

void LaneProcess::OnFinished(int exitStatus, QProcess::ExitStatus how) {
    if (endReported_)
        return;
    endReported_ = true;
    ReadEvents();
    ReadErrors();
    emit ended(how == QProcess::NormalExit ? exitStatus : -1, outcomeSeen_);
}
