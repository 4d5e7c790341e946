#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <vector>

#include "SimPeer.h"

// A radio at the far end of a SimLine that keeps only a memory: it answers KWIP Read requests (0x11)
// from a byte array, takes Write requests (0x17) into it, acknowledges a Reset (0x10), and answers the
// Radio Status requests (0x23) of the codes a test gave a text. It reads
// the frames with its own parsing, not the system's KWIP classes, so the tests that use it do not take
// the code under test on trust. Every request that arrives whole and sound is recorded.
//
// A request with a bad checksum, of an unknown kind, past the memory's end, or touching an address
// set with FailAt is answered with the negative acknowledge (0x60) and no reply.
class MemoryRadioPeer : public SimPeer {
public:
    static constexpr std::uint8_t kAck = 0x50;
    static constexpr std::uint8_t kNack = 0x60;
    static constexpr std::uint64_t kTurnaroundNs = 2'000'000;

    struct Request {
        std::uint8_t opcode = 0;
        std::uint32_t address = 0;
        std::uint32_t count = 0;  // bytes read or written
        // A status request is recorded with its code as the address.

        bool operator==(const Request&) const = default;
    };

    explicit MemoryRadioPeer(std::vector<std::uint8_t> memory) : memory_(std::move(memory)) {}

    void OnCharacter(SimLine& line, const SimCharacter& character) override;

    std::vector<std::uint8_t>& Memory() { return memory_; }
    const std::vector<Request>& Requests() const { return requests_; }
    void ClearRequests() { requests_.clear(); }
    // Refuses every request that touches `address` (the reset too, with FailReset).
    void FailAt(std::uint32_t address) { failing_.insert(address); }
    void FailReset() { failReset_ = true; }
    void SetStatus(std::uint8_t code, std::vector<std::uint8_t> text) { statuses_[code] = std::move(text); }

private:
    // The frame's length once its first bytes are in; 0 while they are not.
    std::size_t FrameLength() const;
    void Answer(SimLine& line, std::uint64_t atNs);
    std::vector<std::uint8_t> Reply(std::uint8_t opcode, const std::vector<std::uint8_t>& payload) const;
    bool Touches(std::uint32_t address, std::uint32_t count) const;

    std::vector<std::uint8_t> memory_;
    std::vector<std::uint8_t> frame_;
    std::vector<Request> requests_;
    std::set<std::uint32_t> failing_;
    std::map<std::uint8_t, std::vector<std::uint8_t>> statuses_;
    bool failReset_ = false;
};
