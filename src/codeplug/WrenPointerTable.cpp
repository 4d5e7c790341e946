#include "codeplug/WrenPointerTable.h"

#include <algorithm>
#include <array>

namespace WrenPointerTable {
namespace {

constexpr std::uint16_t kFixed = kFixedLocation;

// Grouped by the block the pointer lies in.
// clang-format off
constexpr std::array kPointers = {
    Pointer{16, kFixed, 46},  Pointer{20, kFixed, 60},
    Pointer{49, 48, 40},      Pointer{51, 48, 52},     Pointer{52, 48, 58},  Pointer{53, 48, 60},
    Pointer{54, 48, 44},      Pointer{57, 48, 54},     Pointer{59, 48, 56},  Pointer{60, 48, 62},
    Pointer{61, 48, 42},      Pointer{81, 48, 50},     Pointer{84, 48, 48},  Pointer{85, 48, 46},
    Pointer{115, 48, 64},     Pointer{181, 48, 76},
    Pointer{55, 54, 2},       Pointer{56, 55, 4},      Pointer{58, 57, 2},
    Pointer{62, 61, 2},       Pointer{68, 61, 4},      Pointer{74, 61, 6},
    Pointer{63, 62, 2},       Pointer{65, 62, 4},      Pointer{142, 62, 14}, Pointer{144, 62, 16},
    Pointer{71, 68, 2},       Pointer{159, 68, 4},     Pointer{146, 68, 6},
    Pointer{72, 71, 3},       Pointer{73, 72, 25},
    Pointer{87, 74, 6},       Pointer{75, 74, 12},     Pointer{116, 74, 15}, Pointer{109, 74, 23},
    Pointer{111, 74, 25},     Pointer{155, 74, 31},    Pointer{158, 74, 31},
    Pointer{90, 75, 3},       Pointer{82, 81, 2},      Pointer{83, 82, 3},   Pointer{86, 85, 4},
    Pointer{89, 88, 2},       Pointer{88, 90, 4},      Pointer{94, 90, 6},   Pointer{97, 90, 6},
    Pointer{112, 90, 22},     Pointer{113, 90, 24},    Pointer{114, 90, 26}, Pointer{91, 90, 28},
    Pointer{95, 94, 2},
    Pointer{132, 112, 2},     Pointer{133, 113, 2},    Pointer{134, 114, 2},
    Pointer{143, 142, 2},     Pointer{145, 144, 2},    Pointer{147, 146, 2},
};
// clang-format on

}  // namespace

std::optional<Pointer> Find(std::uint16_t id) {
    const auto* found =
        std::find_if(kPointers.begin(), kPointers.end(), [id](const Pointer& p) { return p.id == id; });
    if (found == kPointers.end())
        return std::nullopt;
    return *found;
}

std::span<const Pointer> All() {
    return kPointers;
}

}  // namespace WrenPointerTable
