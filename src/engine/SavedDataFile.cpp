#include "engine/SavedDataFile.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <optional>
#include <sstream>

#include "errors/CGenError.h"
#include "files/HexDigits.h"
#include "platform/SafeFolder.h"

namespace {

constexpr std::size_t kMaxIdentityChars = 32;
constexpr std::size_t kMaxSerialChars = 64;

std::string HexBytes(const std::vector<std::uint8_t>& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const std::uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

// Letters, digits, '-' and '_' only, so that no identity can reach outside the backup folder.
std::string FileSafe(const std::string& identity) {
    std::string safe;
    for (const char c : identity) {
        if (safe.size() == kMaxIdentityChars)
            break;
        if (std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '_')
            safe += c;
    }
    return safe.empty() ? "radio" : safe;
}

[[noreturn]] void RefuseLine(int number) {
    throw CGenError(3, "The backup file is not one of radio data (line %d)", number);
}

RadioIdentity::Bytes IdentityBytes(const std::string& hex, int number) {
    const std::optional<std::vector<std::uint8_t>> bytes = HexDigits::StrictPairs(hex);
    if (!bytes || bytes->size() != RadioIdentity::kIdentityBytes)
        RefuseLine(number);
    RadioIdentity::Bytes identity{};
    std::copy(bytes->begin(), bytes->end(), identity.begin());
    return identity;
}

std::string SerialText(const std::string& escaped, int number) {
    const std::optional<std::string> serial = RadioIdentity::Unescape(escaped);
    if (!serial || serial->empty() || serial->size() > kMaxSerialChars)
        RefuseLine(number);
    return *serial;
}

// One "piece" line after its keyword.
SavedPiece ParsePiece(std::istringstream& fields, int number) {
    std::string block;
    std::string hex;
    SavedPiece piece;
    if (!(fields >> block >> piece.list >> piece.entry >> piece.offset >> hex))
        RefuseLine(number);
    std::size_t used = 0;
    unsigned long id = 0;
    try {
        id = std::stoul(block, &used, 16);
    } catch (const std::exception&) {
        RefuseLine(number);
    }
    const std::optional<std::vector<std::uint8_t>> bytes = HexDigits::StrictPairs(hex);
    if (used != block.size() || id > 0xFFFF || !bytes || bytes->empty())
        RefuseLine(number);
    piece.block = static_cast<std::uint16_t>(id);
    piece.bytes = *bytes;
    return piece;
}

}  // namespace

std::string SavedDataFile::Format(const RadioSavedData& data) {
    std::ostringstream text;
    text << kFirstLine << '\n';
    text << "layout " << data.Layout() << '\n';
    text << "mode " << data.Mode() << '\n';
    if (!data.VariantCode().empty())
        text << "variant-code " << data.VariantCode() << '\n';
    if (data.Radio().bytes)
        text << "identity " << data.Radio().BytesHex() << '\n';
    if (!data.Radio().serialText.empty())
        text << "serial " << data.Radio().EscapedSerial() << '\n';
    text << "restored " << (data.AtRisk() ? "no" : "yes") << '\n';
    for (const SavedPiece& piece : data.Pieces()) {
        char block[8];
        std::snprintf(block, sizeof block, "0x%04X", piece.block);
        text << "piece " << block << ' ' << piece.list << ' ' << piece.entry << ' ' << piece.offset << ' '
             << HexBytes(piece.bytes) << '\n';
    }
    text << "end\n";
    return text.str();
}

RadioSavedData SavedDataFile::Parse(const std::string& text) {
    std::istringstream lines(text);
    std::string line;
    int number = 1;
    if (!std::getline(lines, line) || (line != kFirstLine && line != kFirstFormatLine))
        RefuseLine(number);
    const bool firstFormat = line == kFirstFormatLine;
    int layout = 0;
    int mode = 0;
    std::string variantCode;
    RadioIdentity radio;
    std::string restored;
    std::vector<SavedPiece> pieces;
    bool ended = false;
    while (!ended && std::getline(lines, line)) {
        ++number;
        std::istringstream fields(line);
        std::string keyword;
        std::string word;
        fields >> keyword;
        if (keyword == "layout" && (fields >> layout)) {
        } else if (keyword == "mode" && (fields >> mode) && mode >= 1 && mode <= 3) {
        } else if (keyword == "variant-code" && (fields >> variantCode)) {
        } else if (keyword == "identity" && firstFormat && (fields >> word) && word.size() <= kMaxSerialChars) {
            radio.serialText = word;
        } else if (keyword == "identity" && !firstFormat && (fields >> word)) {
            radio.bytes = IdentityBytes(word, number);
        } else if (keyword == "serial" && !firstFormat && (fields >> word)) {
            radio.serialText = SerialText(word, number);
        } else if (keyword == "restored" && !firstFormat && (fields >> restored) &&
                   (restored == "yes" || restored == "no")) {
        } else if (keyword == "piece") {
            pieces.push_back(ParsePiece(fields, number));
        } else if (keyword == "end") {
            ended = true;
        } else {
            RefuseLine(number);
        }
        std::string rest;
        if (fields >> rest)
            RefuseLine(number);
    }
    if (!ended || mode == 0 || pieces.empty() || (!firstFormat && restored.empty()))
        throw CGenError(3, "The backup file of radio data is incomplete");
    RadioSavedData data;
    data.Begin(layout, mode, variantCode);
    data.SetRadio(radio);
    for (SavedPiece& piece : pieces)
        data.Add(std::move(piece));
    if (restored == "no")
        data.MarkAtRisk();
    return data;
}

std::string SavedDataFile::FileName(const RadioSavedData& data, std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    localtime_r(&seconds, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    return std::string(stamp) + "-" + FileSafe(data.Radio().serialText) + kExtension;
}

std::filesystem::path SavedDataFile::Write(const std::filesystem::path& folder, const RadioSavedData& data,
                                           std::chrono::system_clock::time_point when) {
    const std::string name = FileName(data, when);
    const std::string stem = name.substr(0, name.size() - std::string_view(kExtension).size());
    try {
        const SafeFolder backup = SafeFolder::OpenPrivate(folder);
        const std::string content = Format(data);
        std::string written = name;
        for (int copy = 2; !backup.WriteDurably(written, content, false); ++copy)
            written = stem + "-" + std::to_string(copy) + kExtension;
        return folder / written;
    } catch (const CError& error) {
        throw CGenError(3, "Unable to write the backup file %s (%s)", (folder / name).c_str(),
                        error.GetText());
    }
}

RadioSavedData SavedDataFile::Read(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::string text(kMaxFileBytes + 1, '\0');
    file.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (!file && !file.eof())
        throw CGenError(3, "Unable to read the backup file %s", path.string().c_str());
    text.resize(static_cast<std::size_t>(file.gcount()));
    if (text.size() > kMaxFileBytes)
        throw CGenError(3, "The backup file %s is too large to be radio data", path.string().c_str());
    RadioSavedData data = Parse(text);
    data.SetBackupFile(path);
    return data;
}

void SavedDataFile::MarkRestored(const std::filesystem::path& path) {
    RadioSavedData data = Read(path);
    data.Restored();
    try {
        const SafeFolder folder(path.has_parent_path() ? path.parent_path() : std::filesystem::path("."));
        folder.WriteDurably(path.filename().string(), Format(data), true);
    } catch (const CError& error) {
        throw CGenError(3, "Unable to write the backup file %s (%s)", path.c_str(), error.GetText());
    }
}
