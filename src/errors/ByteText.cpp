#include "errors/ByteText.h"

#include <algorithm>

#include "errors/TextFormat.h"

namespace ByteText {

namespace {

constexpr std::uint8_t kDelete = 0x7F;
constexpr std::uint32_t kFirstC1 = 0x80;
constexpr std::uint32_t kLastC1 = 0x9F;

bool IsPrintable(std::uint8_t byte) {
    return byte >= 0x20 && byte < kDelete;
}

bool IsContinuation(std::uint8_t byte) {
    return (byte & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence at the start of `bytes`, or 0 when it is none. Overlong forms,
// surrogates and code points past U+10FFFF are not valid.
std::size_t SequenceLength(std::string_view bytes) {
    const auto lead = static_cast<std::uint8_t>(bytes[0]);
    std::size_t length = 0;
    std::uint8_t secondLow = 0x80;
    std::uint8_t secondHigh = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        secondLow = lead == 0xE0 ? 0xA0 : 0x80;
        secondHigh = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        secondLow = lead == 0xF0 ? 0x90 : 0x80;
        secondHigh = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (bytes.size() < length)
        return 0;
    const auto second = static_cast<std::uint8_t>(bytes[1]);
    if (second < secondLow || second > secondHigh)
        return 0;
    for (std::size_t at = 2; at < length; ++at) {
        if (!IsContinuation(static_cast<std::uint8_t>(bytes[at])))
            return 0;
    }
    return length;
}

// A two-byte sequence for U+0080 to U+009F: a C1 control.
bool IsC1(std::string_view sequence) {
    if (sequence.size() != 2)
        return false;
    const std::uint32_t point = (static_cast<std::uint8_t>(sequence[0]) & 0x1Fu) << 6 |
                                (static_cast<std::uint8_t>(sequence[1]) & 0x3Fu);
    return point >= kFirstC1 && point <= kLastC1;
}

void AppendEscaped(std::string& out, std::string_view bytes) {
    for (const char c : bytes)
        out += FormatText("\\x%02X", static_cast<std::uint8_t>(c));
}

}  // namespace

std::string Escaped(std::string_view text, LineFeeds lineFeeds) {
    std::string out;
    out.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        const auto byte = static_cast<std::uint8_t>(text[at]);
        if (IsPrintable(byte) || (byte == '\n' && lineFeeds == LineFeeds::kKeep)) {
            out += text[at++];
            continue;
        }
        const std::size_t length = byte < 0x80 ? 0 : SequenceLength(text.substr(at));
        if (length == 0) {
            AppendEscaped(out, text.substr(at, 1));
            ++at;
            continue;
        }
        const std::string_view sequence = text.substr(at, length);
        if (IsC1(sequence))
            AppendEscaped(out, sequence);
        else
            out += sequence;
        at += length;
    }
    return out;
}

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
    std::string backslashed;
    for (const char character : text) {
        if (character == '"' || character == '\\')
            backslashed += '\\';
        backslashed += character;
    }
    return "\"" + Escaped(backslashed) + "\"";
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
