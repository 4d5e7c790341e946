#include "app/FlashRateDialog.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include "workflow/FlashDialog.h"

namespace {

constexpr const char* kRateLabels[] = {"19,200 Bd ", "38,400 Bd", "115,200 Bd"};

constexpr const char* kHelpText =
    "Maximum Allowable Baud Rates:\n"
    "KX series, cable without ZUB box and flash adapter: 115,200 Bd\n"
    "KX series, ZUB box cable and flash adapter: 38,400 Bd\n"
    "PL series with its own programming cable: 38,400 Bd";

}  // namespace

FlashRateDialog::FlashRateDialog(std::optional<unsigned> current, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("flashRateDialog"));
    setWindowTitle(QStringLiteral("Configuration"));

    auto* group = new QGroupBox(QStringLiteral("Flash Rate"), this);
    auto* groupLayout = new QVBoxLayout(group);
    for (unsigned index = 0; index < FlashDialog::kRates.size(); ++index) {
        rates_[index] = new QRadioButton(QString::fromLatin1(kRateLabels[index]), group);
        groupLayout->addWidget(rates_[index]);
    }
    rates_[FlashDialog::RateChoice(current)]->setChecked(true);

    auto* picture = new QLabel(this);
    picture->setPixmap(QIcon(QStringLiteral(":/pictures/flash.svg")).pixmap(160, 96));
    auto* top = new QHBoxLayout;
    top->addWidget(group);
    top->addWidget(picture, 0, Qt::AlignCenter);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(new QLabel(QString::fromLatin1(kHelpText), this));
    layout->addWidget(buttons);
}

unsigned FlashRateDialog::ChosenRate() const {
    for (unsigned index = 0; index < FlashDialog::kRates.size(); ++index) {
        if (rates_[index]->isChecked())
            return FlashDialog::kRates[index];
    }
    return FlashDialog::kRates[0];
}

std::optional<unsigned> FlashRateDialog::Choose(std::optional<unsigned> current, QWidget* parent) {
    FlashRateDialog dialog(current, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.ChosenRate();
}
