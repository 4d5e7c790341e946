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
    explicit Encoder(const BlockSpec& spec) : spec_(spec) {}

    EncodedBlock Run() {
        Check();
        if (spec_.kind == BlockSpec::Kind::kSimple)
            SimpleHeader();
        else
            ListHeaders();
        for (std::size_t i = 0; i < spec_.lists.size(); ++i)
            AddList(i);
        if (spec_.kind == BlockSpec::Kind::kFixedLists && spec_.entryChecksums)
            out_.bytes.insert(out_.bytes.end(), Quantity(0), EncodedBlock::kFiller);
        if (spec_.blockChecksum)
            Close(0);
        return std::move(out_);
    }

private:
    std::uint32_t Quantity(std::size_t list) const {
        return spec_.lists.empty() ? 0 : spec_.lists[list].quantity;
    }

    std::uint32_t EntryBytes(std::size_t list) const {
        const std::uint32_t q = Quantity(list);
        return spec_.bitPacked ? (q * spec_.entrySize + 7) / 8
                               : q * (spec_.entrySize + (spec_.entryChecksums ? 1 : 0));
    }

    void Check() const {
        const bool simple = spec_.kind == BlockSpec::Kind::kSimple;
        Require(!simple || spec_.lists.size() == 1, "a simple block holds one list");
        Require(spec_.lists.size() <= kByteLimit, "at most 255 lists");
        for (const BlockSpec::List& list : spec_.lists) {
            Require(list.quantity <= kByteLimit, "at most 255 entries to a list");
            const std::size_t bytes =
                spec_.bitPacked ? (list.quantity * spec_.entrySize + 7) / 8 : list.quantity * spec_.entrySize;
            Require(list.data.size() == bytes, "a list's data are its entries' bytes");
        }
        Require(!(spec_.bitPacked && spec_.entryChecksums), "bit-packed entries have no checksum bytes");
        Require(spec_.entrySize <= (simple ? kWordLimit : kByteLimit),
                "the entry size does not fit its header");
        const bool fixed = spec_.kind == BlockSpec::Kind::kFixedLists;
        for (const BlockSpec::List& list : spec_.lists)
            Require(!fixed || list.quantity == Quantity(0),
                    "fixed-size lists hold the same number of entries");
        Require(!fixed || EntryBytes(0) <= kByteLimit, "the list size does not fit its header");
        Require(simple || !spec_.wide, "a list block's headers are narrow");
    }

    void Put(std::uint32_t value, bool wide) {
        if (wide)
            out_.bytes.push_back(static_cast<std::uint8_t>(value >> 8));
        out_.bytes.push_back(static_cast<std::uint8_t>(value));
    }

    std::uint8_t CommonFlags() const {
        return static_cast<std::uint8_t>((spec_.bitPacked ? kBitPacked : 0) |
                                         (spec_.blockChecksum ? kBlockChecksum : 0));
    }

    void SimpleHeader() {
        const bool wide = spec_.wide || spec_.entrySize > kByteLimit;
        out_.bytes.push_back(static_cast<std::uint8_t>(CommonFlags() | (wide ? kWideSize : 0) |
                                                       (spec_.entryChecksums ? kItemChecksums : 0)));
        Put(spec_.entrySize, wide);
        Put(Quantity(0), false);
    }

    void ListHeaders() {
        const bool fixed = spec_.kind == BlockSpec::Kind::kFixedLists;
        out_.bytes.push_back(static_cast<std::uint8_t>(CommonFlags() | kListBlock |
                                                       (spec_.listChecksums ? kItemChecksums : 0)));
        Put(fixed ? EntryBytes(0) : 0, false);
        Put(static_cast<std::uint32_t>(spec_.lists.size()), false);
        out_.bytes.push_back(spec_.entryChecksums ? kItemChecksums : 0);
        Put(spec_.entrySize, false);
        Put(Quantity(0), false);
    }

    void AddList(std::size_t index) {
        const BlockSpec::List& list = spec_.lists[index];
        if (spec_.kind == BlockSpec::Kind::kVariableLists && index > 0)
            out_.bytes.push_back(static_cast<std::uint8_t>(list.quantity));
        const std::size_t listStart = out_.bytes.size();
        std::vector<std::uint32_t> offsets;
        if (spec_.bitPacked) {
            out_.bytes.insert(out_.bytes.end(), list.data.begin(), list.data.end());
        } else {
            for (std::uint32_t e = 0; e < list.quantity; ++e) {
                const std::size_t entryStart = out_.bytes.size();
                offsets.push_back(static_cast<std::uint32_t>(entryStart));
                const auto from = list.data.begin() + static_cast<std::ptrdiff_t>(e * spec_.entrySize);
                out_.bytes.insert(out_.bytes.end(), from, from + spec_.entrySize);
                if (spec_.entryChecksums)
                    Close(entryStart);
            }
        }
        out_.entryOffsets.push_back(std::move(offsets));
        if (spec_.listChecksums)
            Close(listStart);
    }

    // Appends the checksum byte of the area from `start` to here.
    void Close(std::size_t start) {
        const std::size_t location = out_.bytes.size();
        out_.bytes.push_back(ChecksumOf(out_.bytes, start, location));
        out_.areas.push_back({static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(location + 1),
                              static_cast<std::uint32_t>(location)});
    }

    const BlockSpec& spec_;
    EncodedBlock out_;
};

}  // namespace

EncodedBlock EncodedBlock::Encode(const BlockSpec& spec) {
    return Encoder(spec).Run();
}
