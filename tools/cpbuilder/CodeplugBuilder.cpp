#include "CodeplugBuilder.h"

#include <algorithm>
#include <map>
#include <stdexcept>

namespace {

constexpr std::uint32_t kAddressLimit = 0xFFFF;
constexpr std::uint32_t kHeaderWord9Address = 9;
constexpr std::uint32_t kSpecialWordsAddress = 11;
constexpr std::uint8_t kGapFiller = 0xFF;

bool IsSpecial(std::uint16_t id) {
    return id >= CodeplugBuilder::kFirstSpecialBlock;
}

}  // namespace

CodeplugBuilder& CodeplugBuilder::Block(std::uint16_t id, Region region, BlockContent content) {
    items_.push_back({region, id, std::nullopt, std::move(content), {}});
    return *this;
}

CodeplugBuilder& CodeplugBuilder::BlockAt(std::uint16_t id, Region region, std::uint32_t address,
                                          BlockContent content) {
    items_.push_back({region, id, address, std::move(content), {}});
    return *this;
}

CodeplugBuilder& CodeplugBuilder::Raw(Region region, Bytes bytes) {
    items_.push_back({region, std::nullopt, std::nullopt, {}, std::move(bytes)});
    return *this;
}

CodeplugBuilder& CodeplugBuilder::VectorEntry(std::uint16_t id, std::uint32_t address) {
    vectorEntries_.emplace_back(id, address);
    return *this;
}

CodeplugBuilder& CodeplugBuilder::BlockCount(std::uint16_t count) {
    blockCount_ = count;
    return *this;
}

CodeplugBuilder& CodeplugBuilder::Region3Checksum(bool on) {
    region3Checksum_ = on;
    return *this;
}

CodeplugBuilder& CodeplugBuilder::HeaderWords(std::uint16_t word9, std::uint16_t wordA1Plus4) {
    headerWord9_ = word9;
    headerWordA1Plus4_ = wordA1Plus4;
    return *this;
}

// One Build: the image grows region by region; addresses and region checksums are filled in last.
class CodeplugBuilder::Layout {
public:
    Layout(const CodeplugBuilder& builder, BuiltCodeplug& out) : builder_(builder), out_(out) {}

    void Run() {
        Bytes& bytes = out_.bytes;
        bytes.assign(kHeaderBytes, 0);
        Place(Region::k1);
        const std::uint32_t region1Checksum = CloseRegion(0);
        out_.region2Start = Size();
        bytes.insert(bytes.end(), 2, 0);
        Place(Region::k2);
        const std::uint32_t region2Checksum = CloseRegion(out_.region2Start);
        out_.region3Start = Size();
        PutRegion3Header();
        Place(Region::k3);
        out_.region3Length = Size() - out_.region3Start;
        std::optional<std::uint32_t> region3Checksum;
        if (out_.region3Checksum)
            region3Checksum = CloseRegion(out_.region3Start);
        Place(Region::kBeyond);
        if (Size() - 1 > kAddressLimit)
            throw std::invalid_argument("the codeplug outgrows 16-bit addresses");

        FillAddresses();
        // The region checksums go last: they cover the address words.
        Seal(out_.areas[region1Checksum]);
        Seal(out_.areas[region2Checksum]);
        if (region3Checksum)
            Seal(out_.areas[*region3Checksum]);
    }

private:
    std::uint32_t Size() const { return static_cast<std::uint32_t>(out_.bytes.size()); }

    void PutWord(std::uint32_t at, std::uint32_t value) {
        out_.bytes[at] = static_cast<std::uint8_t>(value >> 8);
        out_.bytes[at + 1] = static_cast<std::uint8_t>(value);
    }

    void Place(Region region) {
        for (const Item& item : builder_.items_) {
            if (item.region != region)
                continue;
            if (item.address) {
                if (*item.address < Size())
                    throw std::invalid_argument("a block is placed over earlier content");
                out_.bytes.resize(*item.address, kGapFiller);
            }
            if (item.id)
                PlaceBlock(*item.id, item.content);
            else
                out_.bytes.insert(out_.bytes.end(), item.raw.begin(), item.raw.end());
        }
    }

    void PlaceBlock(std::uint16_t id, const BlockContent& content) {
        const EncodedBlock encoded = EncodedBlock::Encode(content);
        const std::uint32_t address = Size();
        BuiltCodeplug::Block block{
            id, address, static_cast<std::uint32_t>(encoded.bytes.size()), content, {}};
        for (const std::vector<std::uint32_t>& list : encoded.entryOffsets) {
            block.entryAddresses.emplace_back();
            for (const std::uint32_t offset : list)
                block.entryAddresses.back().push_back(address + offset);
        }
        for (const ChecksumArea& area : encoded.areas)
            out_.areas.push_back({address + area.start, address + area.end, address + area.location});
        out_.bytes.insert(out_.bytes.end(), encoded.bytes.begin(), encoded.bytes.end());
        out_.blocks.push_back(std::move(block));
    }

    // Appends a region's checksum byte; returns the index of its area.
    std::uint32_t CloseRegion(std::uint32_t start) {
        const std::uint32_t location = Size();
        out_.bytes.push_back(0);
        out_.areas.push_back({start, location + 1, location});
        return static_cast<std::uint32_t>(out_.areas.size() - 1);
    }

    void PutRegion3Header() {
        const std::uint32_t a1 = out_.region3Start;
        out_.vector = a1 + kRegion3HeaderBytes;
        out_.blockCount = BlockCount();
        out_.bytes.resize(out_.vector + 2 + 2 * std::size_t{out_.blockCount}, 0);
        out_.bytes[a1] = out_.region3Checksum ? kRegion3ChecksumFlag : 0;
        PutWord(a1 + 4, out_.headerWordA1Plus4);
        PutWord(a1 + 6, out_.vector);
        PutWord(out_.vector, out_.blockCount);
    }

    std::uint16_t BlockCount() const {
        if (builder_.blockCount_)
            return *builder_.blockCount_;
        std::uint32_t count = 0;
        for (const Item& item : builder_.items_) {
            if (item.id && !IsSpecial(*item.id))
                count = std::max<std::uint32_t>(count, *item.id + 1u);
        }
        for (const auto& [id, address] : builder_.vectorEntries_) {
            if (!IsSpecial(id))
                count = std::max<std::uint32_t>(count, id + 1u);
        }
        return static_cast<std::uint16_t>(count);
    }

    void FillAddresses() {
        PutWord(0, out_.region2Start);
        PutWord(kHeaderWord9Address, out_.headerWord9);
        PutWord(out_.region2Start, out_.region3Start - out_.region2Start);
        PutWord(out_.region3Start + 2, out_.region3Length);
        std::map<std::uint16_t, std::uint32_t> entries;
        for (const BuiltCodeplug::Block& block : out_.blocks)
            entries[block.id] = block.address;
        for (const auto& [id, address] : builder_.vectorEntries_)
            entries[id] = address;
        for (const auto& [id, address] : entries) {
            if (IsSpecial(id) && id <= kLastSpecialBlock)
                PutWord(kSpecialWordsAddress + 2 * (id - kFirstSpecialBlock), address);
            else if (!IsSpecial(id) && id < out_.blockCount)
                PutWord(out_.vector + 2 + 2 * std::uint32_t{id}, address);
        }
    }

    void Seal(const ChecksumArea& area) {
        out_.bytes[area.location] = 0;
        std::uint32_t sum = 0;
        for (std::uint32_t i = area.start; i < area.end; ++i)
            sum += out_.bytes[i];
        out_.bytes[area.location] = static_cast<std::uint8_t>(ChecksumArea::kAreaSum - sum);
    }

    const CodeplugBuilder& builder_;
    BuiltCodeplug& out_;
};

BuiltCodeplug CodeplugBuilder::Build() const {
    BuiltCodeplug out;
    out.region3Checksum = region3Checksum_;
    out.headerWord9 = headerWord9_;
    out.headerWordA1Plus4 = headerWordA1Plus4_;
    Layout(*this, out).Run();
    return out;
}
