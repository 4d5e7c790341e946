#include "cli/CliArgument.h"

#include <cctype>
#include <charconv>
#include <filesystem>
#include <string>

#include "errors/TextFormat.h"

namespace CliArgument {

namespace {

constexpr std::string_view kHexPrefix = "0x";

bool HasHexPrefix(std::string_view text) {
    return text.size() > kHexPrefix.size() && (text.substr(0, 2) == "0x" || text.substr(0, 2) == "0X");
}

// The whole text as a number in `base`; nothing for anything else, a sign included.
std::optional<unsigned> Parse(std::string_view text, int base) {
    if (text.empty() || !std::isxdigit(static_cast<unsigned char>(text.front())))
        return std::nullopt;
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

CLI::Validator Checked(std::string description, std::function<bool(const std::string&)> valid) {
    return CLI::Validator(
        [description, valid = std::move(valid)](std::string& text) {
            return valid(text) ? std::string() : "'" + text + "' is not " + description;
        },
        "");
}

}  // namespace

std::optional<unsigned> Number(std::string_view text) {
    if (HasHexPrefix(text))
        return Parse(text.substr(kHexPrefix.size()), 16);
    return Parse(text, 10);
}

std::optional<unsigned> HexNumber(std::string_view text) {
    return Parse(HasHexPrefix(text) ? text.substr(kHexPrefix.size()) : text, 16);
}

std::optional<std::vector<std::uint8_t>> HexBytes(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    std::size_t at = 0;
    while (at < text.size()) {
        if (text[at] == ' ' || text[at] == ':') {
            ++at;
            continue;
        }
        const std::optional<unsigned> byte =
            at + 2 <= text.size() ? Parse(text.substr(at, 2), 16) : std::nullopt;
        if (!byte)
            return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(*byte));
        at += 2;
    }
    if (bytes.empty())
        return std::nullopt;
    return bytes;
}

CLI::Validator NumberIn(unsigned min, unsigned max) {
    return Checked(FormatText("a number from %u to %u", min, max), [min, max](const std::string& text) {
        const std::optional<unsigned> value = Number(text);
        return value && *value >= min && *value <= max;
    });
}

CLI::Validator HexNumberUpTo(unsigned max) {
    return Checked(FormatText("a hex number up to %X", max), [max](const std::string& text) {
        const std::optional<unsigned> value = HexNumber(text);
        return value && *value <= max;
    });
}

CLI::Validator HexByteString() {
    return Checked("a string of hex byte pairs",
                   [](const std::string& text) { return HexBytes(text).has_value(); });
}

std::string AbsolutePath(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.string();
}

}  // namespace CliArgument
