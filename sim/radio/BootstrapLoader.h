#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "SimUart.h"
#include "radio/RadioProfile.h"

// The controller's bootstrap loader, as bytes in and answers out; SimRadio gives it the timing. It waits
// for its sync character and takes nothing else until then. The ZR5 loader answers the sync with 0xFF
// and then every 8-byte block with the block as received and its complement; the Q7 loader answers
// nothing. A ZR5 loader whose sync answer went wrong waits for the sync again, and one that is sent a
// character while it is still answering is overrun: what it took is corrupt, and it takes nothing more.
// The bootcode runs once the bytes received are one of the known bootcodes (for ZR5 padded to whole
// blocks, the padding unexamined); bytes that match no known bootcode never run.
class BootstrapLoader {
public:
    static constexpr std::uint8_t kSyncAnswer = 0xFF;
    static constexpr std::size_t kBlockBytes = 8;
    static constexpr std::uint8_t kCheckMask = 0xFF;  // the block's second half: each byte inverted

    // What a character would be to the loader.
    enum class Role { Sync, BlockEnd, Data, Unwanted };

    struct Step {
        std::vector<std::uint8_t> answer;
        std::optional<unsigned> runsAtBaud;  // the bootcode is complete and will speak at this rate
    };

    BootstrapLoader(Controller controller, std::uint8_t syncCharacter, std::vector<KnownBootcode> known);

    Role RoleOf(const SimCharacter& character) const;
    // Takes a character of any role but Unwanted.
    Step Take(std::uint8_t byte);
    std::span<const std::uint8_t> BlockUnderWay() const { return block_; }
    // Drops the bytes of the block under way, as if they had not come.
    void DiscardBlock() { block_.clear(); }

    // The sync answer did not go out as it should: the loader waits for the sync character again.
    void LoseSync() { synced_ = false; }
    void Overrun() { overrun_ = true; }

    bool Synced() const { return synced_; }
    bool IsOverrun() const { return overrun_; }
    bool Complete() const { return complete_; }
    // The bootcode bytes received so far.
    std::span<const std::uint8_t> Received() const { return received_; }

private:
    std::optional<unsigned> MatchKnown() const;

    Controller controller_;
    std::uint8_t syncCharacter_;
    std::vector<KnownBootcode> known_;
    bool synced_ = false;
    bool complete_ = false;
    bool overrun_ = false;
    std::vector<std::uint8_t> block_;
    std::vector<std::uint8_t> received_;
};
