#include "app/ProgressWindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QVBoxLayout>
#include <memory>

#include "app/PortOverrides.h"
#include "app/CCorvidaDoc.h"

namespace {

// The application's own settings, where the bench's port overrides also live.
std::unique_ptr<QSettings> ApplicationSettings() {
    auto settings = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                                CCorvidaDoc::kOrganisation, PortOverrides::kApplication);
    settings->beginGroup(ProgressWindow::kGroup);
    return settings;
}

}  // namespace

ProgressWindow::ProgressWindow(QWidget* owner)
    : QWidget(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      message_(new QLabel(this)),
      bar_(new QProgressBar(this)),
      cancel_(new QPushButton(QStringLiteral(" Cancel "), this)) {
    setObjectName(QStringLiteral("progressWindow"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    message_->setWordWrap(true);
    message_->setMinimumHeight(2 * message_->fontMetrics().lineSpacing());
    message_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    bar_->setTextVisible(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(message_);
    layout->addWidget(bar_);
    layout->addWidget(cancel_, 0, Qt::AlignHCenter);
    setFixedWidth(kWidth);
    adjustSize();

    connect(cancel_, &QPushButton::clicked, this, &ProgressWindow::cancelPressed);
    PlaceOnScreen();
}

void ProgressWindow::SetMessage(const QString& message) {
    message_->setText(message);
}

void ProgressWindow::SetPosition(int position, int lower, int upper) {
    // A bar cannot show an empty range; the model still counts its steps.
    bar_->setRange(lower, upper > lower ? upper : lower + 1);
    bar_->setValue(position);
}

void ProgressWindow::SetCancelEnabled(bool enabled, const QString& whyNot) {
    cancel_->setEnabled(enabled);
    cancel_->setToolTip(enabled ? QString() : whyNot);
}

QString ProgressWindow::Message() const {
    return message_->text();
}

int ProgressWindow::BarValue() const {
    return bar_->value();
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
    // The close box acts as Cancel, and is refused while Cancel is off; the engine hears of it on its
    // next step.
    event->ignore();
    emit cancelPressed();
}

void ProgressWindow::PlaceOnScreen() {
    const std::unique_ptr<QSettings> settings = ApplicationSettings();
    bool hasX = false;
    bool hasY = false;
    const QPoint stored(settings->value("X").toInt(&hasX), settings->value("Y").toInt(&hasY));
    if (hasX && hasY && QGuiApplication::screenAt(stored) != nullptr) {
        move(stored);
        return;
    }
    QScreen* screen = parentWidget() != nullptr ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    QRect frame(QPoint(), size());
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

void ProgressWindow::StorePlace() const {
    const std::unique_ptr<QSettings> settings = ApplicationSettings();
    settings->setValue("X", pos().x());
    settings->setValue("Y", pos().y());
}
