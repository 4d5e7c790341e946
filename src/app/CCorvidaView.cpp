#include "app/CCorvidaView.h"

#include <QPainter>
#include <QSvgRenderer>
#include <QTimer>
#include <QTimerEvent>

#include "notify/Notifications.h"

CCorvidaView::CCorvidaView(const ProductLineLook& look, std::function<void(int)> handOver, QWidget* parent)
    : QWidget(parent), look_(look), handOver_(std::move(handOver)) {
    setObjectName(QStringLiteral("startupView"));
    setAutoFillBackground(false);
}

void CCorvidaView::Tick(std::chrono::milliseconds delay) {
    if (ticked_)
        return;
    ticked_ = true;
    timer_.stop();
    QTimer::singleShot(delay, this, [this] {
        handOverRequested_ = true;
        handOver_(Notifications::kViewUpgradeForm);
    });
}

void CCorvidaView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Dark));
    const QSize size = look_.pictureSize;
    const QRect target((width() - size.width()) / 2, (height() - size.height()) / 2, size.width(), size.height());
    QSvgRenderer(look_.picture).render(&painter, target);
}

void CCorvidaView::showEvent(QShowEvent*) {
    if (!ticked_ && !timer_.isActive())
        timer_.start(static_cast<int>(kTickPeriod.count()), this);
}

void CCorvidaView::timerEvent(QTimerEvent* event) {
    if (event->timerId() == timer_.timerId())
        Tick();
}
