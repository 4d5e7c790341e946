// Any text as a backup file of radio data: it is refused with an error, or read into saved data that
// write out and read back as the same pieces, radio and restore state.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/SavedDataFile.h"
#include "errors/CError.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    RadioSavedData saved;
    try {
        saved = SavedDataFile::Parse(text);
    } catch (const CError&) {
        return 0;
    }
    const RadioSavedData again = SavedDataFile::Parse(SavedDataFile::Format(saved));
    if (again.Pieces() != saved.Pieces() || again.Mode() != saved.Mode() || again.Layout() != saved.Layout() ||
        again.Radio() != saved.Radio() || again.AtRisk() != saved.AtRisk())
        std::abort();
    return 0;
}
