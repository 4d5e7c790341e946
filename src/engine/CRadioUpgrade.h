#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/CodeplugJob.h"
#include "engine/CodeplugRegion.h"
#include "engine/FlashLayout.h"
#include "engine/UpgradeStatus.h"

class CKwipBroker;
class CSerial;
class SRecord;
struct FlashSettings;
struct KitVersion;
struct PatchRecord;
struct UpgradeOptions;
class RadioSavedData;

// The programming engine. The program sequence builds one for every attempt, hands it the verified
// radio's settings in the order of the setters below and calls UpgradeRadio, which runs the selected
// steps (bootcode download, erase and size probe, firmware, codeplug, patch) and returns how it ended.
// Nothing pointed to is owned; every pointer must outlive the run.
class CRadioUpgrade {
public:
    CRadioUpgrade();
    virtual ~CRadioUpgrade();
    CRadioUpgrade(const CRadioUpgrade&) = delete;
    CRadioUpgrade& operator=(const CRadioUpgrade&) = delete;

    // The platform's serial port, opened at the bootstrap rate; only when firmware is to be flashed.
    void SetBootstrapPort(CSerial* port);
    void SetPort(int portNumber, std::uint8_t echo);
    void SetOptions(const UpgradeOptions* options);
    // codeplugText and patchRecords may be null when their step is not selected. Patch records run up
    // to the first record of opcode 0x99.
    void SetInputs(FlashSettings* settings, const std::string* codeplugText,
                   const std::vector<PatchRecord>* patchRecords, std::int32_t codeplugType,
                   const KitVersion* version);
    void SetVariantCode(const std::string& variantCode);
    // The kit's product line id; FAR_VARNO radios of model code "01" get their raw copies.
    void SetProductLine(std::int32_t productLine);
    // Where the radio's own data saved by codeplug programming lives across the attempts of one
    // Program press, and the folder its backup files go to. Without saved data the engine keeps its own
    // for the run; without a folder no backup file is written.
    void SetSavedData(RadioSavedData* savedData);
    void SetBackupFolder(const std::filesystem::path& folder);

    // Never raises: every failure ends as a status.
    UpgradeStatus UpgradeRadio();

    // The progress display's message and the reason its Cancel is off while the bootcode goes out.
    static constexpr const char* kBootcodeMessage =
        "Downloading bootcode...\nWARNING!! Ensure process is not interrupted";
    static constexpr const char* kBootcodeBlocksCancel =
        "Cancel is not available while the bootcode is downloaded: the radio's loader cannot be stopped "
        "part-way.";

    // The programmable codeplug region PrepareUpgrade computed; for tests and the upgrade record.
    const CodeplugRegion& Region() const { return region_; }
    // The backup file that holds the radio's data saved by the codeplug step of this run, or empty.
    const std::filesystem::path& BackupFile() const { return backupFile_; }
    // The text of the error that ended the run's steps, or empty.
    const std::string& FailureText() const { return failureText_; }
    // The run's steps succeeded but the radio did not take the reset at its end: it has not restarted
    // (after a flash it still runs the bootcode) until it is switched off and on.
    bool RestartFailed() const { return restartFailed_; }

private:
    static constexpr const char* kProgrammingMessage =
        "Programming flash ROM...\nWARNING!! Ensure process is not interrupted";

    void RunUpgrade();
    bool StartFlashing();
    void DownloadBootcode();
    void SendBootcodeAndStartIt();
    void ShowBootcodeProgress(int blocks);
    void ReleaseBootstrapPort();
    bool DetectFlashAndLoadFirmware();
    std::optional<FlashLayout::Probe> DetectFlashSize(CKwipBroker& broker);
    bool FlashSizeFailed(CKwipBroker& broker);
    void ProcessFirmwareFile(const char* fileName);
    void PrepareUpgrade();
    void PrepareCodeplugRegion();
    void RunSelectedSteps();
    void RunSteps(bool flashing, bool codeplug);
    bool StopRequested();
    void FlashFirmware();
    void ProgramFlash(CKwipBroker& broker);
    void WriteFirmwareRecords(CKwipBroker& broker, SRecord& reader);
    void RestartRadio(CKwipBroker& broker);
    void DoProgCp();
    // False when the operator cancelled the patching.
    bool DoPatch();

    bool FlashSelected() const;
    unsigned FlashRate() const;

    std::string variantCode_;
    std::int32_t codeplugType_ = 0;
    bool progressShown_ = false;
    int patchRecordCount_ = 0;
    int codeplugChunkCount_ = 0;
    int firmwareRecordCount_ = 0;
    CodeplugRegion region_;
    const UpgradeOptions* options_ = nullptr;
    FlashSettings* settings_ = nullptr;
    const std::string* codeplugText_ = nullptr;
    const std::vector<PatchRecord>* patchRecords_ = nullptr;
    int portNumber_ = 0;
    std::uint8_t echo_ = 0;
    CSerial* bootstrapPort_ = nullptr;
    const KitVersion* version_ = nullptr;
    UpgradeStatus status_ = UpgradeStatus::BootcodeFailed;
    bool firmwareChosen_ = false;
    std::size_t flashBytes_ = 0;  // the size the probe found
    bool restartFailed_ = false;

    std::int32_t productLine_ = 0;
    RadioSavedData* savedData_ = nullptr;
    std::filesystem::path backupFolder_;
    std::filesystem::path backupFile_;
    std::string failureText_;

    // --- codeplug programming and patching (CRadioUpgradeCodeplug.cpp) ---
    // The flash rate while the bootcode of this run's firmware download still runs; none at 9600 Bd.
    std::optional<unsigned> BootcodeBaud() const;
    CodeplugJob MakeCodeplugJob() const;
};
