#pragma once

#include <filesystem>
#include <optional>

#include "engine/RadioIdentity.h"
#include "engine/RadioSavedData.h"

// The radio ledger: the backup files in the kit's backup folder, looked up by the radio they belong to.
// A backup whose data are still at risk ("restored no") is the only copy of its radio's own data once a
// press failed between the codeplug write and the restore; the radio's next press takes it up.
class BackupLedger {
public:
    explicit BackupLedger(std::filesystem::path folder) : folder_(std::move(folder)) {}

    // The oldest backup of `radio` whose data never went back into it, read whole; none when there is
    // none, and none for a radio without serial text, which cannot be told from others of its type.
    // Files that cannot be read as radio data are logged and passed over.
    std::optional<RadioSavedData> FindPending(const RadioIdentity& radio) const;

private:
    std::filesystem::path folder_;
};
