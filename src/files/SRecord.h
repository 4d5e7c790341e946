#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "files/FileModule.h"

// One record as the reader hands it to its caller.
struct SRecordData {
    static constexpr std::size_t kMaxDataBytes = 252;  // a count byte of 0xFF in an S1 record

    std::array<std::uint8_t, kMaxDataBytes> data{};
    std::uint32_t length = 0;   // data bytes decoded
    std::uint32_t address = 0;  // 16 bits (S1), 24 bits (S2) or 32 bits (S3)
    // The character after the record's "S" ('?' for characters that start no record); 0 only when no
    // record was read.
    char type = 0;
};

// Reads the S-record text attached to it, in place: S1, S2 and S3 data records, S9 as the end record.
// Records are separated by any run of CR and LF, or follow each other directly; any other character
// after a record starts a malformed one. The reader raises nothing; it answers through its results and
// never reads past the attached text.
class SRecord : public FileModule {
public:
    static constexpr std::size_t kMaxLineLength = 515;  // the record and its line feed

    // Records before the end record (every record line counts, whatever its type). Leaves position 0.
    std::uint32_t CountRecords();
    // The data length of the record at the position (count - 3 for S1, count - 5 for S3, count - 4
    // otherwise; 0 when there is none). Leaves position 0.
    std::uint32_t FirstRecordDataLength();
    // True only when the record at the position is S1, S2 or S3, well formed, with a correct checksum.
    // Leaves position 0.
    bool CheckFirstRecord();
    // Consumes the next record. For S1, S2 and S3 fills data, length and address and returns whether the
    // record is well formed with a correct checksum. At the end (the end record, or the end of the text)
    // returns false with type 0, length 0, address 0 and data[0] 0, and keeps doing so. Any other type
    // returns false with its type set and length 0.
    bool ReadNextRecord(SRecordData& record);
    // Appends the data of every record from the position to the end record, in file order, to `image`
    // and sets `length` to the bytes written. False when the data would pass image.size() (nothing is
    // written past it), when a data record is malformed or has a wrong checksum, when a record is of a
    // type that is no data record (S4, S7, S8), or when the text ends without its end record. Header (S0)
    // and count (S5, S6) records carry no image data and are skipped.
    bool ReadAllData(std::span<std::uint8_t> image, std::size_t& length);
    // S1, S2 and S3 carry data; every other type carries none (or is no record at all).
    static bool IsDataRecord(char type);
    // The checksum byte of an S1 (type 1), S3 (type 3) or S2 (any other type) record holding `record`'s
    // address and data.
    static std::uint8_t Checksum(const SRecordData& record, int type);

private:
    // The characters of one record line and its count byte, as found at the position.
    struct RecordLine {
        std::string_view chars;  // within its line, at most kMaxLineLength - 1 characters
        std::optional<std::uint8_t> count;
    };

    enum class Decoded { kGood, kBadChecksum, kMalformed };

    // The record at the position (up to its count's end, or the line end when it starts no record),
    // and the position moved past it and the line ends after it; none at the end.
    std::optional<RecordLine> NextRecordLine();
    static Decoded Decode(const RecordLine& line, SRecordData& record);
    static bool IsEnd(std::string_view text, std::size_t position);
};
