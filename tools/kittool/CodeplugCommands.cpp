#include "CodeplugCommands.h"

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <vector>

#include "DemoCodeplugs.h"
#include "KitBuilder.h"
#include "codeplug/CodeplugReport.h"
#include "codeplug/MakeCodeplug.h"
#include "errors/ByteText.h"
#include "errors/CError.h"
#include "errors/CGenError.h"
#include "files/FileManager.h"
#include "files/HexDigits.h"
#include "files/KitFile.h"
#include "files/SRecord.h"

namespace Commands {
namespace {

constexpr std::size_t kBlockBufferBytes = 0x10000;

// The input read as kittool found it: S-record text or raw bytes.
struct LoadedFile {
    std::string text;  // the S-record text, empty for a raw image
    std::vector<std::uint8_t> raw;
    const char* kind = "";
};

// A codeplug object holding the input as its file image, with the texts it borrows.
struct LoadedCodeplug {
    std::unique_ptr<CCodeplug> codeplug;
    LoadedFile file;
    std::string external;
};

bool InKitFolder(const std::filesystem::path& file) {
    const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : ".";
    return std::filesystem::exists(folder / FileManager::kConfigFileName);
}

std::optional<LoadedFile> ReadInput(const std::filesystem::path& path, const KeyChoice& key, bool raw,
                                    Streams io) {
    const std::string content = ReadWholeFile(path);
    LoadedFile file;
    const std::string_view text = std::string_view(content).substr(0, content.find('\0'));
    if (!raw && LooksLikeSRecords(text)) {
        file.text = text;
        file.kind = "S-record text";
        return file;
    }
    const bool keyChosen = key.programKey || key.kit || key.text;
    if (raw || (!keyChosen && !InKitFolder(path))) {
        file.raw.assign(content.begin(), content.end());
        file.kind = "raw image";
        return file;
    }
    KeyChoice choice = key;
    if (!keyChosen)
        choice.kit = path.has_parent_path() ? path.parent_path() : ".";
    const std::optional<std::string> keyText = ResolveKey(choice, io);
    if (!keyText)
        return std::nullopt;
    const KitFileResult deciphered = ReadKitFile(path, *keyText, KitFileKind::kCodeplug);
    if (!deciphered.Ok() || !LooksLikeSRecords(deciphered.Text())) {
        io.err << "kittool: " << path.string()
               << " deciphers to no S-record text (a raw image needs --raw)\n";
        return std::nullopt;
    }
    file.text = deciphered.Text();
    file.kind = "enciphered S-record text";
    return file;
}

std::optional<LoadedCodeplug> Load(const CodeplugInput& input, Streams io) {
    std::optional<LoadedFile> file = ReadInput(input.file, input.key, input.raw, io);
    if (!file)
        return std::nullopt;
    LoadedCodeplug loaded{MakeCodeplug(input.type), std::move(*file), {}};
    if (input.type == CCodeplug::kKdsFormat) {
        if (input.external) {
            const std::optional<LoadedFile> external = ReadInput(*input.external, input.key, false, io);
            if (!external || external->text.empty()) {
                io.err << "kittool: the external codeplug must be S-record text\n";
                return std::nullopt;
            }
            loaded.external = external->text;
        } else {
            loaded.external = loaded.file.text;
        }
        loaded.codeplug->SetExternalCodeplug(loaded.external, input.variantCode);
        loaded.codeplug->SetCpMode(input.mode);
    }
    if (loaded.file.text.empty()) {
        loaded.codeplug->ReadCpImage(loaded.file.raw);
    } else {
        SRecord reader;
        reader.AttachText(loaded.file.text);
        loaded.codeplug->ReadCpFile(reader);
    }
    return loaded;
}

std::uint16_t BlockId(const std::string& text) {
    constexpr unsigned long kMaxBlockId = 0xFFFF;
    std::size_t used = 0;
    unsigned long id = kMaxBlockId + 1;
    try {
        id = std::stoul(text, &used, 0);
    } catch (const std::logic_error&) {
    }
    if (used != text.size() || id > kMaxBlockId)
        throw std::invalid_argument("a block id is a number from 0 to 0xFFFF, not \"" + text + "\"");
    return static_cast<std::uint16_t>(id);
}

// Pairs of hex digits, either case; none for anything else, nothing included.
std::optional<std::vector<std::uint8_t>> HexBytes(std::string_view text) {
    if (text.empty())
        return std::nullopt;
    return HexDigits::StrictPairs(text);
}

std::string Hex(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (const std::uint8_t byte : bytes) {
        if (!text.empty())
            text += ' ';
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

// The KDS layout's tuning block keeps the standard block format, whose fields lie in entries with their
// checksums; the layout's own block operations know only block 139.
bool KdsTuningBlock(int type, std::uint16_t id) {
    return type == CCodeplug::kKdsFormat && id == CCodeplug::kFirstSpecialBlock;
}

// The variants read and write their own blocks whole and recompute the block's checksum on a write.
bool VariantBlock(int type, std::uint16_t id) {
    return type == CCodeplug::kWrenFormat || (type == CCodeplug::kKdsFormat && !KdsTuningBlock(type, id));
}

// Fills `bytes` from the field at `offset` of an entry, read as codeplug programming reads the KDS tuning
// entry.
void ReadEntryField(CCodeplug& codeplug, std::uint16_t id, const CodeplugField& field,
                    std::span<std::uint8_t> bytes) {
    std::vector<std::uint8_t> entry(kBlockBufferBytes);
    const std::size_t size = codeplug.ReadCpEntry(entry, id, field.list, field.entry);
    if (field.offset > size || bytes.size() > size - field.offset)
        throw CGenError(3, "%s", CCodeplug::kOutOfRangeText);
    std::copy_n(entry.begin() + field.offset, bytes.size(), bytes.begin());
}

template <typename Action>
int Guarded(Streams io, Action action) {
    try {
        return action();
    } catch (const CError& error) {
        io.err << "kittool: " << ByteText::Escaped(error.GetText()) << "\n";
    } catch (const std::exception& error) {
        io.err << "kittool: " << ByteText::Escaped(error.what()) << "\n";
    }
    return kFailed;
}

}  // namespace

int CodeplugShow(const CodeplugInput& input, Streams io) {
    return Guarded(io, [&] {
        std::optional<LoadedCodeplug> loaded = Load(input, io);
        if (!loaded)
            return kFailed;
        io.out << "file:              " << input.file.string() << " (" << loaded->file.kind << ")\n";
        return CodeplugReport(io.out).Print(*loaded->codeplug) ? kSuccess : kProblemsFound;
    });
}

int CodeplugGet(const CodeplugInput& input, const CodeplugField& field, std::uint32_t length, Streams io) {
    return Guarded(io, [&] {
        std::optional<LoadedCodeplug> loaded = Load(input, io);
        if (!loaded)
            return kFailed;
        const std::uint16_t id = BlockId(field.block);
        std::vector<std::uint8_t> bytes(length);
        if (KdsTuningBlock(input.type, id)) {
            ReadEntryField(*loaded->codeplug, id, field, bytes);
            io.out << Hex(bytes) << "\n";
            return kSuccess;
        }
        std::vector<std::uint8_t> block(kBlockBufferBytes);
        const std::optional<std::size_t> size = loaded->codeplug->ReadCpBlock(block, id);
        if (!size) {
            io.err << "kittool: the codeplug has no block " << field.block << "\n";
            return kFailed;
        }
        loaded->codeplug->ReadCpField(bytes, std::span(block).first(*size), field.list, field.entry,
                                      field.offset);
        io.out << Hex(bytes) << "\n";
        return kSuccess;
    });
}

int CodeplugSet(const CodeplugInput& input, const CodeplugField& field, const std::string& hexBytes,
                const std::filesystem::path& out, Streams io) {
    return Guarded(io, [&] {
        const std::optional<std::vector<std::uint8_t>> parsed = HexBytes(hexBytes);
        if (!parsed) {
            io.err << "kittool: the bytes are pairs of hex digits, not \"" << hexBytes << "\"\n";
            return kFailed;
        }
        const std::vector<std::uint8_t>& bytes = *parsed;
        std::optional<LoadedCodeplug> loaded = Load(input, io);
        if (!loaded)
            return kFailed;
        CCodeplug& codeplug = *loaded->codeplug;
        const std::uint16_t id = BlockId(field.block);
        if (VariantBlock(input.type, id)) {
            std::vector<std::uint8_t> block(kBlockBufferBytes);
            const std::optional<std::size_t> size = codeplug.ReadCpBlock(block, id);
            if (!size) {
                io.err << "kittool: the codeplug has no block " << field.block << "\n";
                return kFailed;
            }
            codeplug.WriteCpField(bytes, std::span(block).first(*size), field.list, field.entry,
                                  field.offset);
            codeplug.WriteCpBlock(std::span(block).first(*size), id);
            io.out << "wrote " << bytes.size() << " bytes; block checksum recomputed\n";
        } else {
            codeplug.WriteCpField(bytes, id, field.list, field.entry, field.offset);
            io.out << "wrote " << bytes.size() << " bytes; checksum byte at 0x" << std::hex << std::uppercase
                   << *codeplug.CurrentBlock().checksumLocation << std::dec << " adjusted\n";
        }
        const std::span<const std::uint8_t> image = codeplug.ImageData();
        WriteWholeFile(out, std::string_view(reinterpret_cast<const char*>(image.data()), image.size()));
        return kSuccess;
    });
}

int CodeplugDemo(const std::string& model, const std::filesystem::path& out, const SRecordLayout& layout,
                 Streams io) {
    return Guarded(io, [&] {
        const auto models = DemoCodeplugs::Models();
        const auto found = std::find_if(models.begin(), models.end(),
                                        [&](const DemoCodeplugs::Model& m) { return m.name == model; });
        if (found == models.end()) {
            io.err << "kittool: there is no demo model " << model << "; the models are:";
            for (const DemoCodeplugs::Model& m : models)
                io.err << " " << m.name;
            io.err << "\n";
            return kFailed;
        }
        WriteWholeFile(out, WriteSRecords(DemoCodeplugs::Build(*found).bytes, layout));
        return kSuccess;
    });
}

}  // namespace Commands
