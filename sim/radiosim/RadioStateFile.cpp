#include "radiosim/RadioStateFile.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

constexpr std::string_view kHeader = "radiosim radio state 1";
// Far beyond any radio's flash: a size above it is a damaged file, not a reason to allocate.
constexpr std::size_t kLargestPart = 64u << 20;

std::vector<std::uint8_t> PackedBits(const std::vector<bool>& bits) {
    std::vector<std::uint8_t> packed((bits.size() + 7) / 8, 0);
    std::size_t index = 0;
    for (const bool bit : bits) {
        if (bit)
            packed[index / 8] |= static_cast<std::uint8_t>(1u << (index % 8));
        ++index;
    }
    return packed;
}

std::vector<bool> UnpackedBits(const std::vector<std::uint8_t>& packed, std::size_t count) {
    std::vector<bool> bits(count);
    for (std::size_t index = 0; index < count; ++index)
        bits[index] = (packed[index / 8] >> (index % 8)) & 1u;
    return bits;
}

void WritePart(std::ostream& out, std::string_view name, std::size_t size,
               const std::vector<std::uint8_t>& bytes) {
    out << name << ' ' << size << '\n';
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

class PartReader {
public:
    PartReader(std::istream& in, const std::filesystem::path& path) : in_(in), path_(path) {}

    void Expect(std::string_view line) {
        if (Line() != line)
            Fail(std::string("its first line is not \"") + std::string(kHeader) + "\"");
    }

    // The number on the line "name N".
    std::size_t Size(std::string_view name) {
        const std::string line = Line();
        const std::string_view text(line);
        if (text.substr(0, name.size()) != name || text.size() <= name.size() || text[name.size()] != ' ')
            Fail("\"" + std::string(name) + "\" expected, found \"" + line + "\"");
        const std::string_view digits = text.substr(name.size() + 1);
        std::size_t size = 0;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), size);
        if (error != std::errc() || end != digits.data() + digits.size() || digits.empty() ||
            size > kLargestPart)
            Fail("\"" + line + "\" has no valid size");
        return size;
    }

    std::vector<std::uint8_t> Bytes(std::string_view name, std::size_t count) {
        std::vector<std::uint8_t> bytes(count);
        if (!in_.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(count)))
            Fail("its " + std::string(name) + " ends early");
        return bytes;
    }

    void ExpectEnd() {
        if (in_.peek() != std::char_traits<char>::eof())
            Fail("it goes on after its last part");
    }

    [[noreturn]] void Fail(const std::string& why) const {
        throw std::runtime_error(path_.string() + " holds no radio state: " + why);
    }

private:
    std::string Line() {
        std::string line;
        if (!std::getline(in_, line))
            Fail("it ends early");
        return line;
    }

    std::istream& in_;
    const std::filesystem::path& path_;
};

}  // namespace

std::optional<RadioMemory::Saved> RadioStateFile::Read() const {
    std::ifstream in(path_, std::ios::binary);
    if (!in) {
        std::error_code ignored;
        if (!std::filesystem::exists(path_, ignored))
            return std::nullopt;
        throw std::runtime_error("cannot read " + path_.string());
    }
    PartReader reader(in, path_);
    reader.Expect(kHeader);
    RadioMemory::Saved saved;
    const std::size_t reprogrammed = reader.Size("reprogrammed");
    if (reprogrammed > 1)
        reader.Fail("reprogrammed is neither 0 nor 1");
    saved.reprogrammed = reprogrammed == 1;
    saved.codeplug = reader.Bytes("codeplug", reader.Size("codeplug"));
    saved.flash = reader.Bytes("flash", reader.Size("flash"));
    const std::size_t cells = reader.Size("written");
    if (cells != saved.flash.size())
        reader.Fail("it tells of another number of flash cells than its flash holds");
    saved.flashWritten = UnpackedBits(reader.Bytes("written", (cells + 7) / 8), cells);
    reader.ExpectEnd();
    return saved;
}

void RadioStateFile::Write(const RadioMemory::Saved& saved) {
    std::ostringstream image;
    image << kHeader << '\n' << "reprogrammed " << (saved.reprogrammed ? 1 : 0) << '\n';
    WritePart(image, "codeplug", saved.codeplug.size(), saved.codeplug);
    WritePart(image, "flash", saved.flash.size(), saved.flash);
    WritePart(image, "written", saved.flashWritten.size(), PackedBits(saved.flashWritten));
    if (file_.is_open() && image.view().size() == written_.size())
        Update(image.str());
    else
        Replace(image.str());
}

void RadioStateFile::Replace(const std::string& image) {
    file_.close();
    std::filesystem::path next = path_;
    next += ".new";
    {
        std::ofstream out(next, std::ios::binary | std::ios::trunc);
        out.write(image.data(), static_cast<std::streamsize>(image.size()));
        out.flush();
        if (!out)
            throw std::runtime_error("cannot write the radio's state to " + next.string());
    }
    std::error_code error;
    std::filesystem::rename(next, path_, error);
    if (error)
        throw std::runtime_error("cannot write the radio's state to " + path_.string() + ": " +
                                 error.message());
    file_.open(path_, std::ios::binary | std::ios::in | std::ios::out);
    if (!file_)
        throw std::runtime_error("cannot write the radio's state to " + path_.string());
    written_ = image;
}

// Each run of changed bytes is written where it lies; the runs of one pass all reach the file before
// the radio answers. A pass changes a record or two of a large memory: whole pages that are the same
// are passed over at once.
void RadioStateFile::Update(const std::string& image) {
    constexpr std::size_t kPage = 4096;
    std::size_t at = 0;
    while (at < image.size()) {
        const std::size_t page = std::min(kPage, image.size() - at);
        if (at % kPage == 0 && std::memcmp(image.data() + at, written_.data() + at, page) == 0) {
            at += page;
            continue;
        }
        if (image[at] == written_[at]) {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < image.size() && image[end] != written_[end])
            ++end;
        file_.seekp(static_cast<std::streamoff>(at));
        file_.write(image.data() + at, static_cast<std::streamsize>(end - at));
        at = end;
    }
    file_.flush();
    if (!file_)
        throw std::runtime_error("cannot write the radio's state to " + path_.string());
    written_ = image;
}
