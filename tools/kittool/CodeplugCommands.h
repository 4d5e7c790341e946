#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "Commands.h"
#include "SRecordWriter.h"

// kittool's codeplug commands: inspect a codeplug image, read or change one of its fields, and write
// the demo kit's codeplugs. Each returns the process's exit status like the other commands.
namespace Commands {

// Where a codeplug comes from. The file is a raw image (a backup, or what `codeplug set` wrote), or
// S-record text, plain or enciphered: enciphered when a key is chosen or the file lies in a kit folder.
struct CodeplugInput {
    std::filesystem::path file;
    KeyChoice key;
    bool raw = false;  // take the file as a raw image whatever it looks like
    int type = 1;      // the kit's codeplug type: 1 standard, 2 Wren, 3 KDS
    // The KDS layout's pointers come from the kit's codeplug file: this one, or the input's own text.
    std::optional<std::filesystem::path> external;
    std::string variantCode = "00";  // the radio's variant code, for the KDS layout's block 139
    int mode = 0;                    // the KDS layout's mode
};

// A field by block id (decimal or 0x hex), list, entry and byte offset.
struct CodeplugField {
    std::string block;
    std::uint32_t list = 0;
    std::uint32_t entry = 0;
    std::uint32_t offset = 0;
};

// The pointers and every block with its header fields, size and checksums; 1 when a checksum is broken.
int CodeplugShow(const CodeplugInput& input, Streams io);
// Prints `length` bytes of the field in hex.
int CodeplugGet(const CodeplugInput& input, const CodeplugField& field, std::uint32_t length, Streams io);
// Writes the bytes (hex) into the field, keeping the checksums, and the changed image to `out` as a raw
// image.
int CodeplugSet(const CodeplugInput& input, const CodeplugField& field, const std::string& hexBytes,
                const std::filesystem::path& out, Streams io);
// Writes the S-record text of the demo codeplug of `model`; an unknown model lists the known ones.
int CodeplugDemo(const std::string& model, const std::filesystem::path& out, const SRecordLayout& layout,
                 Streams io);

}  // namespace Commands
