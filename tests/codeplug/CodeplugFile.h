#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "SRecordWriter.h"
#include "codeplug/CCodeplug.h"
#include "files/SRecord.h"

// A codeplug image as a kit carries it: S1 records of 32 bytes. The text stays alive with the object,
// as the KDS layout's external codeplug must.
class CodeplugFile {
public:
    explicit CodeplugFile(std::span<const std::uint8_t> bytes)
        : text_(WriteSRecords(bytes, SRecordLayout{})) {}

    const std::string& Text() const { return text_; }

    // Loads the image into `codeplug` through ReadCpFile; returns its result.
    std::uint32_t LoadInto(CCodeplug& codeplug) const {
        SRecord reader;
        reader.AttachText(text_);
        return codeplug.ReadCpFile(reader);
    }

private:
    std::string text_;
};
