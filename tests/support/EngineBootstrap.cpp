#include "EngineBootstrap.h"

#include <algorithm>
#include <array>
#include <vector>

#include "errors/CCommError.h"
#include "errors/CErrorLog.h"
#include "errors/CGenError.h"
#include "platform/CPlatform.h"

namespace {

constexpr unsigned kBreakFlag = 0x10;
constexpr std::size_t kBlockBytes = 8;
constexpr std::size_t kPieceBytes = 10;
constexpr std::uint8_t kSyncAnswer = 0xFF;

struct SyncRow {
    unsigned baud;
    std::uint8_t sync;
};
constexpr std::array<SyncRow, 6> kSyncCharacters = {
    {{553, 0xFF}, {3600, 0xFF}, {1800, 0xFD}, {2400, 0xFD}, {4800, 0xFD}, {4430, 0xF0}}};

void Sleep(unsigned ms) {
    CPlatform::Instance()->Sleep(ms);
}

}  // namespace

std::uint8_t EngineBootstrap::SyncCharacter() const {
    const unsigned baud = port_.GetBaud();
    const auto row = std::find_if(kSyncCharacters.begin(), kSyncCharacters.end(),
                                  [baud](const SyncRow& r) { return r.baud == baud; });
    return row == kSyncCharacters.end() ? 0 : row->sync;
}

bool EngineBootstrap::DetectOnce() {
    if (port_.WaitForCommError(kBreakFlag, 70)) {
        Sleep(15);
        return !port_.WaitForCommError(kBreakFlag, 5);
    }
    return port_.DetectPulse(2000);
}

bool EngineBootstrap::DetectRadio() {
    return DetectOnce() || DetectOnce();
}

void EngineBootstrap::RetryOrRaise(int& attemptsLeft, const char* finalLine, const char* finalText) {
    if (--attemptsLeft == 0) {
        ErrorLog().Log("%s", finalLine);
        throw CGenError(3, "%s", finalText);
    }
    ErrorLog().Log("Bootstrap::ZR5_Send_Bootcode: Retry sending sync character!! Retry %d", 3 - attemptsLeft);
}

void EngineBootstrap::WaitForBootstrapSync(std::uint8_t sync) {
    int attemptsLeft = 3;
    for (;;) {
        if (!DetectRadio()) {
            ErrorLog().Log("Bootstrap::ZR5_Send_Bootcode: Could not detect radio in bootstrap mode");
            throw CGenError(3, "Could not detect radio in bootstrap mode");
        }
        // Bounded where the engine may wait as long as the driver reports breaks.
        for (int polls = 0; polls < 1000 && port_.WaitForCommError(kBreakFlag, 5); ++polls) {
        }
        port_.PurgeInput();
        try {
            port_.Write(std::span(&sync, 1), 100);
        } catch (const CCommError& error) {
            ErrorLog().Log("%s", error.GetText());
            RetryOrRaise(attemptsLeft, "Bootstrap::ZR5_Send_Bootcode: Write bootstrap sync character failed",
                         "Write bootstrap sync character failed");
            continue;
        }
        std::uint8_t answer = 0;
        try {
            port_.Read(std::span(&answer, 1), 100);
        } catch (const CCommError& error) {
            ErrorLog().Log("%s", error.GetText());
            answer = 0;
        }
        if (answer == kSyncAnswer)
            return;
        RetryOrRaise(attemptsLeft, "Bootstrap::ZR5_Send_Bootcode: Read bootstrap sync character failed",
                     "Read bootstrap sync character failed");
    }
}

void EngineBootstrap::ZR5_Send_Bootcode(std::span<const std::uint8_t> image) {
    std::vector<std::uint8_t> padded(image.begin(), image.end());
    padded.resize((image.size() + kBlockBytes - 1) / kBlockBytes * kBlockBytes);
    const std::uint8_t sync = SyncCharacter();
    if (sync == 0) {
        ErrorLog().Log("Bootstrap::ZR5_Send_Bootcode: Bootstrap download baudrate is not set correctly");
        throw CGenError(3, "Bootstrap baudrate is not set correctly");
    }
    WaitForBootstrapSync(sync);
    const std::uint8_t echo = port_.GetEcho();
    port_.SetEcho(0);
    const auto blockMs = static_cast<unsigned>((port_.ByteTime() * 20000 + 1) * 8);
    for (std::size_t offset = 0; offset < padded.size(); offset += kBlockBytes) {
        const std::span<const std::uint8_t> block = std::span(padded).subspan(offset, kBlockBytes);
        std::array<std::uint8_t, 2 * kBlockBytes> answer{};
        try {
            port_.Write(block, blockMs);
            port_.Read(answer, 2 * blockMs);
        } catch (const CGenError&) {
            port_.SetEcho(echo);
            throw;
        } catch (const CCommError& error) {
            port_.SetEcho(echo);
            ErrorLog().Log("%s", error.GetText());
            ErrorLog().Log("CBootstrap::ZR5_Send_Bootcode: Sending bootcode at address %X failed",
                           static_cast<unsigned>(offset));
            throw CGenError(3, "Sending bootcode failed");
        }
        if (!std::equal(block.begin(), block.end(), answer.begin())) {
            port_.SetEcho(echo);
            throw CGenError(3, "Bootcode verification failed");
        }
    }
    port_.SetEcho(echo);
}

void EngineBootstrap::Q7_Send_Bootcode(std::span<const std::uint8_t> image) {
    const auto pieceMs = static_cast<unsigned>((port_.ByteTime() * 1000 + 2) * 10);
    const std::uint8_t sync = SyncCharacter();
    if (sync == 0) {
        ErrorLog().Log("Bootstrap::Q7_Send_Bootcode: Bootstrap download baudrate is not set correctly");
        throw CGenError(3, "Bootstrap baudrate is not set correctly");
    }
    port_.Write(std::span(&sync, 1), 10);
    for (std::size_t offset = 0; offset < image.size(); offset += kPieceBytes)
        port_.Write(image.subspan(offset, std::min(kPieceBytes, image.size() - offset)), pieceMs);
}
