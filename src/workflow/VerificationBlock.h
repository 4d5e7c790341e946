#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class FileManager;

// One entry of a VERIFICATION_BLOCK: a radio status to request and the value its reply must begin with.
struct VerificationEntry {
    std::uint32_t statusCode = 0;
    std::uint32_t unused2 = 0;
    std::uint32_t encoding = 0;  // kHexEncoding: the value was written as hex digit pairs
    std::uint32_t unused4 = 0;
    std::uint32_t compareLength = 0;
    std::string value;

    static constexpr std::uint32_t kHexEncoding = 1;
    // True when the value begins with "*" or its first compareLength bytes begin `reply`. The reply is
    // the radio's whole status buffer, zeros after the text.
    bool Matches(const std::vector<char>& reply) const;
};

// The VERIFICATION_BLOCK of a radio group.
class VerificationBlock {
public:
    static constexpr const char* kBlock = "VERIFICATION_BLOCK";
    // The reply buffer of a verification request; values and compare lengths must fit it.
    static constexpr std::size_t kReplyBytes = 256;
    static constexpr std::size_t kMaxValueBytes = kReplyBytes - 1;

    VerificationBlock(FileManager& config, std::uint32_t group) : config_(config), group_(group) {}

    // The entries in file order. A value longer than kMaxValueBytes or a compare length beyond the reply
    // buffer is a kit error.
    std::vector<VerificationEntry> ReadEntries();
    // The status code of the first entry: for the KESTAR lines, the code whose reply carries the release.
    std::uint32_t ReleaseStatusCode();

private:
    static constexpr std::uint32_t kCountLine = 1;
    static constexpr std::uint32_t kFirstEntryLine = 2;

    FileManager& config_;
    std::uint32_t group_;
};
