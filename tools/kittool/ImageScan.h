#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What an S-record text holds, record by record, for kittool: the counts the program takes from it,
// its byte image, and every record the program would refuse or misread, with its line.
struct ImageScan {
    struct Fault {
        std::uint32_t line = 0;
        std::string message;
    };

    std::uint32_t recordCount = 0;            // CountRecords
    std::uint32_t firstRecordDataLength = 0;  // FirstRecordDataLength
    bool firstRecordValid = false;            // CheckFirstRecord
    bool imageComplete = false;               // ReadAllData succeeded
    bool hasEndRecord = false;
    std::vector<std::uint8_t> image;  // ReadAllData into a buffer that holds the whole text's data
    std::uint32_t lowestAddress = 0;
    std::uint32_t highestAddress = 0;  // one past the last data byte of any data record
    std::uint32_t largestRecord = 0;   // most data bytes in one record
    std::vector<Fault> faults;

    // The first data record that does not continue the image where the records before it ended: a gap,
    // an overlap or a reordering, which shifts a byte image since the program ignores record addresses.
    struct Misplaced {
        std::uint32_t line = 0;
        std::uint32_t address = 0;
        std::uint32_t imageOffset = 0;
    };
    std::optional<Misplaced> misplaced;

    static ImageScan Of(std::string_view text);
};
