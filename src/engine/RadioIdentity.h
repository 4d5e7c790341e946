#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class CKwipBroker;

// Which radio a piece of saved data belongs to: the identity bytes of status 15 and the serial text of
// status 11, read as the verification reads them. The identity bytes name the radio's type and are shared
// by every radio of it; the serial text tells radios of one type apart.
struct RadioIdentity {
    static constexpr std::size_t kIdentityBytes = 16;
    using Bytes = std::array<std::uint8_t, kIdentityBytes>;

    std::optional<Bytes> bytes;  // none when not recorded (backup files of the first format)
    std::string serialText;

    bool operator==(const RadioIdentity&) const = default;

    // Asks the radio on the broker's open port for its identity and serial text.
    static RadioIdentity Read(CKwipBroker& broker);

    bool Known() const { return bytes.has_value() || !serialText.empty(); }
    // Whether `radio`, read from the line, is this one: the serial texts agree, and so do the identity
    // bytes where these are recorded. An identity that records nothing matches no radio.
    bool Matches(const RadioIdentity& radio) const;
    // "serial 752TKX40001, identity E58E...", control and other unusual bytes escaped, for messages.
    std::string Describe() const;
    std::string BytesHex() const;
    // The serial text with every byte outside the printable ASCII letters (blank and backslash included)
    // as \xHH, so that it stays one word on a line; Unescape reads it back, none when malformed.
    std::string EscapedSerial() const;
    static std::optional<std::string> Unescape(std::string_view text);
};
