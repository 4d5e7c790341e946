#pragma once

#include <QObject>
#include <QThread>
#include <functional>
#include <memory>

// Runs a Program press off the UI thread, so the window keeps answering the desktop during an erase or
// a retry loop. The press reaches the operator through the notifications, the message box and the view,
// which all wait on the UI thread; only one press runs at a time.
class PressRunner : public QObject {
    Q_OBJECT

public:
    explicit PressRunner(QObject* parent = nullptr);
    ~PressRunner() override;

    // Starts `press` on its own thread; false, doing nothing, while a press runs.
    bool Run(std::function<void()> press);
    bool Running() const { return thread_ != nullptr; }

signals:
    void started();
    // Emitted on the UI thread once the press has returned.
    void finished();

private:
    void Finish();

    std::unique_ptr<QThread> thread_;
};
