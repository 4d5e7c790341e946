#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "RecordingMessageBox.h"
#include "RecordingNotifications.h"
#include "SimRadioTest.h"
#include "TempDir.h"
#include "engine/CRadioUpgrade.h"
#include "engine/FlashSettings.h"
#include "engine/KitVersion.h"
#include "engine/RadioSavedData.h"
#include "engine/UpgradeOptions.h"
#include "files/PatchSection.h"

// The engine against the simulated radio, as the program sequence runs it: the kit's folder is the
// current directory, the platform's port is opened at the bootstrap rate and handed over, the radio is
// put into bootstrap mode, and the engine's notifications and message boxes are recorded. The radio has
// a bootcode for each flash rate; the firmware files are written by the test.
class EngineRunTest : public SimRadioTest {
public:
    using Bytes = std::vector<std::uint8_t>;

    static constexpr std::uint8_t kEcho = 0;
    static constexpr const char* kKitKey = "engine-test-key-7";

    // A bootcode image the radio runs at `flashRate`.
    static Bytes BootcodeFor(unsigned flashRate);
    // A firmware image whose entry bytes are not erased flash.
    static Bytes FirmwareImage(std::size_t bytes);
    // S1 records from `address`, as the kit's relative-address firmware files hold them; S2 for
    // `type` 2 (absolute flash addresses).
    static std::string FirmwareText(const Bytes& image, std::uint32_t address, int type = 1,
                                    unsigned recordBytes = 32);

    using SimRadioTest::Profile;

    // Writes a kit file into the kit folder, enciphered with the kit key.
    void WriteKitFile(const std::string& name, const std::string& plain) const;

    // Runs one attempt of the engine and returns its status; the engine stays for a look until the next.
    UpgradeStatus Run();

    std::vector<std::string> StatusTexts() const { return notes_.CallsOf("Status"); }
    // The radio's requests of one kind, oldest first.
    std::vector<RadioRequest> RequestsOf(RequestKind kind);

    UpgradeOptions options_;
    FlashSettings settings_;
    KitVersion version_;
    std::string codeplugText_;
    std::vector<PatchRecord> patchRecords_;
    int codeplugType_ = 1;
    std::string variantCode_ = "Z5";
    std::int32_t productLine_ = 0;
    RadioSavedData* savedData_ = nullptr;
    std::filesystem::path backupFolder_;
    bool enterBootstrapMode_ = true;
    bool handOverPort_ = true;
    RecordingNotifications notes_;
    RecordingMessageBox boxes_;
    TempDir kit_;
    std::unique_ptr<CRadioUpgrade> engine_;

protected:
    EngineRunTest();
    ~EngineRunTest() override;

private:
    std::filesystem::path previousFolder_;
};
