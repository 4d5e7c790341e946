#include "engine/BackupLedger.h"

#include <algorithm>
#include <string>
#include <system_error>
#include <vector>

#include "engine/SavedDataFile.h"
#include "errors/CError.h"
#include "errors/CErrorLog.h"

namespace {

// The backup files of the folder, oldest first: their names begin with the date and time.
std::vector<std::filesystem::path> BackupFiles(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        if (entry->path().extension() == SavedDataFile::kExtension && entry->is_regular_file(error) &&
            !entry->is_symlink(error))
            files.push_back(entry->path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

std::optional<RadioSavedData> BackupLedger::FindPending(const RadioIdentity& radio) const {
    if (radio.serialText.empty())
        return std::nullopt;
    for (const std::filesystem::path& file : BackupFiles(folder_)) {
        try {
            RadioSavedData data = SavedDataFile::Read(file);
            if (data.AtRisk() && data.Radio().bytes && data.Radio().Matches(radio))
                return data;
        } catch (const CError& error) {
            ErrorLog().Log("BackupLedger::FindPending: %s", error.GetText());
        }
    }
    return std::nullopt;
}
