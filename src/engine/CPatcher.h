#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "files/PatchSection.h"

class CCodeplug;

// Changes single codeplug fields in the radio as a model's patch records direct: check a byte of a
// status reply (0x10), load a block into the working block (0x20), change bits of one field byte in it
// (0x30), write it back (0x50). The records run up to the first 0x99 record (or the end of the span);
// a script holding any other opcode fails without running. A patcher serves one run.
class CPatcher {
public:
    static constexpr std::size_t kWorkingBlockBytes = 2048;
    static constexpr std::size_t kStatusReplyBytes = 30;  // 29 reply bytes and the terminating zero
    static constexpr std::uint8_t kNoStatusCode = 0xFF;   // a 0x10 record with it re-examines the last reply

    // Creates the codeplug object of the type (2 Wren, 3 KDS, any other the standard layout).
    explicit CPatcher(std::int32_t codeplugType);
    virtual ~CPatcher();
    CPatcher(const CPatcher&) = delete;
    CPatcher& operator=(const CPatcher&) = delete;

    // For the KDS layout the user gives it its external codeplug before UpdateRadio.
    CCodeplug& Codeplug() { return *codeplug_; }

    // Runs the records against the radio on COM `port`, at `baud` once the access has started. Never
    // raises: true when the records ran to their end, false on any failure or the operator's Cancel
    // (each logged; an error of the radio or the codeplug is also shown in an OK box without icon).
    // The radio is reset at the end of a run that got as far as its records.
    bool UpdateRadio(std::span<const PatchRecord> records, int port, std::uint8_t echo, unsigned baud);
    // Whether UpdateRadio stopped for the operator's Cancel rather than for a failure.
    bool Interrupted() const { return interrupted_; }
    // The radio did not take the reset at the end of the run: it has not restarted.
    bool RestartFailed() const { return restartFailed_; }

private:
    enum class Outcome { kContinue, kFailed };

    static std::size_t CountRecords(std::span<const PatchRecord> records);
    static bool KnowsEveryOperation(std::span<const PatchRecord> records);
    bool StartAccess(int port, std::uint8_t echo, unsigned baud);
    // The records from the first; true unless a record failed or the operator cancelled.
    bool RunRecords(std::span<const PatchRecord> records);
    Outcome Execute(std::span<const PatchRecord> records, std::size_t& index);
    Outcome CheckRadioType(const PatchRecord& record);
    void SelectBlock(std::span<const PatchRecord> records, std::size_t& index);
    void SetFieldBits(const PatchRecord& record);
    void WriteBlock(const PatchRecord& record);

    static std::uint16_t BlockId(const PatchRecord& record) {
        return static_cast<std::uint16_t>(record.operand1 << 8 | record.operand2);
    }

    const std::uint8_t lastStatusCode_ = kNoStatusCode;
    std::unique_ptr<CCodeplug> codeplug_;
    std::vector<std::uint8_t> workingBlock_;
    std::array<char, kStatusReplyBytes> statusReply_{};
    bool statusRead_ = false;
    bool interrupted_ = false;
    bool restartFailed_ = false;
};
