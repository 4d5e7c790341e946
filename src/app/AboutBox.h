#pragma once

#include <QDialog>

// The About box: the product line's About title, what Corvida is and its version, and OK.
class AboutBox : public QDialog {
    Q_OBJECT

public:
    AboutBox(const QString& aboutTitle, QWidget* parent = nullptr);

    static QString VersionLine();
};
