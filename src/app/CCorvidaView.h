#pragma once

#include <QBasicTimer>
#include <QWidget>
#include <chrono>
#include <functional>

#include "app/ProductLineLook.h"

// The start-up view: the product line's picture centred on the button-shadow colour. Once shown it
// ticks every 250 ms; the first tick waits a further 700 ms and then asks for the upgrade form, once.
class CCorvidaView : public QWidget {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kTickPeriod{250};
    static constexpr std::chrono::milliseconds kHandOverDelay{700};

    // `handOver` is called once, with the view kind to switch to.
    CCorvidaView(const ProductLineLook& look, std::function<void(int)> handOver, QWidget* parent = nullptr);

    bool HandOverRequested() const { return handOverRequested_; }
    // One tick of the hand-over timer; `delay` stands for the further wait (tests pass zero).
    void Tick(std::chrono::milliseconds delay = kHandOverDelay);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    ProductLineLook look_;
    std::function<void(int)> handOver_;
    QBasicTimer timer_;
    bool ticked_ = false;
    bool handOverRequested_ = false;
};
