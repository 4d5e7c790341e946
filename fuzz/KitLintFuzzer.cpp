// Any deciphered configuration text given to kittool: its reading of the whole kit and its lint must
// stop at the end of the data and never fail on what they read (the kit's images are all missing).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "KitConfig.h"
#include "KitFolder.h"
#include "KitLinter.h"
#include "files/PatchSection.h"

namespace {

constexpr std::uint32_t kSectionsCompared = 4;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    KitFolder kit = KitFolder::WithPlainConfig("/nonexistent-corvida-kit", text);
    const KitConfig::Kit config = KitConfig::Read(kit.Config());
    // kittool's single walk over the patch sections reads what the program's loader reads.
    if (!config.groups.empty() && kit.Config().FindBlock(KitConfig::kPatcherDataBlock)) {
        const KitConfig::RadioGroup& group = config.groups[0];
        for (std::uint32_t e = 0; e < group.patchSections.size() && e < kSectionsCompared; ++e) {
            const PatchSection loaded = LoadPatchSection(kit.Config(), e);
            if (loaded.records != group.patchSections[e].records ||
                loaded.closed != group.patchSections[e].closed) {
                std::abort();
            }
        }
    }
    KitLinter(kit).Run();
    return 0;
}
