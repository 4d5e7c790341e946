#include "engine/CPatcher.h"

#include "codeplug/MakeCodeplug.h"
#include "errors/CError.h"
#include "errors/CErrorLog.h"
#include "errors/MessageBoxService.h"
#include "kwip/CKwipBroker.h"
#include "notify/CancelSignal.h"
#include "notify/Notifications.h"
#include "platform/CSerial.h"

namespace {

// The patch records' bulk writes need no more pause than the codeplug chunks do.
constexpr unsigned kPatchPostDelayMs = 2;

bool Is(const PatchRecord& record, PatchOpcode opcode) {
    return record.opcode == static_cast<std::uint32_t>(opcode);
}

}  // namespace

CPatcher::CPatcher(std::int32_t codeplugType) : codeplug_(MakeCodeplug(codeplugType)) {}

CPatcher::~CPatcher() = default;

std::size_t CPatcher::CountRecords(std::span<const PatchRecord> records) {
    std::size_t count = 0;
    while (count < records.size() && !Is(records[count], PatchOpcode::kEnd))
        ++count;
    return count;
}

bool CPatcher::UpdateRadio(std::span<const PatchRecord> records, int port, std::uint8_t echo, unsigned baud) {
    const std::size_t count = CountRecords(records);
    if (!KnowsEveryOperation(records.first(count)) || !StartAccess(port, echo, baud) ||
        !codeplug_->InitRdkPtrs())
        return false;
    workingBlock_.assign(kWorkingBlockBytes, 0);
    Notifications::Current().BeginProgress(static_cast<int>(count), true);
    const bool result = RunRecords(records.first(count));
    workingBlock_.clear();
    Notifications::Current().EndProgress();
    restartFailed_ = !codeplug_->StopCpAccess(1);
    return result;
}

// A record this patcher cannot run would end the script half done, with the operator told it succeeded:
// such a script is refused before the radio is touched.
bool CPatcher::KnowsEveryOperation(std::span<const PatchRecord> records) {
    for (std::size_t index = 0; index < records.size(); ++index) {
        if (PatchOpcodeName(records[index].opcode).empty()) {
            ErrorLog().Log("CPatcher::UpdateRadio: Patch record %u has the unknown operation %X",
                           static_cast<unsigned>(index + 1), records[index].opcode);
            return false;
        }
    }
    return true;
}

bool CPatcher::StartAccess(int port, std::uint8_t echo, unsigned baud) {
    try {
        codeplug_->SetCommParams(static_cast<unsigned>(port), echo);
        codeplug_->StartCpAccess(0);
        CKwipComm& comm = codeplug_->Broker().Comm();
        if (comm.Serial() != nullptr)
            comm.Serial()->SetBaud(baud);
        comm.PostDelayMs = kPatchPostDelayMs;
        return true;
    } catch (const CError& error) {
        ErrorLog().Log("%s", error.GetText());
        return false;
    }
}

bool CPatcher::RunRecords(std::span<const PatchRecord> records) {
    bool result = true;
    try {
        for (std::size_t index = 0; index < records.size() && result;) {
            const Outcome outcome = Execute(records, index);
            if (outcome == Outcome::kFailed)
                result = false;
            Notifications::Current().StepProgress();
            ++index;
            if (CancelSignal::Global().Poll()) {
                ErrorLog().Log("CPatcher::UpdateRadio: Operation Interrupted");
                interrupted_ = result;  // a record that failed stays a failure
                result = false;
            }
        }
    } catch (const CError& error) {
        ErrorLog().Log("%s", error.GetText());
        MessageBoxService::ShowMessage(error.GetText(), "", MessageIcon::None, MessageButtons::Ok);
        result = false;
    }
    return result;
}

CPatcher::Outcome CPatcher::Execute(std::span<const PatchRecord> records, std::size_t& index) {
    const PatchRecord& record = records[index];
    switch (static_cast<PatchOpcode>(record.opcode)) {
        case PatchOpcode::kCheckRadioType:
            return CheckRadioType(record);
        case PatchOpcode::kSelectBlock:
            SelectBlock(records, index);
            return Outcome::kContinue;
        case PatchOpcode::kSetFieldBits:
            SetFieldBits(record);
            return Outcome::kContinue;
        case PatchOpcode::kWriteBlock:
            WriteBlock(record);
            return Outcome::kContinue;
        case PatchOpcode::kEnd:  // the records end before it
            break;
    }
    return Outcome::kContinue;
}

CPatcher::Outcome CPatcher::CheckRadioType(const PatchRecord& record) {
    if (record.operand2 >= kStatusReplyBytes) {
        ErrorLog().Log("CPatcher::UpdateRadio: Status reply index %d lies outside the reply", record.operand2);
        return Outcome::kFailed;
    }
    if (record.operand1 != lastStatusCode_) {
        statusReply_.fill(0);
        codeplug_->Broker().RadioStatusRequest(record.operand1, statusReply_);
        statusRead_ = true;
    } else if (!statusRead_) {
        ErrorLog().Log("CPatcher::UpdateRadio: No status reply to examine again");
        return Outcome::kFailed;
    }
    const auto expected = static_cast<std::uint8_t>(record.operand3 & 0xFF);
    if (static_cast<std::uint8_t>(statusReply_[record.operand2]) == expected)
        return Outcome::kContinue;
    ErrorLog().Log("Verification of radio type failed");
    return Outcome::kFailed;
}

// An absent block skips its 0x30 and 0x50 records: the next record run is the next 0x20 or the end.
void CPatcher::SelectBlock(std::span<const PatchRecord> records, std::size_t& index) {
    if (codeplug_->ReadCpBlock(workingBlock_, BlockId(records[index])))
        return;
    while (index + 1 < records.size() && !Is(records[index + 1], PatchOpcode::kSelectBlock))
        ++index;
}

void CPatcher::SetFieldBits(const PatchRecord& record) {
    const auto offset = static_cast<std::uint32_t>(record.operand3 & 0xFF);
    std::array<std::uint8_t, 1> field{};
    codeplug_->ReadCpField(field, workingBlock_, record.operand1, record.operand2, offset);
    field[0] = static_cast<std::uint8_t>((field[0] & ~record.operand4) | record.operand5);
    codeplug_->WriteCpField(field, workingBlock_, record.operand1, record.operand2, offset);
}

void CPatcher::WriteBlock(const PatchRecord& record) { codeplug_->WriteCpBlock(workingBlock_, BlockId(record)); }
