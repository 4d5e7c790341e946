// Any deciphered configuration text given to kittool: its reading of the whole kit and its lint must
// stop at the end of the data and never fail on what they read (the kit's images are all missing).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "KitConfig.h"
#include "KitFolder.h"
#include "KitLinter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    KitFolder kit = KitFolder::WithPlainConfig("/nonexistent-corvida-kit", text);
    KitConfig::Read(kit.Config());
    KitLinter(kit).Run();
    return 0;
}
