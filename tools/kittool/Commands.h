#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

#include "SRecordWriter.h"

// kittool's commands, each returning the process's exit status and writing its report to `out`
// and its complaints to `err`. main() only parses the command line.
namespace Commands {

inline constexpr int kSuccess = 0;
inline constexpr int kProblemsFound = 1;
inline constexpr int kFailed = 2;

// Which key a command uses: the program key, the kit key of a kit folder, or a text.
struct KeyChoice {
    bool programKey = false;
    std::optional<std::filesystem::path> kit;
    std::optional<std::string> text;
};

struct Streams {
    std::ostream& out;
    std::ostream& err;
};

// Enciphers a whole file, padded with zero bytes to a multiple of 8.
int Encrypt(const std::filesystem::path& in, const std::filesystem::path& out, const KeyChoice& key,
            Streams io);
// Deciphers a whole file; without `raw` the output ends at the first zero byte, as the program reads it.
int Decrypt(const std::filesystem::path& in, const std::filesystem::path& out, const KeyChoice& key, bool raw,
            Streams io);
// The key a command uses, or none after telling why.
std::optional<std::string> ResolveKey(const KeyChoice& key, Streams io);
// Whether a text looks like plain S-records: printable text that starts with "S".
bool LooksLikeSRecords(std::string_view text);

int Build(const std::filesystem::path& sources, const std::filesystem::path& output, Streams io);
int Show(const std::filesystem::path& kit, Streams io);
int Lint(const std::filesystem::path& kit, Streams io);
// Reports the byte image of a plain or enciphered S-record file; the key defaults to the kit key of
// the file's folder. `rawOut` receives the image bytes.
int Image(const std::filesystem::path& file, const KeyChoice& key,
          const std::optional<std::filesystem::path>& rawOut, Streams io);

// Writes a desktop entry that starts corvida in the kit's folder, named with the kit's title, to
// `output` or else into the user's applications folder; prints the file's path.
int Launcher(const std::filesystem::path& kit, const std::optional<std::filesystem::path>& output,
             Streams io);

// What `srec` writes: the bytes of `from`, or `size` deterministic bytes made from `seed` (the seed
// text first, then pseudo-random bytes), as S-records of `layout`.
struct SRecordSource {
    std::optional<std::filesystem::path> from;
    std::string seed = "corvida";
    std::uint32_t size = 0;
    bool checkValue = false;  // the image's last bytes become its FirmwareTrailer
};
int WriteSRecordFile(const std::filesystem::path& out, const SRecordSource& source,
                     const SRecordLayout& layout, Streams io);

}  // namespace Commands
