#include "errors/StringTable.h"

#include <array>
#include <utility>

namespace StringTable {

std::optional<std::string_view> Find(unsigned id) {
    static constexpr std::array<std::pair<unsigned, std::string_view>, 4> kEntries{{
        {kVersionTagId, kVersionTag},
        {kBootstrapInstructionsId, kBootstrapInstructions},
        {kUpdateSuccessfulId, kUpdateSuccessful},
        {kTestKitWarningId, kTestKitWarning},
    }};
    for (const auto& [entryId, text] : kEntries) {
        if (entryId == id)
            return text;
    }
    return std::nullopt;
}

}  // namespace StringTable
