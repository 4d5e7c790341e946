#include "app/CZubDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

CZubDialog::CZubDialog(int echoType, QWidget* parent)
    : QDialog(parent),
      echo_(new QRadioButton(QStringLiteral("Echo"), this)),
      noEcho_(new QRadioButton(QStringLiteral("No Echo"), this)) {
    setObjectName(QStringLiteral("zubDialog"));
    setWindowTitle(QStringLiteral("ZUB Setting"));
    (echoType == 1 ? echo_ : noEcho_)->setChecked(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Select ZUB interface setting:"), this));
    layout->addWidget(echo_);
    layout->addWidget(noEcho_);
    layout->addWidget(buttons);
}

int CZubDialog::EchoType() const {
    return echo_->isChecked() ? 1 : 0;
}
