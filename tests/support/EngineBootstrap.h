#pragma once

#include <cstdint>
#include <span>

#include "platform/CSerial.h"

// The engine's side of the bootcode download, step by step as the engine does it (detection by break
// or pulse, the sync exchange with its three attempts, the ZR5 blocks and the Q7 pieces), with its
// log lines and its errors. Tests of the simulated loaders run it where the engine's own bootstrap
// class is not yet at hand; it keeps no state but the port.
class EngineBootstrap {
public:
    explicit EngineBootstrap(CSerial& port) : port_(port) {}

    // The sync character for the port's rate, 0 for none.
    std::uint8_t SyncCharacter() const;
    void WaitForBootstrapSync(std::uint8_t sync);
    void ZR5_Send_Bootcode(std::span<const std::uint8_t> image);
    void Q7_Send_Bootcode(std::span<const std::uint8_t> image);

private:
    bool DetectRadio();
    // One try of the detection: a break that has ended after 15 ms, or else the pulse at 300 baud.
    bool DetectOnce();
    void RetryOrRaise(int& attemptsLeft, const char* finalLine, const char* finalText);

    CSerial& port_;
};
