#include "engine/RadioIdentity.h"

#include <algorithm>
#include <string_view>

#include "errors/TextFormat.h"
#include "files/HexDigits.h"
#include "kwip/CKwipBroker.h"

namespace {

constexpr std::uint8_t kSerialStatus = 11;
constexpr std::uint8_t kIdentityStatus = 15;
// The verification's buffers: the identity's 16 bytes and the terminating zero, ten serial characters.
constexpr std::size_t kIdentityBuffer = RadioIdentity::kIdentityBytes + 1;
constexpr std::size_t kSerialTextBuffer = 11;

// A reply text as the radio's C string: up to its first zero byte and before its first blank.
std::string CutAtBlank(std::string_view text) {
    return std::string(text.substr(0, std::min(text.find('\0'), text.find(' '))));
}

}  // namespace

RadioIdentity RadioIdentity::Read(CKwipBroker& broker) {
    RadioIdentity radio;
    std::array<char, kIdentityBuffer> identity{};
    broker.RadioStatusRequest(kIdentityStatus, identity);
    Bytes bytes{};
    std::copy_n(identity.begin(), bytes.size(), reinterpret_cast<char*>(bytes.data()));
    radio.bytes = bytes;
    std::array<char, kSerialTextBuffer> serial{};
    radio.serialText = CutAtBlank(broker.RadioStatusRequest(kSerialStatus, serial));
    return radio;
}

bool RadioIdentity::Matches(const RadioIdentity& radio) const {
    if (!Known() || serialText != radio.serialText)
        return false;
    return !bytes || bytes == radio.bytes;
}

std::string RadioIdentity::Describe() const {
    std::string text = "serial " + (serialText.empty() ? std::string("(none)") : EscapedSerial());
    if (bytes)
        text += ", identity " + BytesHex();
    return text;
}

std::string RadioIdentity::BytesHex() const {
    std::string hex;
    if (bytes)
        for (const std::uint8_t byte : *bytes)
            hex += FormatText("%02X", byte);
    return hex;
}

std::string RadioIdentity::EscapedSerial() const {
    std::string shown;
    for (const char c : serialText) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte > 0x20 && byte < 0x7F && c != '\\')
            shown += c;
        else
            shown += FormatText("\\x%02X", byte);
    }
    return shown;
}

std::optional<std::string> RadioIdentity::Unescape(std::string_view text) {
    std::string plain;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] != '\\') {
            plain += text[at];
            continue;
        }
        if (at + 3 >= text.size())
            return std::nullopt;
        const auto byte = HexDigits::StrictPairs(text.substr(at + 2, 2));
        if (text[at + 1] != 'x' || !byte || byte->size() != 1)
            return std::nullopt;
        plain += static_cast<char>((*byte)[0]);
        at += 3;
    }
    return plain;
}
