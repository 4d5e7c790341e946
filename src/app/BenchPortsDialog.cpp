#include "app/BenchPortsDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "app/BenchPorts.h"

BenchPortsDialog::BenchPortsDialog(const QStringList& ports, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("benchPortsDialog"));
    setWindowTitle(QStringLiteral("Bench Ports"));
    auto* layout = new QVBoxLayout(this);
    auto* help = new QLabel(
        QStringLiteral("One port a line, a lane each: a device such as /dev/ttyUSB0 or a COM number such as "
                       "COM3 (at most %1).")
            .arg(BenchPorts::kMaxPorts),
        this);
    help->setWordWrap(true);
    layout->addWidget(help);
    editor_ = new QPlainTextEdit(ports.join(QLatin1Char('\n')), this);
    editor_->setObjectName(QStringLiteral("ports"));
    layout->addWidget(editor_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(420, 300);
}

QStringList BenchPortsDialog::Ports() const {
    return BenchPorts::Cleaned(editor_->toPlainText().split(QLatin1Char('\n')));
}

void BenchPortsDialog::SetText(const QString& text) {
    editor_->setPlainText(text);
}
