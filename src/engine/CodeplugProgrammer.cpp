#include "engine/CodeplugProgrammer.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>

#include "codeplug/MakeCodeplug.h"
#include "engine/BackupLedger.h"
#include "engine/KdsCodeplugProgrammer.h"
#include "engine/SavedDataFile.h"
#include "engine/StandardCodeplugProgrammer.h"
#include "engine/WrenCodeplugProgrammer.h"
#include "errors/CGenError.h"
#include "errors/TextFormat.h"
#include "files/SRecord.h"
#include "kwip/CKwipBroker.h"
#include "notify/Notifications.h"
#include "platform/CSerial.h"

namespace {

// The bulk transfer's pause after each command; the codeplug access's own is 15 ms.
constexpr unsigned kChunkPostDelayMs = 2;

std::string Shown(const std::filesystem::path& file) {
    return file.empty() ? std::string("no backup file") : file.string();
}

}  // namespace

CodeplugProgrammer::CodeplugProgrammer(const CodeplugJob& job, RadioSavedData& saved)
    : job_(job), saved_(saved), codeplug_(MakeCodeplug(job.type)) {}

CodeplugProgrammer::~CodeplugProgrammer() = default;

void CodeplugProgrammer::Program() {
    if (job_.region.end == 0)
        throw CGenError(3, "%s", kNoRegionText);
    // Everything that can refuse the kit's image does so before the radio is touched, and everything
    // that can refuse the restore does so before the first codeplug write.
    image_ = ReadImage();
    CheckRegion(image_.size());
    StartAccess();
    TakeUpEarlierPress();
    if (saved_.AtRisk())
        CheckCarriedData();
    CheckBeforeChanging(saved_);
    Prepare();
    if (!saved_.AtRisk()) {
        saved_.Begin(job_.type, job_.mode, job_.variantCode);
        Save(saved_);
    }
    CheckBeforeWriting(saved_);
    saved_.MarkAtRisk();
    KeepBackup();
    WriteChunks(image_);
    CheckWrittenCodeplug();
    PutBack(saved_);
    Settle();
    EndAccess();
}

void CodeplugProgrammer::Restore(bool anyRadio) {
    StartAccess();
    const bool ownRadio = IsSavedRadio();
    if (!ownRadio && !anyRadio) {
        throw CGenError(3, "%s; nothing was written",
                        FormatText(kOtherRadioText, saved_.Radio().Describe().c_str(), onLine_.Describe().c_str())
                            .c_str());
    }
    Prepare();
    PutBack(saved_);
    if (ownRadio)
        Settle();
    else
        saved_.Restored();
    EndAccess();
}

CCodeplug& CodeplugProgrammer::KitCodeplug() {
    if (!kitCodeplug_) {
        kitCodeplug_ = MakeCodeplug(job_.type);
        kitCodeplug_->SetCpFormat(job_.type, 0);
        if (job_.type == CCodeplug::kKdsFormat && job_.codeplugText != nullptr)
            kitCodeplug_->SetExternalCodeplug(*job_.codeplugText, job_.variantCode);
        if (!kitCodeplug_->ReadCpImage(image_))
            RefuseRestore("its image has no valid pointers");
    }
    return *kitCodeplug_;
}

void CodeplugProgrammer::RefuseRestore(const std::string& why) {
    ErrorLog().Log("CRadioUpgrade::DoProgCp: %s", why.c_str());
    throw CGenError(3, "The kit's codeplug cannot take back the radio's own data: %s", why.c_str());
}

void CodeplugProgrammer::EndAccess() {
    restartFailed_ = !codeplug_->StopCpAccess(job_.resetAtEnd ? 1 : 0);
}

const std::filesystem::path& CodeplugProgrammer::BackupFile() const {
    return saved_.BackupFile();
}

std::vector<std::uint8_t> CodeplugProgrammer::ReadImage() const {
    std::vector<std::uint8_t> image(ImageBytes());
    SRecord reader;
    if (job_.codeplugText != nullptr)
        reader.AttachText(*job_.codeplugText);
    std::size_t length = 0;
    if (job_.codeplugText == nullptr || !reader.ReadAllData(image, length))
        throw CGenError(3, "%s", kBadImageText);
    return image;
}

void CodeplugProgrammer::CheckRegion(std::size_t imageBytes) const {
    if (job_.region.end > imageBytes || job_.region.start > job_.region.end) {
        ErrorLog().Log("CRadioUpgrade::DoProgCp: The codeplug region %X to %X lies outside the %u-byte image",
                       job_.region.start, job_.region.end, static_cast<unsigned>(imageBytes));
        throw CGenError(3, "The programmable codeplug region reaches beyond the codeplug image");
    }
}

void CodeplugProgrammer::StartAccess() {
    codeplug_->SetCpFormat(job_.type, 0);
    codeplug_->SetCommParams(job_.port, job_.echo);
    codeplug_->StartCpAccess(0);
    CKwipComm& comm = codeplug_->Broker().Comm();
    comm.PostDelayMs = kChunkPostDelayMs;
    if (job_.bootcodeBaud && comm.Serial() != nullptr)
        comm.Serial()->SetBaud(*job_.bootcodeBaud);
}

void CodeplugProgrammer::TakeUpEarlierPress() {
    if (saved_.AtRisk() || job_.backupFolder.empty())
        return;
    std::optional<RadioSavedData> pending = BackupLedger(job_.backupFolder).FindPending(saved_.Radio());
    if (!pending)
        return;
    ErrorLog().Log("CRadioUpgrade::DoProgCp: The radio's own data in %s never went back into it; they are "
                   "restored instead of its present values",
                   pending->BackupFile().string().c_str());
    saved_ = std::move(*pending);
    saved_.SetFromEarlierPress();
}

// Data carried from a failed attempt or an earlier press go back only into the radio they came from,
// and only under the layout and mode they were saved for.
void CodeplugProgrammer::CheckCarriedData() {
    if (!saved_.AtRiskFor(job_.type, job_.mode)) {
        throw CGenError(3, "The radio's own data saved in %s were saved for codeplug layout %d, mode %d",
                        Shown(saved_.BackupFile()).c_str(), saved_.Layout(), saved_.Mode());
    }
    if (!IsSavedRadio())
        throw CGenError(3, kOtherRadioText, saved_.Radio().Describe().c_str(), onLine_.Describe().c_str());
    ErrorLog().Log("CRadioUpgrade::DoProgCp: Restoring the radio data saved before the failed attempt");
}

bool CodeplugProgrammer::IsSavedRadio() {
    onLine_ = RadioIdentity::Read(codeplug_->Broker());
    return saved_.Radio().Matches(onLine_);
}

void CodeplugProgrammer::KeepBackup() {
    if (job_.backupFolder.empty() || !saved_.BackupFile().empty())
        return;
    saved_.SetBackupFile(SavedDataFile::Write(job_.backupFolder, saved_, std::chrono::system_clock::now()));
    ErrorLog().Log("CRadioUpgrade::DoProgCp: Radio data saved in %s", saved_.BackupFile().string().c_str());
}

// The radio holds its own data again; its backup says so, or a later press would restore it once more.
void CodeplugProgrammer::Settle() {
    const bool wasAtRisk = saved_.AtRisk();
    saved_.Restored();
    if (!wasAtRisk || saved_.BackupFile().empty())
        return;
    try {
        SavedDataFile::MarkRestored(saved_.BackupFile());
    } catch (const CError& error) {
        ErrorLog().Log("CRadioUpgrade::DoProgCp: %s", error.GetText());
    }
}

void CodeplugProgrammer::WriteChunks(std::span<const std::uint8_t> image) {
    CKwipBroker& broker = codeplug_->Broker();
    unsigned address = job_.region.start;
    while (address < job_.region.end) {
        if (job_.stepProgress)
            Notifications::Current().StepProgress();
        const unsigned count = std::min<unsigned>(CodeplugRegion::kChunkBytes, job_.region.end - address);
        try {
            broker.WriteRequest(address, image.subspan(address, count));
        } catch (const CError&) {
            ErrorLog().Log("%s", ChunkFailureLine());
            ErrorLog().Log("Write radio codeplug failed at address %X", address);
            throw;
        }
        address += count;
    }
}

void CodeplugProgrammer::CheckWrittenCodeplug() {
    if (!ChecksWrittenCodeplug() || codeplug_->InitRdkPtrs())
        return;
    codeplug_->StopCpAccess(0);
    throw CGenError(3, "%s", kIncorrectCodeplugText);
}

const SavedPiece& CodeplugProgrammer::Piece(const RadioSavedData& saved, std::uint16_t block,
                                            std::uint32_t offset) {
    const SavedPiece* piece = saved.Find(block, offset);
    if (piece == nullptr)
        throw CGenError(3, "The saved radio data lack block %X at offset %u", block, offset);
    return *piece;
}

std::unique_ptr<CodeplugProgrammer> MakeCodeplugProgrammer(const CodeplugJob& job, RadioSavedData& saved) {
    switch (job.type) {
        case CCodeplug::kAdkFormat:
            return std::make_unique<StandardCodeplugProgrammer>(job, saved);
        case CCodeplug::kKdsFormat:
            return std::make_unique<KdsCodeplugProgrammer>(job, saved);
        default:
            return std::make_unique<WrenCodeplugProgrammer>(job, saved);
    }
}
