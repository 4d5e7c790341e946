#include "app/PressRunner.h"

#include <exception>

#include "errors/CError.h"
#include "errors/CErrorLog.h"

PressRunner::PressRunner(QObject* parent) : QObject(parent) {}

PressRunner::~PressRunner() {
    // The window refuses to close while a press runs, so this only waits for a press that has returned.
    if (thread_ != nullptr)
        thread_->wait();
}

bool PressRunner::Run(std::function<void()> press) {
    if (Running())
        return false;
    thread_.reset(QThread::create([press = std::move(press)] {
        // A press shows its own failures; anything that still escapes must not end the program mid-run.
        try {
            press();
        } catch (const CError& failure) {
            ErrorLog().Log("PressRunner::Run: The press ended with an unexpected failure: %s", failure.GetText());
        } catch (const std::exception& failure) {
            ErrorLog().Log("PressRunner::Run: The press ended with an unexpected failure: %s", failure.what());
        }
    }));
    connect(thread_.get(), &QThread::finished, this, &PressRunner::Finish);
    emit started();
    thread_->start();
    return true;
}

void PressRunner::Finish() {
    thread_->wait();
    thread_.reset();
    emit finished();
}
