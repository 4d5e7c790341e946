// Any radio profile text: the reader takes it or refuses it with its "<name>:<line>: <reason>" error,
// and a profile it takes builds a radio. Inputs that name a file are skipped: the fuzzer must not read
// whatever path it makes up (/dev/zero would never end).
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "radio/RadioProfileReader.h"
#include "radio/SimRadio.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (text.find('/') != std::string_view::npos)
        return -1;
    try {
        const RadioProfile profile = RadioProfileReader{}.Parse(text, "fuzz.profile");
        SimRadio radio(profile);
    } catch (const std::runtime_error&) {
    }
    return 0;
}
