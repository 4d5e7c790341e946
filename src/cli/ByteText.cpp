#include "cli/ByteText.h"

#include <algorithm>

#include "errors/TextFormat.h"

namespace ByteText {

namespace {

bool IsPrintable(std::uint8_t byte) {
    return byte >= 0x20 && byte < 0x7F;
}

}  // namespace

std::string Hex(std::span<const std::uint8_t> bytes, std::string_view separator) {
    std::string text;
    for (std::size_t index = 0; index < bytes.size(); ++index) {
        if (index > 0)
            text += separator;
        text += FormatText("%02X", bytes[index]);
    }
    return text;
}

std::string Quoted(std::string_view text) {
    std::string quoted = "\"";
    for (const char character : text) {
        const auto byte = static_cast<std::uint8_t>(character);
        if (character == '"' || character == '\\') {
            quoted += '\\';
            quoted += character;
        } else if (IsPrintable(byte)) {
            quoted += character;
        } else {
            quoted += FormatText("\\x%02X", byte);
        }
    }
    return quoted + "\"";
}

void Dump(std::ostream& out, std::span<const std::uint8_t> bytes, unsigned firstAddress) {
    for (std::size_t offset = 0; offset < bytes.size(); offset += kDumpBytesPerLine) {
        const std::span<const std::uint8_t> line =
            bytes.subspan(offset, std::min(kDumpBytesPerLine, bytes.size() - offset));
        std::string characters;
        for (const std::uint8_t byte : line)
            characters += IsPrintable(byte) ? static_cast<char>(byte) : '.';
        std::string hex = Hex(line);
        hex.resize(kDumpBytesPerLine * 3 - 1, ' ');
        out << FormatText("%06X  %s  %s", firstAddress + static_cast<unsigned>(offset), hex.c_str(),
                          characters.c_str())
            << '\n';
    }
}

}  // namespace ByteText
