#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "codeplug/BlockWalker.h"
#include "codeplug/CodeplugBlock.h"
#include "codeplug/CodeplugMemory.h"
#include "codeplug/CodeplugPointers.h"

class SRecord;

// Structured access to a codeplug in the standard (ADK) layout, in a file image or in the radio: blocks
// found by id through the block vector, lists of fixed-size entries, fields by (list, entry, offset).
// Every field write keeps the covering checksum byte valid by adjusting it incrementally.
//
// Block buffers are the caller's: a read fills the front of the span and returns the block's length;
// a block longer than the span is refused (CGenError 3) and nothing is copied. Block-buffer forms take
// the block at offset 0 of the span. Failures are CGenError 3 with the operator's text, after the
// detailed log lines; probes (GetBlockVector, InitRdkPtrs, GetBlockInfo, CalcBlkSize, CalcListOfs)
// log and return 0, none or false instead. The object stays usable after an error.
class CCodeplug {
public:
    // Format types, as the kit configuration numbers them.
    static constexpr int kPlainFormat = 0;
    static constexpr int kAdkFormat = 1;
    static constexpr int kWrenFormat = 2;
    static constexpr int kKdsFormat = 3;

    using Source = CodeplugMemory::Source;
    static constexpr std::size_t kChunkBytes = CodeplugMemory::kChunkBytes;

    static constexpr std::uint32_t kSpecialBlockAddresses = 11;  // words for 0x8000 ... 0x8004
    static constexpr std::uint16_t kFirstSpecialBlock = 0x8000;
    static constexpr std::uint16_t kLastSpecialBlock = 0x8004;
    static constexpr std::uint16_t kSpecialBlockBit = 0x8000;
    static constexpr std::uint32_t kNonStandardBlock = 2;  // a vector entry that names no real block
    static constexpr unsigned kAccessReplyTimeoutMs = 500;
    static constexpr unsigned kAccessPostDelayMs = 15;

    CCodeplug() = default;
    virtual ~CCodeplug();
    CCodeplug(const CCodeplug&) = delete;
    CCodeplug& operator=(const CCodeplug&) = delete;

    // The KDS variant's mode and external codeplug text; nothing here.
    virtual void SetCpMode(int /*mode*/) {}
    virtual void SetExternalCodeplug(std::string_view /*text*/, std::string_view /*code*/) {}
    // Loads the file image from a reader holding the codeplug's S-record text and selects it as the
    // source; returns the image's count of 32-byte chunks (the variants: 1 when their pointers are
    // valid, else 0).
    virtual std::uint32_t ReadCpFile(SRecord& reader);
    // The whole block, header included, into the front of `buffer`; its length, or none when the
    // codeplug has no such block.
    virtual std::optional<std::size_t> ReadCpBlock(std::span<std::uint8_t> buffer, std::uint16_t id);
    // Copies field.size() bytes of the field out of a block buffer; returns the count.
    virtual std::size_t ReadCpField(std::span<std::uint8_t> field, std::span<const std::uint8_t> block,
                                    std::uint32_t list, std::uint32_t entry, std::uint32_t offset);
    // Writes the whole block from the front of `buffer` (whose checksum bytes are taken as they are);
    // returns the block's length.
    virtual std::size_t WriteCpBlock(std::span<std::uint8_t> buffer, std::uint16_t id);
    // Changes a field in a block buffer and adjusts the block's covering checksum byte in the buffer.
    virtual void WriteCpField(std::span<const std::uint8_t> field, std::span<std::uint8_t> block,
                              std::uint32_t list, std::uint32_t entry, std::uint32_t offset);
    // The block's address; 0 when there is no such block.
    virtual std::uint32_t GetBlockVector(std::uint16_t id);
    // Derives the pointers from the source; true on success.
    virtual bool InitRdkPtrs();
    // Parses the header of the block at the current block address out of `buffer`; false when it does
    // not hold the header.
    virtual bool ParseBlockHeader(std::span<const std::uint8_t> buffer);

    // Opens the radio's port through the embedded broker (reply time-out kAccessReplyTimeoutMs, pause
    // kAccessPostDelayMs; callers may change them afterwards) and makes the radio the source; nothing
    // when access has started already or `flag` is not 0. Raises CGenError 3 "Unable to open
    // communication port".
    void StartCpAccess(int flag = 0);
    // Ends radio access: with `reset` 1 the radio is first told to reset (a failure is logged). Closes
    // the port in any case. False when the reset was asked for and the radio did not take it.
    bool StopCpAccess(int reset);

    // Loads a raw image (a backup of a radio's codeplug) as the file image, sized as ReadCpFile sizes
    // one, and selects it as the source; derives the pointers unless the format is the plain one.
    // Returns whether they are valid.
    bool ReadCpImage(std::span<const std::uint8_t> bytes);

    // Entry `entry` of list `list` into the front of `buffer`; returns the entry size.
    std::size_t ReadCpEntry(std::span<std::uint8_t> buffer, std::uint16_t id, std::uint32_t list,
                            std::uint32_t entry);
    // Changes a field in the image or the radio and adjusts its covering checksum byte there.
    void WriteCpField(std::span<const std::uint8_t> field, std::uint16_t id, std::uint32_t list,
                      std::uint32_t entry, std::uint32_t offset);

    // Makes the block at `address` the current block: its header and size. False, after logging, for
    // a non-standard block or one whose header cannot be read.
    bool GetBlockInfo(std::uint32_t address);
    bool CalcBlkSize();
    std::optional<std::uint64_t> CalcListOfs(std::uint32_t list);
    std::uint64_t CalcListSize() const { return block_.ListBytes(block_.entryQuantity); }
    std::uint64_t CalcEntryOfs(std::uint32_t entry) const { return block_.EntryOffset(entry); }
    // The checksum byte that covers the `length` bytes at `address` in the current block: of the entry,
    // else the list, else the block, else (with `regionRule`) the region. None when nothing covers all
    // of them, or the checksum byte would lie among them.
    std::optional<std::uint64_t> FindChecksumLocation(std::uint64_t address, std::uint64_t length,
                                                      bool regionRule);

    void ReadCpRaw(std::span<std::uint8_t> bytes, std::uint32_t address);
    void WriteCpRaw(std::span<const std::uint8_t> bytes, std::uint32_t address);
    void ReadCpAddress(std::span<std::uint8_t> bytes, std::uint32_t address);

    // The pointers, or none while they are not valid.
    std::optional<CodeplugPointers> GetRdkPtrs() const;
    void SetCommParams(unsigned port, std::uint8_t echo);
    void SetCpSource(Source source) { memory_.SetSource(source); }
    // Forgets the pointers and takes the format type; for the plain format `end` is the codeplug end.
    void SetCpFormat(int type, std::uint32_t end);

    int FormatType() const { return format_; }
    bool AccessStarted() const { return accessStarted_; }
    // The embedded broker, for callers that talk to the radio directly between codeplug operations.
    CKwipBroker& Broker() { return memory_.Broker(); }
    Source GetCpSource() const { return memory_.GetSource(); }
    const CodeplugBlock& CurrentBlock() const { return block_; }
    // The loaded image's bytes (empty before ReadCpFile).
    std::span<const std::uint8_t> ImageData() const { return memory_.Image().Data(); }

    // Error texts.
    static constexpr const char* kNoBlockText = "Unable to find codeplug block id = %d";
    static constexpr const char* kHeaderFailedText = "Read block header failed";
    static constexpr const char* kReadFailedText = "General communication error while reading codeplug";
    static constexpr const char* kWriteFailedText = "General communication error while writing codeplug";
    static constexpr const char* kOutOfRangeText = "The requested list is out of range";
    static constexpr const char* kNoChecksumText = "Unable to determine data checksum location";
    static constexpr const char* kBufferTooSmallText = "The buffer is too small for codeplug block id = %d";
    static constexpr const char* kOutsideBufferText = "The requested field lies outside the block buffer";

protected:
    // ReadCpFile's first steps for every layout: the image as source, the first-record check, the
    // buffer, the data. Raises on failure.
    void LoadImage(SRecord& reader);
    void SetPointers(const CodeplugPointers& pointers) { pointers_ = pointers; }
    void SetPointersValid(bool valid) { pointersValid_ = valid; }
    // The front of `buffer` that receives a block of `size` bytes; refuses a buffer that is too small.
    std::span<std::uint8_t> FitBlock(std::span<std::uint8_t> buffer, std::uint64_t size,
                                     std::uint16_t id) const;
    // The variants' whole-block reads and writes, once they know the block's place and size: the front of
    // `buffer` is the block (a buffer too small is refused); its length is returned.
    std::size_t ReadBlockAt(std::span<std::uint8_t> buffer, std::uint16_t id, std::uint32_t address,
                            std::size_t size);
    // `seal` puts the block's checksum into it before it is written.
    template <typename Seal>
    std::size_t WriteBlockAt(std::span<std::uint8_t> buffer, std::uint16_t id, std::uint32_t address,
                             std::size_t size, Seal seal) {
        const std::span<std::uint8_t> block = FitBlock(buffer, size, id);
        block_.blockSize = size;
        seal(block);
        WriteCpRaw(block, address);
        return size;
    }
    // A block write that finds no block: logged and raised.
    [[noreturn]] static void RefuseMissingBlock(std::uint16_t id);
    // The variants' fields: plain byte offsets in the block buffer, bounded by it.
    static std::size_t CopyFieldOut(std::span<std::uint8_t> field, std::span<const std::uint8_t> block,
                                    std::uint32_t offset);
    static void CopyFieldIn(std::span<const std::uint8_t> field, std::span<std::uint8_t> block,
                            std::uint32_t offset);

    CodeplugMemory& Memory() { return memory_; }
    // GetBlockVector for the block operations: a vector entry that could not be read is raised as
    // CGenError 3 `failText`, so a communication failure never passes for a missing block.
    std::uint32_t FindBlock(std::uint16_t id, const char* failText);

private:
    enum class FieldAccess { kEntry, kReadField, kWriteField };

    // How a block operation treats a block it cannot find: the texts of its failures, and its log line
    // for a missing block (none: a missing block is an answer, not a failure).
    struct BlockAccess {
        const char* noFormatText;
        const char* failText;
        void (*logMissing)();
    };

    void EnsurePointers(const char* failText);
    // The block's address with its header current; 0 only for a missing block that is an answer.
    std::uint32_t OpenBlock(std::uint16_t id, const BlockAccess& access);
    bool ReadHeaderFromRadio();
    BlockWalker Walker();
    std::optional<std::uint8_t> ReadLayoutByte(std::uint64_t address);
    // The address of a field (the block at `blockAddress`, whose header is current), after the range
    // checks; raises when the field does not lie in its list's entries.
    std::uint64_t FieldAddress(std::uint32_t list, std::uint32_t entry, std::uint32_t offset,
                               std::uint64_t length, FieldAccess access);
    void LogOutOfRange(FieldAccess access, std::uint32_t list, std::uint32_t entry,
                       std::uint32_t offset) const;
    void WriteFieldToRadio(std::span<const std::uint8_t> field, std::uint64_t address,
                           std::uint64_t checksumAt);

    CodeplugMemory memory_;
    int format_ = kAdkFormat;
    CodeplugPointers pointers_;
    bool pointersValid_ = false;
    CodeplugBlock block_;
    // Set while a block-buffer form reads the layout out of the caller's buffer.
    std::optional<std::span<const std::uint8_t>> layoutBuffer_;
    bool vectorReadFailed_ = false;
    unsigned port_ = 0;
    std::uint8_t echo_ = 0;
    bool accessStarted_ = false;
};
