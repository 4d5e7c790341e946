// Any text attached to the S-record reader: every query must stay inside the text and the image
// inside its capacity.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "files/SRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    // The first byte picks the image capacity, so that the capacity guard is exercised too.
    const std::size_t capacity = std::size_t{data[0]} * 8;
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

    SRecord reader;
    reader.AttachString(text);
    const std::uint32_t records = reader.CountRecords();
    reader.FirstRecordDataLength();
    reader.CheckFirstRecord();

    SRecordData record;
    std::uint32_t read = 0;
    while (reader.ReadNextRecord(record) || record.type != 0) {
        if (record.length > record.data.size())
            std::abort();
        if (++read > records)
            std::abort();  // reads and counts must agree
        if (reader.Position() > reader.Size())
            std::abort();
    }

    reader.AttachText(text);
    std::vector<std::uint8_t> image(capacity);
    std::size_t length = 0;
    reader.ReadAllData(image, length);
    if (length > capacity)
        std::abort();
    reader.Detach();
    return 0;
}
