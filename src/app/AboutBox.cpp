#include "app/AboutBox.h"

#include <QDialogButtonBox>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#ifndef CORVIDA_VERSION
#error "the build defines CORVIDA_VERSION"
#endif

AboutBox::AboutBox(const QString& aboutTitle, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("aboutBox"));
    setWindowTitle(QStringLiteral("About"));

    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(QStringLiteral(":/pictures/corvida.svg")).pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);

    auto* title = new QLabel(aboutTitle, this);
    title->setObjectName(QStringLiteral("aboutTitle"));
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    auto* what = new QLabel(QStringLiteral("Corvida upgrades two-way radios on the service bench."), this);
    auto* version = new QLabel(VersionLine(), this);

    auto* texts = new QVBoxLayout;
    texts->addWidget(title);
    texts->addWidget(what);
    texts->addWidget(version);
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addSpacing(12);
    top->addLayout(texts, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    setFixedSize(sizeHint());
}

QString AboutBox::VersionLine() {
    return QStringLiteral("Version %1").arg(QStringLiteral(CORVIDA_VERSION));
}
