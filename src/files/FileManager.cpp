#include "files/FileManager.h"

#include <algorithm>

#include "errors/CErrorLog.h"
#include "files/HexDigits.h"

namespace {

constexpr char kCarriageReturn = '\r';
constexpr const char* kLineEnds = "\r\n";
constexpr char kFieldSeparator = ',';

}  // namespace

bool FileManager::OpenConfigFile(const std::filesystem::path& name) {
    file_ = RegularFile(name);
    return file_.IsOpen();
}

bool FileManager::LoadConfigFile(std::string_view key) {
    KitFileResult result = ReadKitFile(file_, key, KitFileKind::kConfig);
    lastFailure_ = result.failure;
    if (result.failure == KitFileFailure::kAllocation) {
        ErrorLog().Log("Unable to allocate memory buffer for reading Patcher configuration file");
    }
    if (!result.Ok())
        return false;
    TakeBuffer(std::move(result.buffer));
    return true;
}

void FileManager::LoadText(std::string_view text) {
    std::vector<char> buffer(text.begin(), text.end());
    buffer.resize(buffer.size() + KitFileResult::kSlackBytes, '\0');
    TakeBuffer(std::move(buffer));
}

void FileManager::TakeBuffer(std::vector<char> buffer) {
    data_ = std::move(buffer);
    textLength_ = static_cast<std::size_t>(std::find(data_.begin(), data_.end(), '\0') - data_.begin());
    blockStart_ = 0;
}

std::size_t FileManager::NextLineStart(std::size_t position) const {
    const std::string_view text = Text();
    const std::size_t lineEnd = text.find_first_of(kLineEnds, position);
    if (lineEnd == std::string_view::npos)
        return text.size();
    // A CR is taken as the first byte of CR LF: the byte after it is skipped unseen.
    const std::size_t lineEndLength = text[lineEnd] == kCarriageReturn ? 2 : 1;
    return std::min(lineEnd + lineEndLength, text.size());
}

std::string_view FileManager::LineAt(std::size_t position) const {
    const std::string_view rest = Text().substr(std::min(position, Text().size()));
    return rest.substr(0, rest.find_first_of(kLineEnds));
}

std::size_t FileManager::LineStart(std::uint32_t line) const {
    if (line == 0)
        return Text().size();
    std::size_t position = blockStart_;
    for (std::uint32_t n = 1; n < line && position < Text().size(); ++n)
        position = NextLineStart(position);
    return position;
}

std::uint32_t FileManager::CountBlocks(std::string_view name) const {
    std::uint32_t count = 0;
    for (std::size_t position = 0; position < Text().size(); position = NextLineStart(position)) {
        if (LineAt(position) == name)
            ++count;
    }
    return count;
}

bool FileManager::FindBlock(std::string_view name, std::uint32_t occurrence) {
    std::uint32_t seen = 0;
    for (std::size_t position = 0; position < Text().size(); position = NextLineStart(position)) {
        if (LineAt(position) == name && ++seen == occurrence) {
            blockStart_ = NextLineStart(position);
            return true;
        }
    }
    blockStart_ = Text().size();
    return false;
}

std::string FileManager::GetProductLine() {
    FindBlock(kProductLineBlock);
    return ReadField(1, 1);
}

std::string FileManager::ReadFirstLine() const {
    return std::string(LineAt(0));
}

std::string FileManager::ReadLine(std::uint32_t line) const {
    return std::string(LineAt(LineStart(line)));
}

bool FileManager::HasLine(std::uint32_t line) const {
    return LineStart(line) < Text().size();
}

std::uint32_t FileManager::TextLineNumber(std::uint32_t line) const {
    const std::size_t target = LineStart(line);
    std::uint32_t number = 1;
    for (std::size_t position = 0; position < target; position = NextLineStart(position))
        ++number;
    return number;
}

std::string_view FileManager::FieldText(std::uint32_t line, std::uint32_t field) const {
    std::string_view text = LineAt(LineStart(line));
    if (field == 0)
        return {};
    for (std::uint32_t f = 1; f < field; ++f) {
        const std::size_t comma = text.find(kFieldSeparator);
        if (comma == std::string_view::npos)
            return {};
        text.remove_prefix(comma + 1);
    }
    return text.substr(0, text.find(kFieldSeparator));
}

std::string FileManager::ReadField(std::uint32_t line, std::uint32_t field, bool decode) const {
    std::string text(FieldText(line, field));
    if (decode) {
        const std::vector<std::uint8_t> bytes = HexDigits::LenientPairs(text);
        std::copy(bytes.begin(), bytes.end(), text.begin());
    }
    return text;
}

std::uint32_t FileManager::ReadNumber(std::uint32_t line, std::uint32_t field) const {
    return DecodeNumber(FieldText(line, field));
}

std::uint32_t FileManager::DecodeNumber(std::string_view text) {
    const std::vector<std::uint8_t> bytes = HexDigits::LenientPairs(text.substr(0, text.size() / 2 * 2));
    std::uint32_t value = 0;
    for (const std::uint8_t byte : bytes)
        value = value << 8 | byte;
    return value;
}

std::optional<std::size_t> FileManager::ReadBytes(std::uint32_t line, std::uint32_t field,
                                                  std::span<std::uint8_t> destination) const {
    const std::string_view text = FieldText(line, field);
    if (text.size() > kMaxByteStringLength)
        return std::nullopt;
    const std::vector<std::uint8_t> bytes = HexDigits::LenientPairs(text);
    if (bytes.size() > destination.size())
        return std::nullopt;
    std::copy(bytes.begin(), bytes.end(), destination.begin());
    return bytes.size();
}
