#include "app/CCommDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QVBoxLayout>

CCommDialog::CCommDialog(const std::vector<ComPortInfo>& ports, int currentPort, QWidget* parent)
    : QDialog(parent), list_(new QComboBox(this)) {
    setObjectName(QStringLiteral("commDialog"));
    setWindowTitle(QStringLiteral("Communication Settings"));
    list_->setMinimumContentsLength(28);
    for (const ComPortInfo& port : ports)
        list_->addItem(EntryText(port), static_cast<int>(port.number));
    list_->setCurrentIndex(list_->findData(currentPort));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Comm Port"), list_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

std::optional<int> CCommDialog::SelectedPort() const {
    if (list_->currentIndex() < 0)
        return std::nullopt;
    return list_->currentData().toInt();
}

QString CCommDialog::EntryText(const ComPortInfo& port) {
    const std::string& beside = port.description.empty() ? port.path : port.description;
    return QStringLiteral("COM%1    %2").arg(port.number).arg(QString::fromStdString(beside));
}
