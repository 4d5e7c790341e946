#pragma once

#include <QDialog>

class QRadioButton;

// "ZUB Setting": whether the interface box echoes every transmitted byte ("Echo", 1) or not ("No Echo", 0).
class CZubDialog : public QDialog {
    Q_OBJECT

public:
    CZubDialog(int echoType, QWidget* parent = nullptr);

    // 1 for "Echo", 0 for "No Echo".
    int EchoType() const;
    QRadioButton* EchoButton() const { return echo_; }
    QRadioButton* NoEchoButton() const { return noEcho_; }

private:
    QRadioButton* echo_;
    QRadioButton* noEcho_;
};
