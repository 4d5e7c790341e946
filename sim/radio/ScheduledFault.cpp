#include "radio/ScheduledFault.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <sstream>
#include <stdexcept>
#include <utility>

namespace {

struct KindWord {
    std::optional<RequestKind> kind;
    const char* word;
};

constexpr std::array<KindWord, 8> kRequestWords = {{
    {std::nullopt, "any"},
    {RequestKind::Reset, "reset"},
    {RequestKind::Read, "read"},
    {RequestKind::EraseFlash, "erase"},
    {RequestKind::Write, "write"},
    {RequestKind::RadioStatus, "status"},
    {RequestKind::Sync, "sync"},
    {RequestKind::Block, "block"},
}};

constexpr std::array<std::pair<ScheduledFault::Kind, const char*>, 8> kFaultWords = {{
    {ScheduledFault::Kind::NegativeAck, "nak"},
    {ScheduledFault::Kind::BadChecksum, "bad-checksum"},
    {ScheduledFault::Kind::Silence, "silence"},
    {ScheduledFault::Kind::LoseByte, "lose"},
    {ScheduledFault::Kind::GarbleByte, "garble"},
    {ScheduledFault::Kind::LineError, "line-error"},
    {ScheduledFault::Kind::Break, "break"},
    {ScheduledFault::Kind::Reset, "reset"},
}};

unsigned Number(const std::string& text, const char* what) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        throw std::invalid_argument(std::string(what) + " is not a number: " + text);
    }
    return value;
}

bool IsLoaderKind(std::optional<RequestKind> kind) {
    return kind == RequestKind::Sync || kind == RequestKind::Block;
}

}  // namespace

ScheduledFault ScheduledFault::Parse(std::string_view text) {
    std::istringstream words{std::string(text)};
    std::string when;
    std::string what;
    std::string byte;
    std::string extra;
    words >> when >> what >> byte >> extra;
    const std::size_t hash = when.find('#');
    if (what.empty() || !extra.empty() || hash == std::string::npos) {
        throw std::invalid_argument("a fault is <kind>#<n> <fault> [<byte>]: " + std::string(text));
    }
    ScheduledFault fault;
    const std::string kindWord = when.substr(0, hash);
    const auto kind = std::find_if(kRequestWords.begin(), kRequestWords.end(),
                                   [&](const KindWord& word) { return kindWord == word.word; });
    if (kind == kRequestWords.end())
        throw std::invalid_argument("no such request kind: " + kindWord);
    fault.on = kind->kind;
    fault.number = Number(when.substr(hash + 1), "the request number");
    if (fault.number == 0)
        throw std::invalid_argument("requests are counted from 1: " + when);
    const auto faultWord = std::find_if(kFaultWords.begin(), kFaultWords.end(),
                                        [&](const auto& word) { return what == word.second; });
    if (faultWord == kFaultWords.end())
        throw std::invalid_argument("no such fault: " + what);
    fault.kind = faultWord->first;
    if (fault.IsByteFault() != !byte.empty()) {
        throw std::invalid_argument(fault.IsByteFault() ? "the fault names no byte: " + std::string(text)
                                                        : "the fault takes no byte: " + std::string(text));
    }
    if (!byte.empty())
        fault.byte = Number(byte, "the byte");
    const bool kwipOnly = fault.kind == Kind::NegativeAck || fault.kind == Kind::BadChecksum;
    if (kwipOnly && IsLoaderKind(fault.on)) {
        throw std::invalid_argument("the loader has no negative acknowledge or checksum: " +
                                    std::string(text));
    }
    return fault;
}

std::string ScheduledFault::Text() const {
    const auto kindWord = std::find_if(kRequestWords.begin(), kRequestWords.end(),
                                       [&](const KindWord& word) { return on == word.kind; });
    const auto faultWord = std::find_if(kFaultWords.begin(), kFaultWords.end(),
                                        [&](const auto& word) { return kind == word.first; });
    std::string text = std::string(kindWord->word) + "#" + std::to_string(number) + " " + faultWord->second;
    if (IsByteFault())
        text += " " + std::to_string(byte);
    return text;
}

bool ScheduledFault::IsByteFault() const {
    return kind == Kind::LoseByte || kind == Kind::GarbleByte || kind == Kind::LineError ||
           kind == Kind::Break;
}
