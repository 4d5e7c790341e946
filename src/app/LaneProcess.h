#pragma once

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <string>

#include "app/LaneProtocol.h"

// One bench lane: a corvida-cli process that upgrades the radio on one port and speaks the lane
// protocol on its standard streams. Its events arrive as signals on the window's thread. A lane that
// crashes, hangs or sends garbage touches nothing but its own row: unreadable lines are skipped, and
// what it writes to standard error is kept (its last lines) for the row to show when it fails.
class LaneProcess : public QObject {
    Q_OBJECT

public:
    static constexpr qsizetype kMaxErrorTailBytes = 4096;

    explicit LaneProcess(QObject* parent = nullptr);
    ~LaneProcess() override;
    LaneProcess(const LaneProcess&) = delete;
    LaneProcess& operator=(const LaneProcess&) = delete;

    void Start(const QString& program, const QStringList& arguments);
    bool Running() const { return process_.state() != QProcess::NotRunning; }
    void Answer(int id, const std::string& choice);
    // The end of the lane's input: a question it asks from now on is answered Cancel by the lane itself.
    void CloseInput() { process_.closeWriteChannel(); }
    QString ErrorTail() const { return QString::fromUtf8(errorTail_); }

signals:
    void eventArrived(const LaneProtocol::Event& event);
    // `outcomeSeen` false: the lane ended without its outcome line (it crashed, was killed or never ran).
    void ended(int exitStatus, bool outcomeSeen);

private:
    void ReadEvents();
    void ReadErrors();
    void TakeLine(const QByteArray& line);
    void OnFinished(int exitStatus, QProcess::ExitStatus how);

    QProcess process_;
    QByteArray pending_;
    bool skippingLongLine_ = false;
    QByteArray errorTail_;
    bool outcomeSeen_ = false;
    bool endReported_ = false;
};
