#include "FirmwareTraceMeter.h"

#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr std::uint8_t kEraseOpcode = 0x15;
constexpr std::uint8_t kWriteOpcode = 0x17;
constexpr std::uint32_t kFlashWindow = 0x400000;
constexpr unsigned kBitsPerCharacter = 10;  // 8-N-1

struct Attempt {
    double seconds = 0;
    std::vector<std::uint8_t> request;
    std::size_t characters = 0;
};

// Hex digit pairs without separators; "-" stands for no bytes.
std::vector<std::uint8_t> Bytes(const std::string& hex) {
    std::vector<std::uint8_t> bytes;
    if (hex == "-")
        return bytes;
    for (std::size_t at = 0; at + 1 < hex.size(); at += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(at, 2), nullptr, 16)));
    return bytes;
}

// "  0.031  kwip  > F2230FE1  ack 06  < 8B...  attempt 1/4  ok"
std::optional<Attempt> ReadAttempt(double seconds, std::istringstream& rest) {
    std::string to, request, ackWord, ack, from, reply;
    if (!(rest >> to >> request >> ackWord >> ack >> from >> reply) || to != ">" || ackWord != "ack")
        return std::nullopt;
    Attempt attempt{seconds, Bytes(request), 0};
    attempt.characters = attempt.request.size() + (ack == "-" ? 0 : 1) + Bytes(reply).size();
    return attempt;
}

bool IsFirmwareWrite(const Attempt& attempt) {
    const std::vector<std::uint8_t>& frame = attempt.request;
    if (frame.size() < 7 || frame[1] != kWriteOpcode)
        return false;
    const std::uint32_t address = frame[4] << 16 | frame[5] << 8 | frame[6];
    return address >= kFlashWindow;
}

}  // namespace

std::optional<FirmwareTraceMeter::Figures> FirmwareTraceMeter::Measure(std::istream& trace) {
    Figures figures;
    unsigned baud = 0;
    bool afterErase = false;
    double firstSeconds = 0;
    for (std::string line; std::getline(trace, line);) {
        std::istringstream words(line);
        double seconds = 0;
        std::string kind;
        if (!(words >> seconds >> kind))
            continue;
        if (kind == "rate") {
            words >> baud;
            continue;
        }
        if (kind != "kwip")
            continue;
        const std::optional<Attempt> attempt = ReadAttempt(seconds, words);
        if (!attempt || attempt->request.size() < 2)
            continue;
        if (attempt->request[1] == kEraseOpcode) {
            // The size probe writes into the flash too; only the writes after the last erase program it.
            figures = Figures{};
            afterErase = true;
            continue;
        }
        if (!afterErase)
            continue;
        if (!IsFirmwareWrite(*attempt)) {
            afterErase = false;
            continue;
        }
        if (figures.writes++ == 0) {
            firstSeconds = attempt->seconds;
            figures.baud = baud;
            continue;
        }
        figures.characters += attempt->characters;
        figures.measuredSeconds = attempt->seconds - firstSeconds;
    }
    if (figures.writes == 0 || figures.baud == 0)
        return std::nullopt;
    figures.boundSeconds = static_cast<double>(figures.characters * kBitsPerCharacter) / figures.baud;
    return figures;
}
