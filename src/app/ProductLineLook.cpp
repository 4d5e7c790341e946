#include "app/ProductLineLook.h"

#include <array>

#include "files/ProductLine.h"

namespace {

struct Row {
    const char* title;
    const char* picture;
    int width;
    int height;
};

constexpr Row kFirmwareKit229 = {"Radio Firmware Kit", ":/pictures/startup229.svg", 446, 317};
constexpr Row kFirmwareKit228 = {"Radio Firmware Kit", ":/pictures/startup228.svg", 480, 360};
constexpr Row kUpgradeKit160 = {"Radio Upgrade Kit", ":/pictures/startup160.svg", 446, 317};

// By product line id; the About title equals the window title on every row.
constexpr std::array<Row, ProductLine::kNames.size()> kRows = {
    kFirmwareKit229, kUpgradeKit160, kUpgradeKit160, kUpgradeKit160,  kFirmwareKit228, kUpgradeKit160,
    kUpgradeKit160,  kUpgradeKit160, kUpgradeKit160, kFirmwareKit228, kUpgradeKit160,  kUpgradeKit160,
};

}  // namespace

ProductLineLook ProductLineLook::Of(std::int32_t productLine) {
    const bool known = productLine >= 0 && static_cast<std::size_t>(productLine) < kRows.size();
    const Row& row = kRows[static_cast<std::size_t>(known ? productLine : ProductLine::kNoLine)];
    return {QString::fromLatin1(row.title), QString::fromLatin1(row.title), QString::fromLatin1(row.picture),
            QSize(row.width, row.height)};
}
