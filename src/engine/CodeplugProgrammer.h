#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "engine/CodeplugJob.h"
#include "engine/RadioIdentity.h"
#include "engine/RadioSavedData.h"
#include "errors/CError.h"
#include "errors/CErrorLog.h"

class CCodeplug;

// Writes the kit's codeplug into the radio while keeping the radio's own data: save it from the radio,
// write the programmable region in chunks, put it back. One subclass per layout says what is saved
// and how it goes back.
//
// The saved data belong to the caller and outlive the run: when an earlier attempt failed between its
// chunk write and the end of its restore, they still hold the radio's own values, and this run puts
// those back instead of saving the radio's (by then generic) ones. Every failure raises.
class CodeplugProgrammer {
public:
    static constexpr std::size_t kImageBytes = 32768;
    static constexpr std::size_t kBlockBufferBytes = 1024;

    static constexpr const char* kNoRegionText = "Error in calculating the programmable codeplug region";
    static constexpr const char* kBadImageText = "Read codeplug S-Record file failed";
    static constexpr const char* kIncorrectCodeplugText = "incorrect codeplug loaded into radio";
    static constexpr const char* kTuningReadLine = "CRadioUpgrade::DoProgCp: Error while reading radio tuning data";
    static constexpr const char* kTuningRestoreLine =
        "CRadioUpgrade::DoProgCp: Error while restoring radio tuning data";
    // The saved radio, then the one on the line.
    static constexpr const char* kOtherRadioText =
        "The radio on the line is not the radio whose data were saved: saved from %s; on the line %s";

    CodeplugProgrammer(const CodeplugJob& job, RadioSavedData& saved);
    virtual ~CodeplugProgrammer();
    CodeplugProgrammer(const CodeplugProgrammer&) = delete;
    CodeplugProgrammer& operator=(const CodeplugProgrammer&) = delete;

    // The whole run; the radio access ends (with the reset command when the job says so) however it ends.
    // Without data at risk it first looks in the job's backup folder for the radio's backup whose data
    // never went back (the saved data name the radio), and restores those.
    void Program();
    // Only the restore steps, for a radio whose new codeplug is in place already: puts `saved` back.
    // Refuses a radio other than the one the data were saved from, unless `anyRadio`; the backup file
    // of the saved data is marked restored only when they went back into their own radio.
    void Restore(bool anyRadio = false);

    // The backup file that holds the saved data (written by this run or an earlier one), or empty.
    const std::filesystem::path& BackupFile() const;
    // The job asked for the reset at the end and the radio did not take it: it still runs its bootcode.
    bool RestartFailed() const { return restartFailed_; }

protected:
    static bool KeepsTuning(int mode) { return mode == 1 || mode == 3; }
    static bool KeepsSerial(int mode) { return mode == 2 || mode == 3; }

    // Reads the radio's own data into `saved`, which has been begun for this layout and mode.
    virtual void Save(RadioSavedData& saved) = 0;
    virtual void PutBack(const RadioSavedData& saved) = 0;
    // What happens once the radio access has started, before anything is saved.
    virtual void Prepare() {}
    // Checks that refuse the run before Prepare changes anything in the radio, and after the save, before
    // the first codeplug write: that the saved data will go back whole into the kit's codeplug. `saved`
    // holds data carried over from a failed attempt (AtRisk) or, after the save, this run's.
    virtual void CheckBeforeChanging(const RadioSavedData& /*saved*/) {}
    virtual void CheckBeforeWriting(const RadioSavedData& /*saved*/) {}
    // The image the chunk write takes its bytes from.
    virtual std::size_t ImageBytes() const { return kImageBytes; }
    virtual bool ChecksWrittenCodeplug() const { return true; }
    virtual const char* ChunkFailureLine() const = 0;

    CCodeplug& Codeplug() { return *codeplug_; }
    // The kit's codeplug image the chunk write writes, as a codeplug of the job's layout; Program only.
    CCodeplug& KitCodeplug();
    // Logs why and raises: the restore would fail once the radio holds the kit's values.
    [[noreturn]] static void RefuseRestore(const std::string& why);
    const CodeplugJob& Job() const { return job_; }
    // The piece of `saved` from `block` at `offset`; raises when the saved data lack it.
    static const SavedPiece& Piece(const RadioSavedData& saved, std::uint16_t block, std::uint32_t offset);

    // Runs `step`; a failure is logged with `line` and raised on unchanged.
    template <typename Step>
    static void Guarded(const char* line, Step step);

private:
    std::vector<std::uint8_t> ReadImage() const;
    void CheckRegion(std::size_t imageBytes) const;
    void StartAccess();
    void TakeUpEarlierPress();
    void CheckCarriedData();
    // Reads the radio on the line into onLine_ and says whether the saved data are its own.
    bool IsSavedRadio();
    void KeepBackup();
    void Settle();
    void WriteChunks(std::span<const std::uint8_t> image);
    void CheckWrittenCodeplug();
    void EndAccess();

    CodeplugJob job_;
    RadioSavedData& saved_;
    std::unique_ptr<CCodeplug> codeplug_;
    RadioIdentity onLine_;
    std::vector<std::uint8_t> image_;
    std::unique_ptr<CCodeplug> kitCodeplug_;
    bool restartFailed_ = false;
};

// The programmer of the job's codeplug type: 2 Wren, 3 KDS, any other the standard layout.
std::unique_ptr<CodeplugProgrammer> MakeCodeplugProgrammer(const CodeplugJob& job, RadioSavedData& saved);

template <typename Step>
void CodeplugProgrammer::Guarded(const char* line, Step step) {
    try {
        step();
    } catch (const CError&) {
        ErrorLog().Log("%s", line);
        throw;
    }
}
