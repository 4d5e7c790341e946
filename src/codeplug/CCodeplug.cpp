#include "codeplug/CCodeplug.h"

#include <algorithm>
#include <array>
#include <new>

#include "codeplug/AdkPointers.h"
#include "codeplug/ChecksumLocator.h"
#include "errors/CErrorLog.h"
#include "errors/CGenError.h"
#include "files/SRecord.h"

namespace {

constexpr const char* kNoExternalFormatText = "Unable to determine external codeplug format";
constexpr const char* kNoFormatText = "Unable to determine codeplug format";
constexpr const char* kNoMemoryText = "Memory allocation error";
constexpr const char* kFileReadText = "Error in reading codeplug file";

void LogReadBlockFailure(unsigned address) {
    ErrorLog().Log("CCodeplug::ReadCpBlock: Read radio codeplug failed at address %X", address);
}
void LogReadEntryFailure(unsigned address) {
    ErrorLog().Log("CCodeplug::ReadCpEntry: Read radio codeplug failed at address %X", address);
}
void LogReadAddressFailure(unsigned address) {
    ErrorLog().Log("CCodeplug::ReadCpField: Read radio codeplug failed at address %X", address);
}
void LogWriteBlockFailure(unsigned address) {
    ErrorLog().Log("CCodeplug::WriteCpBlock: Write radio codeplug failed at address %X", address);
}
void LogWriteFieldFailure(unsigned address) {
    ErrorLog().Log("CCodeplug::WriteCpField: Write radio codeplug failed at address %X", address);
}

std::uint16_t Word(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(bytes[offset] << 8 | bytes[offset + 1]);
}

// Makes a block-buffer form read the layout out of the caller's buffer until the scope ends.
class LayoutFromBuffer {
public:
    LayoutFromBuffer(std::optional<std::span<const std::uint8_t>>& slot, std::span<const std::uint8_t> buffer)
        : slot_(slot) {
        slot_ = buffer;
    }
    ~LayoutFromBuffer() { slot_.reset(); }
    LayoutFromBuffer(const LayoutFromBuffer&) = delete;
    LayoutFromBuffer& operator=(const LayoutFromBuffer&) = delete;

private:
    std::optional<std::span<const std::uint8_t>>& slot_;
};

}  // namespace

CCodeplug::~CCodeplug() {
    if (accessStarted_)
        StopCpAccess(0);
}

// --- radio access ------------------------------------------------------------------------------------

void CCodeplug::StartCpAccess(int flag) {
    if (accessStarted_ || flag != 0)
        return;
    CKwipBroker& broker = memory_.Broker();
    broker.Comm().ReplyTimeoutMs = kAccessReplyTimeoutMs;
    broker.Comm().PostDelayMs = kAccessPostDelayMs;
    memory_.SetSource(Source::kRadio);
    try {
        broker.Comm().Open(port_, echo_);
    } catch (const CError&) {
        // A failed open keeps the port borrowed; this object may live on, so give it back now.
        broker.Comm().Close();
        throw;
    }
    broker.PortOpen = true;
    accessStarted_ = true;
}

bool CCodeplug::StopCpAccess(int reset) {
    CKwipBroker& broker = memory_.Broker();
    bool resetTaken = true;
    if (accessStarted_ && reset == 1) {
        try {
            broker.ResetRequest();
        } catch (const CError& error) {
            ErrorLog().Log("%s", error.GetText());
            ErrorLog().Log("CCodeplug::StopCpAccess: Reset radio command failed");
            resetTaken = false;
        }
    }
    broker.Comm().Close();
    broker.PortOpen = false;
    accessStarted_ = false;
    return resetTaken;
}

// --- settings and pointers ---------------------------------------------------------------------------

void CCodeplug::SetCommParams(unsigned port, std::uint8_t echo) {
    port_ = port;
    echo_ = echo;
}

void CCodeplug::SetCpFormat(int type, std::uint32_t end) {
    pointersValid_ = false;
    format_ = type;
    if (type == kPlainFormat)
        pointers_.codeplugEnd = end;
}

std::optional<CodeplugPointers> CCodeplug::GetRdkPtrs() const {
    if (!pointersValid_)
        return std::nullopt;
    return pointers_;
}

void CCodeplug::EnsurePointers(const char* failText) {
    if (!pointersValid_ && !InitRdkPtrs())
        throw CGenError(3, "%s", failText);
}

std::uint32_t CCodeplug::ReadCpFile(SRecord& reader) {
    LoadImage(reader);
    if (format_ == kAdkFormat)
        pointersValid_ = InitRdkPtrs();
    return static_cast<std::uint32_t>(memory_.Image().ChunkCount());
}

void CCodeplug::LoadImage(SRecord& reader) {
    memory_.SetSource(Source::kImage);
    pointersValid_ = false;
    if (!reader.CheckFirstRecord())
        ErrorLog().Log("CCodeplug::ReadCpFile: Invalid SRecord file format");
    try {
        memory_.Image().Allocate(
            CodeplugImage::CapacityFor(reader.CountRecords(), reader.FirstRecordDataLength()));
    } catch (const std::bad_alloc&) {
        ErrorLog().Log("CCodeplug::ReadCpFile: Could not allocate buffer for storing codeplug");
        throw CGenError(3, "%s", kNoMemoryText);
    }
    if (!memory_.Image().ReadAll(reader)) {
        ErrorLog().Log("CCodeplug::ReadCpFile: Read file to buffer failed");
        throw CGenError(3, "%s", kFileReadText);
    }
}

bool CCodeplug::ReadCpImage(std::span<const std::uint8_t> bytes) {
    memory_.SetSource(Source::kImage);
    pointersValid_ = false;
    try {
        memory_.Image().Assign(bytes,
                               CodeplugImage::CapacityFor(1, static_cast<std::uint32_t>(bytes.size())));
    } catch (const std::bad_alloc&) {
        ErrorLog().Log("CCodeplug::ReadCpImage: Could not allocate buffer for storing codeplug");
        throw CGenError(3, "%s", kNoMemoryText);
    }
    if (format_ != kPlainFormat)
        pointersValid_ = InitRdkPtrs();
    return pointersValid_;
}

bool CCodeplug::InitRdkPtrs() {
    try {
        pointers_ = ReadAdkPointers(memory_);
        pointersValid_ = true;
    } catch (const CError& error) {
        ErrorLog().Log("%s", error.GetText());
        ErrorLog().Log("CCodeplug::InitRdkPtrs: Initialization of ADK codeplug format failed");
        pointersValid_ = false;
    }
    return pointersValid_;
}

std::uint32_t CCodeplug::FindBlock(std::uint16_t id, const char* failText) {
    vectorReadFailed_ = false;
    const std::uint32_t address = GetBlockVector(id);
    if (address == 0 && vectorReadFailed_)
        throw CGenError(3, "%s",
                        memory_.GetSource() == Source::kImage ? CodeplugImage::kOutOfImage : failText);
    return address;
}

std::uint32_t CCodeplug::GetBlockVector(std::uint16_t id) {
    std::uint64_t entry = 0;
    if ((id & kSpecialBlockBit) != 0) {
        if (id > kLastSpecialBlock)
            return 0;
        entry = kSpecialBlockAddresses + 2 * static_cast<std::uint64_t>(id - kFirstSpecialBlock);
    } else {
        if (id >= pointers_.blockCount)
            return 0;
        entry = pointers_.vectorTable + 2 * std::uint64_t{id};
    }
    std::array<std::uint8_t, 2> bytes{};
    if (!memory_.TryFetch(entry, bytes)) {
        if (memory_.GetSource() == Source::kImage)
            ErrorLog().Log("CCodeplug::GetBlockVector: Read vector (block %d) from codeplug image failed",
                           id);
        else
            ErrorLog().Log("CCodeplug::GetBlockVector: Read vector (block %d) from radio failed", id);
        vectorReadFailed_ = true;
        return 0;
    }
    return Word(bytes, 0);
}

// --- block headers and layout ------------------------------------------------------------------------

bool CCodeplug::ParseBlockHeader(std::span<const std::uint8_t> buffer) {
    if (block_.address >= buffer.size())
        return false;
    return block_.ParseHeader(buffer.subspan(block_.address));
}

bool CCodeplug::GetBlockInfo(std::uint32_t address) {
    block_.address = address;
    if (address == kNonStandardBlock) {
        ErrorLog().Log("CCodeplug::GetBlockInfo: Accessing non-standard block");
        return false;
    }
    // The standard header format on every layout, the variants included.
    const bool parsed = memory_.GetSource() == Source::kImage
                            ? CCodeplug::ParseBlockHeader(memory_.Image().Data())
                            : ReadHeaderFromRadio();
    if (!parsed) {
        if (memory_.GetSource() == Source::kImage)
            ErrorLog().Log("%s", CodeplugImage::kOutOfImage);
        ErrorLog().Log("CCodeplug::GetBlockInfo: Unable to read external device to get block information");
        return false;
    }
    return CalcBlkSize();
}

bool CCodeplug::ReadHeaderFromRadio() {
    static constexpr std::size_t kHeaderRead = 4;
    std::array<std::uint8_t, CodeplugBlock::kMaxHeaderBytes> header{};
    if (!memory_.TryFetch(block_.address, std::span(header).first(kHeaderRead)))
        return false;
    if ((header[0] & CodeplugBlock::kListBlock) != 0) {
        const std::uint32_t entryHeader = CodeplugBlock::EntryHeaderOffset(header[0]);
        if (!memory_.TryFetch(block_.address + entryHeader,
                              std::span(header).subspan(entryHeader, kHeaderRead)))
            return false;
    }
    return block_.ParseHeader(header);
}

std::optional<std::uint8_t> CCodeplug::ReadLayoutByte(std::uint64_t address) {
    if (layoutBuffer_) {
        if (address < layoutBuffer_->size())
            return (*layoutBuffer_)[address];
        ErrorLog().Log("%s", kOutsideBufferText);
        return std::nullopt;
    }
    std::array<std::uint8_t, 1> byte{};
    if (!memory_.TryFetch(address, byte))
        return std::nullopt;
    return byte[0];
}

BlockWalker CCodeplug::Walker() {
    return BlockWalker(block_,
                       [this](std::uint64_t offset) { return ReadLayoutByte(block_.address + offset); });
}

bool CCodeplug::CalcBlkSize() {
    BlockWalker walker = Walker();
    const std::optional<std::uint64_t> size = walker.BlockSize();
    if (!size) {
        ErrorLog().Log("CCodeplug::CalcBlkSize: Read entry quantity for list %d failed",
                       static_cast<int>(walker.FailedList()));
        return false;
    }
    block_.blockSize = *size;
    return true;
}

std::optional<std::uint64_t> CCodeplug::CalcListOfs(std::uint32_t list) {
    BlockWalker walker = Walker();
    const std::optional<std::uint64_t> offset = walker.ListOffset(list);
    if (!offset) {
        ErrorLog().Log("CCodeplug::CalcListOfs: Read entry quantity for list %d failed",
                       static_cast<int>(walker.FailedList()));
    }
    return offset;
}

std::uint64_t CCodeplug::FieldAddress(std::uint32_t list, std::uint32_t entry, std::uint32_t offset,
                                      std::uint64_t length, FieldAccess access) {
    const std::uint32_t lists = block_.listBlock ? block_.listQuantity : 1;
    if (list >= lists) {
        LogOutOfRange(access, list, entry, offset);
        throw CGenError(3, "%s", kOutOfRangeText);
    }
    const std::optional<std::uint64_t> listOffset = block_.listBlock ? CalcListOfs(list) : 0;
    if (!listOffset)
        throw CGenError(3, "%s", kHeaderFailedText);
    // The entry is checked against its own list's quantity: a variable-size list may hold fewer entries
    // than list 0, and an entry past its end would land on the next list's quantity byte.
    const bool fieldFits = access == FieldAccess::kEntry || offset + length <= block_.entrySize;
    const std::uint64_t entryStart = block_.EntryOffset(entry);
    const bool insideList = entryStart + offset + length <= block_.EntryBytes(block_.entryQuantity);
    if (entry >= block_.entryQuantity || !fieldFits || !insideList) {
        LogOutOfRange(access, list, entry, offset);
        throw CGenError(3, "%s", kOutOfRangeText);
    }
    return block_.address + block_.DataOffset() + *listOffset + entryStart + offset;
}

void CCodeplug::LogOutOfRange(FieldAccess access, std::uint32_t list, std::uint32_t entry,
                              std::uint32_t offset) const {
    const int lists = static_cast<int>(block_.listQuantity);
    const int entries = static_cast<int>(block_.entryQuantity);
    const int size = static_cast<int>(block_.entrySize);
    const int l = static_cast<int>(list);
    const int e = static_cast<int>(entry);
    const int o = static_cast<int>(offset);
    switch (access) {
        case FieldAccess::kEntry:
            ErrorLog().Log(
                "CCodeplug::ReadCpEntry: Requested list = %d and entry = %d, Actual list qty = %d and entry qty = %d",
                l, e, lists, entries);
            break;
        case FieldAccess::kReadField:
            ErrorLog().Log("CCodeplug::ReadCpField: Requested list = %d, entry = %d and field offset = %d", l,
                           e, o);
            ErrorLog().Log("CCodeplug::ReadCpField: Actual list qty = %d, entry qty = %d and entry size = %d",
                           lists, entries, size);
            break;
        case FieldAccess::kWriteField:
            ErrorLog().Log("CCodeplug::WriteCpField: Requested list = %d, entry = %d and field offset = %d",
                           l, e, o);
            ErrorLog().Log(
                "CCodeplug::WriteCpField: Actual list qty = %d, entry qty = %d and entry size = %d", lists,
                entries, size);
            break;
    }
}

// --- checksums ---------------------------------------------------------------------------------------

std::optional<std::uint64_t> CCodeplug::FindChecksumLocation(std::uint64_t address, std::uint64_t length,
                                                             bool regionRule) {
    block_.checksumLocation = ChecksumLocator(block_, Walker(), pointers_).Find(address, length, regionRule);
    return block_.checksumLocation;
}

// --- blocks ------------------------------------------------------------------------------------------

std::span<std::uint8_t> CCodeplug::FitBlock(std::span<std::uint8_t> buffer, std::uint64_t size,
                                            std::uint16_t id) const {
    if (size > buffer.size()) {
        ErrorLog().Log("CCodeplug: Block %d has %u bytes, more than the buffer's %u", id,
                       static_cast<unsigned>(size), static_cast<unsigned>(buffer.size()));
        throw CGenError(3, kBufferTooSmallText, id);
    }
    return buffer.first(static_cast<std::size_t>(size));
}

std::uint32_t CCodeplug::OpenBlock(std::uint16_t id, const BlockAccess& access) {
    EnsurePointers(access.noFormatText);
    const std::uint32_t address = FindBlock(id, access.failText);
    if (address == 0) {
        if (access.logMissing == nullptr)
            return 0;
        access.logMissing();
        throw CGenError(3, kNoBlockText, id);
    }
    if (!GetBlockInfo(address))
        throw CGenError(3, "%s", kHeaderFailedText);
    return address;
}

std::size_t CCodeplug::ReadBlockAt(std::span<std::uint8_t> buffer, std::uint16_t id, std::uint32_t address,
                                   std::size_t size) {
    const std::span<std::uint8_t> block = FitBlock(buffer, size, id);
    block_.blockSize = size;
    ReadCpRaw(block, address);
    return size;
}

void CCodeplug::RefuseMissingBlock(std::uint16_t id) {
    ErrorLog().Log("CCodeplug::WriteCpBlock: Unable to find codeplug block");
    throw CGenError(3, kNoBlockText, id);
}

std::optional<std::size_t> CCodeplug::ReadCpBlock(std::span<std::uint8_t> buffer, std::uint16_t id) {
    const std::uint32_t address = OpenBlock(id, {kNoExternalFormatText, kReadFailedText, nullptr});
    if (address == 0)
        return std::nullopt;
    const std::span<std::uint8_t> block = FitBlock(buffer, block_.blockSize, id);
    memory_.Read(address, block, LogReadBlockFailure, kReadFailedText);
    return block.size();
}

std::size_t CCodeplug::ReadCpEntry(std::span<std::uint8_t> buffer, std::uint16_t id, std::uint32_t list,
                                   std::uint32_t entry) {
    OpenBlock(id, {kNoExternalFormatText, kReadFailedText,
                   [] { ErrorLog().Log("CCodeplug::ReadCpBlock: Unable to find codeplug block"); }});
    const std::uint64_t at = FieldAddress(list, entry, 0, block_.entrySize, FieldAccess::kEntry);
    const std::span<std::uint8_t> bytes = FitBlock(buffer, block_.entrySize, id);
    memory_.Read(at, bytes, LogReadEntryFailure, kReadFailedText);
    return bytes.size();
}

std::size_t CCodeplug::WriteCpBlock(std::span<std::uint8_t> buffer, std::uint16_t id) {
    const std::uint32_t address = OpenBlock(id, {kNoFormatText, kWriteFailedText, nullptr});
    if (address == 0)
        RefuseMissingBlock(id);
    const std::span<std::uint8_t> block = FitBlock(buffer, block_.blockSize, id);
    memory_.Write(address, block, LogWriteBlockFailure, kWriteFailedText);
    return block.size();
}

// --- fields ------------------------------------------------------------------------------------------

std::size_t CCodeplug::ReadCpField(std::span<std::uint8_t> field, std::span<const std::uint8_t> block,
                                   std::uint32_t list, std::uint32_t entry, std::uint32_t offset) {
    const LayoutFromBuffer layout(layoutBuffer_, block);
    block_.address = 0;
    if (!ParseBlockHeader(block))
        throw CGenError(3, "%s", kHeaderFailedText);
    const std::uint64_t at = FieldAddress(list, entry, offset, field.size(), FieldAccess::kReadField);
    return CopyFieldOut(field, block, static_cast<std::uint32_t>(at));
}

void CCodeplug::WriteCpField(std::span<const std::uint8_t> field, std::span<std::uint8_t> block,
                             std::uint32_t list, std::uint32_t entry, std::uint32_t offset) {
    const LayoutFromBuffer layout(layoutBuffer_, block);
    block_.address = 0;
    if (!ParseBlockHeader(block) || !CalcBlkSize())
        throw CGenError(3, "%s", kHeaderFailedText);
    const std::uint64_t at = FieldAddress(list, entry, offset, field.size(), FieldAccess::kWriteField);
    if (at + field.size() > block.size())
        throw CGenError(3, "%s", kOutsideBufferText);
    // A region's checksum byte lies outside the block, out of this buffer's reach.
    const std::optional<std::uint64_t> checksumAt = FindChecksumLocation(at, field.size(), false);
    if (!checksumAt || *checksumAt >= block.size()) {
        ErrorLog().Log("CCodeplug::WriteCpField: Unable to determine data checksum location");
        throw CGenError(3, "%s", kNoChecksumText);
    }
    const std::span<std::uint8_t> target = block.subspan(static_cast<std::size_t>(at), field.size());
    ChecksumLocator::Adjust(target, field, block[static_cast<std::size_t>(*checksumAt)]);
    std::copy(field.begin(), field.end(), target.begin());
}

void CCodeplug::WriteCpField(std::span<const std::uint8_t> field, std::uint16_t id, std::uint32_t list,
                             std::uint32_t entry, std::uint32_t offset) {
    OpenBlock(id, {kNoFormatText, kWriteFailedText,
                   [] { ErrorLog().Log("CCodeplug::WriteCpField: Unable to find codeplug block"); }});
    const std::uint64_t at = FieldAddress(list, entry, offset, field.size(), FieldAccess::kWriteField);
    const std::optional<std::uint64_t> checksumAt = FindChecksumLocation(at, field.size(), true);
    if (!checksumAt) {
        ErrorLog().Log("CCodeplug::WriteCpField: Unable to determine data checksum location");
        throw CGenError(3, "%s", kNoChecksumText);
    }
    if (memory_.GetSource() == Source::kRadio) {
        WriteFieldToRadio(field, at, *checksumAt);
        return;
    }
    CodeplugImage& image = memory_.Image();
    if (!image.Holds(at, field.size()) || !image.Holds(*checksumAt, 1))
        throw CGenError(3, "%s", CodeplugImage::kOutOfImage);
    std::vector<std::uint8_t> old(field.size());
    image.Read(at, old);
    std::array<std::uint8_t, 1> checksum{};
    image.Read(*checksumAt, checksum);
    ChecksumLocator::Adjust(old, field, checksum[0]);
    image.Write(at, field);
    image.Write(*checksumAt, checksum);
}

void CCodeplug::WriteFieldToRadio(std::span<const std::uint8_t> field, std::uint64_t address,
                                  std::uint64_t checksumAt) {
    std::vector<std::uint8_t> old(field.size());
    std::array<std::uint8_t, 1> checksum{};
    memory_.Read(address, old, LogWriteFieldFailure, kWriteFailedText);
    memory_.Write(address, field, LogWriteFieldFailure, kWriteFailedText);
    memory_.Read(checksumAt, checksum, LogWriteFieldFailure, kWriteFailedText);
    ChecksumLocator::Adjust(old, field, checksum[0]);
    memory_.Write(checksumAt, checksum, LogWriteFieldFailure, kWriteFailedText);
}

std::size_t CCodeplug::CopyFieldOut(std::span<std::uint8_t> field, std::span<const std::uint8_t> block,
                                    std::uint32_t offset) {
    if (offset > block.size() || field.size() > block.size() - offset)
        throw CGenError(3, "%s", kOutsideBufferText);
    std::copy_n(block.begin() + offset, field.size(), field.begin());
    return field.size();
}

void CCodeplug::CopyFieldIn(std::span<const std::uint8_t> field, std::span<std::uint8_t> block,
                            std::uint32_t offset) {
    if (offset > block.size() || field.size() > block.size() - offset)
        throw CGenError(3, "%s", kOutsideBufferText);
    std::copy(field.begin(), field.end(), block.begin() + offset);
}

// --- raw access --------------------------------------------------------------------------------------

void CCodeplug::ReadCpRaw(std::span<std::uint8_t> bytes, std::uint32_t address) {
    memory_.Read(address, bytes, LogReadBlockFailure, kReadFailedText);
}

void CCodeplug::WriteCpRaw(std::span<const std::uint8_t> bytes, std::uint32_t address) {
    memory_.Write(address, bytes, LogWriteBlockFailure, kWriteFailedText);
}

void CCodeplug::ReadCpAddress(std::span<std::uint8_t> bytes, std::uint32_t address) {
    memory_.Read(address, bytes, LogReadAddressFailure, kReadFailedText);
}
