#include "workflow/VerificationBlock.h"

#include <algorithm>

#include "files/FileManager.h"
#include "workflow/KitSyntaxError.h"

namespace {

constexpr char kAnyValue = '*';

enum Field : std::uint32_t { kCode = 1, kField2, kEncoding, kField4, kCompareLength, kValue };

}  // namespace

bool VerificationEntry::Matches(const std::vector<char>& reply) const {
    if (!value.empty() && value.front() == kAnyValue)
        return true;
    if (compareLength > reply.size())
        return false;
    std::string expected = value;
    expected.resize(std::max<std::size_t>(expected.size(), compareLength), '\0');
    return std::equal(expected.begin(), expected.begin() + compareLength, reply.begin());
}

std::vector<VerificationEntry> VerificationBlock::ReadEntries() {
    config_.FindBlock(kBlock, group_);
    const std::uint32_t count = config_.ReadNumber(kCountLine, 1);
    std::vector<VerificationEntry> entries;
    for (std::uint32_t index = 0; index < count; ++index) {
        const std::uint32_t line = kFirstEntryLine + index;
        if (!config_.HasLine(line))
            RaiseKitSyntaxError(config_, kBlock, line, "verification entry missing");
        VerificationEntry entry;
        entry.statusCode = config_.ReadNumber(line, kCode);
        entry.unused2 = config_.ReadNumber(line, kField2);
        entry.encoding = config_.ReadNumber(line, kEncoding);
        entry.unused4 = config_.ReadNumber(line, kField4);
        entry.compareLength = config_.ReadNumber(line, kCompareLength);
        const bool hex = entry.encoding == VerificationEntry::kHexEncoding;
        entry.value = config_.ReadField(line, kValue, hex);
        const std::size_t valueBytes = hex ? (entry.value.size() + 1) / 2 : entry.value.size();
        if (valueBytes > kMaxValueBytes)
            RaiseKitSyntaxError(config_, kBlock, line, "expected value longer than 255 bytes");
        if (entry.compareLength > kReplyBytes)
            RaiseKitSyntaxError(config_, kBlock, line, "compare length beyond the 256-byte reply");
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::uint32_t VerificationBlock::ReleaseStatusCode() {
    config_.FindBlock(kBlock, group_);
    return config_.ReadNumber(kFirstEntryLine, kCode);
}
