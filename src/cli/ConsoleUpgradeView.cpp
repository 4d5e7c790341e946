#include "cli/ConsoleUpgradeView.h"

#include "errors/ByteText.h"
#include "workflow/FlashDialog.h"

void ConsoleUpgradeView::ShowKitTexts(const std::string& title, const std::string& description) {
    out_ << "kit         " << ByteText::Escaped(title) << "\n            " << ByteText::Escaped(description)
         << '\n';
}

std::optional<unsigned> ConsoleUpgradeView::ChooseFlashRate(std::optional<unsigned> current) {
    if (rate_)
        return rate_;
    return FlashDialog::kRates[FlashDialog::RateChoice(current)];
}
