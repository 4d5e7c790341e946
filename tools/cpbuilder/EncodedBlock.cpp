#include "EncodedBlock.h"

#include <numeric>
#include <stdexcept>

namespace {

constexpr std::uint8_t kWideSize = 0x01;
constexpr std::uint8_t kBitPacked = 0x02;
constexpr std::uint8_t kListBlock = 0x04;
constexpr std::uint8_t kItemChecksums = 0x40;
constexpr std::uint8_t kBlockChecksum = 0x80;
constexpr std::uint32_t kByteLimit = 0xFF;
constexpr std::uint32_t kWordLimit = 0xFFFF;

void Require(bool condition, const char* why) {
    if (!condition)
        throw std::invalid_argument(why);
}

std::uint8_t ChecksumOf(const Bytes& bytes, std::size_t from, std::size_t to) {
    const auto sum = std::accumulate(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                                     bytes.begin() + static_cast<std::ptrdiff_t>(to), 0u);
    return static_cast<std::uint8_t>(ChecksumArea::kAreaSum - sum);
}

class Encoder {
public:
    explicit Encoder(const BlockContent& content) : content_(content) {}

    EncodedBlock Run() {
        Check();
        if (content_.kind == BlockContent::Kind::kSimple)
            SimpleHeader();
        else
            ListHeaders();
        for (std::size_t i = 0; i < content_.lists.size(); ++i)
            AddList(i);
        if (content_.kind == BlockContent::Kind::kFixedLists && content_.entryChecksums)
            out_.bytes.insert(out_.bytes.end(), Quantity(0), EncodedBlock::kFiller);
        if (content_.blockChecksum)
            Close(0);
        return std::move(out_);
    }

private:
    std::uint32_t Quantity(std::size_t list) const {
        return content_.lists.empty() ? 0 : content_.lists[list].quantity;
    }

    std::uint32_t EntryBytes(std::size_t list) const {
        const std::uint32_t q = Quantity(list);
        return content_.bitPacked ? (q * content_.entrySize + 7) / 8
                                  : q * (content_.entrySize + (content_.entryChecksums ? 1 : 0));
    }

    void Check() const {
        const bool simple = content_.kind == BlockContent::Kind::kSimple;
        Require(!simple || content_.lists.size() == 1, "a simple block holds one list");
        Require(content_.lists.size() <= kByteLimit, "at most 255 lists");
        for (const BlockContent::List& list : content_.lists) {
            Require(list.quantity <= kByteLimit, "at most 255 entries to a list");
            const std::size_t bytes = content_.bitPacked ? (list.quantity * content_.entrySize + 7) / 8
                                                         : list.quantity * content_.entrySize;
            Require(list.data.size() == bytes, "a list's data are its entries' bytes");
        }
        Require(!(content_.bitPacked && content_.entryChecksums),
                "bit-packed entries have no checksum bytes");
        Require(content_.entrySize <= (simple ? kWordLimit : kByteLimit),
                "the entry size does not fit its header");
        const bool fixed = content_.kind == BlockContent::Kind::kFixedLists;
        for (const BlockContent::List& list : content_.lists)
            Require(!fixed || list.quantity == Quantity(0),
                    "fixed-size lists hold the same number of entries");
        Require(!fixed || EntryBytes(0) <= kByteLimit, "the list size does not fit its header");
        Require(simple || !content_.wide, "a list block's headers are narrow");
    }

    void Put(std::uint32_t value, bool wide) {
        if (wide)
            out_.bytes.push_back(static_cast<std::uint8_t>(value >> 8));
        out_.bytes.push_back(static_cast<std::uint8_t>(value));
    }

    std::uint8_t CommonFlags() const {
        return static_cast<std::uint8_t>((content_.bitPacked ? kBitPacked : 0) |
                                         (content_.blockChecksum ? kBlockChecksum : 0));
    }

    void SimpleHeader() {
        const bool wide = content_.wide || content_.entrySize > kByteLimit;
        out_.bytes.push_back(static_cast<std::uint8_t>(CommonFlags() | (wide ? kWideSize : 0) |
                                                       (content_.entryChecksums ? kItemChecksums : 0)));
        Put(content_.entrySize, wide);
        Put(Quantity(0), false);
    }

    void ListHeaders() {
        const bool fixed = content_.kind == BlockContent::Kind::kFixedLists;
        out_.bytes.push_back(static_cast<std::uint8_t>(CommonFlags() | kListBlock |
                                                       (content_.listChecksums ? kItemChecksums : 0)));
        Put(fixed ? EntryBytes(0) : 0, false);
        Put(static_cast<std::uint32_t>(content_.lists.size()), false);
        out_.bytes.push_back(content_.entryChecksums ? kItemChecksums : 0);
        Put(content_.entrySize, false);
        Put(Quantity(0), false);
    }

    void AddList(std::size_t index) {
        const BlockContent::List& list = content_.lists[index];
        if (content_.kind == BlockContent::Kind::kVariableLists && index > 0)
            out_.bytes.push_back(static_cast<std::uint8_t>(list.quantity));
        const std::size_t listStart = out_.bytes.size();
        std::vector<std::uint32_t> offsets;
        if (content_.bitPacked) {
            out_.bytes.insert(out_.bytes.end(), list.data.begin(), list.data.end());
        } else {
            for (std::uint32_t e = 0; e < list.quantity; ++e) {
                const std::size_t entryStart = out_.bytes.size();
                offsets.push_back(static_cast<std::uint32_t>(entryStart));
                const auto from = list.data.begin() + static_cast<std::ptrdiff_t>(e * content_.entrySize);
                out_.bytes.insert(out_.bytes.end(), from, from + content_.entrySize);
                if (content_.entryChecksums)
                    Close(entryStart);
            }
        }
        out_.entryOffsets.push_back(std::move(offsets));
        if (content_.listChecksums)
            Close(listStart);
    }

    // Appends the checksum byte of the area from `start` to here.
    void Close(std::size_t start) {
        const std::size_t location = out_.bytes.size();
        out_.bytes.push_back(ChecksumOf(out_.bytes, start, location));
        out_.areas.push_back({static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(location + 1),
                              static_cast<std::uint32_t>(location)});
    }

    const BlockContent& content_;
    EncodedBlock out_;
};

}  // namespace

EncodedBlock EncodedBlock::Encode(const BlockContent& content) {
    return Encoder(content).Run();
}
