#include "ImageScan.h"

#include <algorithm>

#include "errors/TextFormat.h"
#include "files/SRecord.h"

namespace {

constexpr char kNoRecord = '?';  // the reader's type for characters that start no record

// Line numbers of text positions, counted as any of the three line ends would count them.
class LineCounter {
public:
    explicit LineCounter(std::string_view text) : text_(text) {}

    std::uint32_t LineAt(std::size_t position) {
        for (; scanned_ < position && scanned_ < text_.size(); ++scanned_) {
            const char c = text_[scanned_];
            if (c == '\n' || (c == '\r' && (scanned_ + 1 >= text_.size() || text_[scanned_ + 1] != '\n')))
                ++line_;
        }
        return line_;
    }

private:
    std::string_view text_;
    std::size_t scanned_ = 0;
    std::uint32_t line_ = 1;
};

}  // namespace

ImageScan ImageScan::Of(std::string_view text) {
    ImageScan scan;
    SRecord reader;
    reader.AttachText(text);
    scan.recordCount = reader.CountRecords();
    scan.firstRecordDataLength = reader.FirstRecordDataLength();
    scan.firstRecordValid = reader.CheckFirstRecord();
    if (!scan.firstRecordValid)
        scan.faults.push_back({1, "the first record is not a valid S1, S2 or S3 record"});

    LineCounter lines(text);
    SRecordData record;
    bool anyData = false;
    std::uint32_t imageOffset = 0;
    scan.lowestAddress = UINT32_MAX;
    for (;;) {
        const std::uint32_t line = lines.LineAt(reader.Position());
        const bool good = reader.ReadNextRecord(record);
        if (record.type == 0)
            break;
        if (record.type == kNoRecord) {
            scan.faults.push_back({line, "characters that are no S-record, or a malformed record"});
        } else if (!SRecord::IsDataRecord(record.type)) {
            scan.faults.push_back(
                {line, FormatText("an S%c record, which the program does not read", record.type)});
        } else if (!good) {
            scan.faults.push_back({line, "a record with a wrong checksum or a malformed record"});
        } else {
            anyData = true;
            scan.lowestAddress = std::min(scan.lowestAddress, record.address);
            scan.highestAddress = std::max(scan.highestAddress, record.address + record.length);
            scan.largestRecord = std::max(scan.largestRecord, record.length);
            if (!scan.misplaced && record.address != imageOffset)
                scan.misplaced = Misplaced{line, record.address, imageOffset};
        }
        imageOffset += record.length;  // a damaged record, reported already, does not shift the rest
    }
    if (!anyData)
        scan.lowestAddress = 0;
    scan.hasEndRecord = reader.Position() < reader.Size();
    if (!scan.hasEndRecord)
        scan.faults.push_back({lines.LineAt(text.size()), "the text ends without its S9 end record"});

    reader.AttachText(text);
    std::vector<std::uint8_t> buffer(text.size() / 2);
    std::size_t length = 0;
    scan.imageComplete = reader.ReadAllData(buffer, length);
    buffer.resize(length);
    scan.image = std::move(buffer);
    return scan;
}
