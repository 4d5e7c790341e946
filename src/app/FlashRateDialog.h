#pragma once

#include <QDialog>
#include <optional>

class QRadioButton;

// "Configuration": the flash rate in the "Flash Rate" group, with the connection's picture and the
// highest rate each connection allows. OK is the only button; closing it otherwise chooses nothing.
class FlashRateDialog : public QDialog {
    Q_OBJECT

public:
    // `current` preselects its rate (19,200 Bd when none).
    explicit FlashRateDialog(std::optional<unsigned> current, QWidget* parent = nullptr);

    unsigned ChosenRate() const;
    QRadioButton* RateButton(unsigned index) const { return rates_[index]; }

    // Shows the dialog modally: the rate confirmed with OK, or none.
    static std::optional<unsigned> Choose(std::optional<unsigned> current, QWidget* parent);

private:
    QRadioButton* rates_[3];
};
