#include "codeplug/CodeplugReport.h"

#include <algorithm>
#include <numeric>
#include <set>
#include <vector>

#include "codeplug/CKDScodeplug.h"
#include "codeplug/WrenBlockRules.h"
#include "codeplug/WrenPointerTable.h"
#include "errors/CError.h"
#include "errors/TextFormat.h"

namespace {

constexpr std::size_t kBlockBufferBytes = 0x10000;

const char* FormatName(int type) {
    switch (type) {
        case CCodeplug::kPlainFormat:
            return "plain image";
        case CCodeplug::kWrenFormat:
            return "Wren layout";
        case CCodeplug::kKdsFormat:
            return "KDS layout";
        default:
            return "standard layout";
    }
}

const char* GroupName(WrenBlockRules::Group group) {
    switch (group) {
        case WrenBlockRules::Group::kA:
            return "A";
        case WrenBlockRules::Group::kB:
            return "B";
        case WrenBlockRules::Group::kOther:
            break;
    }
    return "-";
}

}  // namespace

std::string CodeplugReport::Tally::Text(const char* what) const {
    if (checked == holding)
        return FormatText("%s: %d hold", what, checked);
    return FormatText("%s: %d of %d BROKEN", what, checked - holding, checked);
}

bool CodeplugReport::Print(CCodeplug& codeplug) {
    image_ = codeplug.ImageData();
    allHold_ = true;
    out_ << FormatText("codeplug:          %s (type %d), %u bytes", FormatName(codeplug.FormatType()),
                       codeplug.FormatType(), static_cast<unsigned>(image_.size()))
         << '\n';
    PrintPointers(codeplug);
    switch (codeplug.FormatType()) {
        case CCodeplug::kWrenFormat:
            PrintWrenBlocks(codeplug);
            break;
        case CCodeplug::kKdsFormat:
            PrintKdsBlocks(codeplug);
            break;
        default:
            PrintStandardBlocks(codeplug);
            break;
    }
    return allHold_;
}

void CodeplugReport::PrintPointers(const CCodeplug& codeplug) {
    const std::optional<CodeplugPointers> pointers = codeplug.GetRdkPtrs();
    if (!pointers) {
        out_ << "pointers:          not valid\n";
        return;
    }
    const CodeplugPointers& p = *pointers;
    out_ << FormatText("codeplug end:      0x%04X", p.codeplugEnd) << '\n'
         << FormatText("boundary (A0):     0x%04X", p.boundary) << '\n'
         << FormatText("header word 9:     0x%04X", p.headerWord9) << '\n';
    if (codeplug.FormatType() == CCodeplug::kWrenFormat || codeplug.FormatType() == CCodeplug::kKdsFormat) {
        out_ << FormatText("region 2:          0x%04X, %u bytes", p.region2Start, p.region2Length) << '\n'
             << FormatText("region 3:          0x%04X, %u bytes", p.region3Start, p.region3Length) << '\n';
        return;
    }
    out_ << FormatText("header word A1+4:  0x%04X", p.headerWordA1Plus4) << '\n'
         << FormatText("block vector:      0x%04X, %u blocks", p.vectorTable - 2, p.blockCount) << '\n';
    const std::uint64_t a0 = p.region2Start;
    const std::uint64_t a1 = p.region3Start;
    const std::uint64_t region3End = a1 + p.region3Length;
    PrintRegion("region 1", 0, a0, a0 > 0 ? std::optional(a0 - 1) : std::nullopt);
    PrintRegion("region 2", a0, a1, a1 > a0 ? std::optional(a1 - 1) : std::nullopt);
    PrintRegion("region 3", a1, region3End,
                p.region3Checksum != 0 ? std::optional(region3End) : std::nullopt);
}

void CodeplugReport::PrintRegion(const char* name, std::uint64_t start, std::uint64_t end,
                                 std::optional<std::uint64_t> checksum) {
    std::string verdict = "no checksum";
    if (checksum) {
        const bool holds = Holds(start, *checksum + 1);
        allHold_ = allHold_ && holds;
        verdict = FormatText("checksum at 0x%04X %s", static_cast<unsigned>(*checksum),
                             !Sum(start, *checksum + 1) ? "past the image"
                             : holds                    ? "holds"
                                                        : "BROKEN");
    }
    const std::string label = std::string(name) + ":";
    out_ << FormatText("%-19s0x%04X-0x%04X, %s", label.c_str(), static_cast<unsigned>(start),
                       static_cast<unsigned>(end), verdict.c_str())
         << '\n';
}

std::optional<std::uint8_t> CodeplugReport::Sum(std::uint64_t start, std::uint64_t end) const {
    if (start > end || end > image_.size())
        return std::nullopt;
    return static_cast<std::uint8_t>(std::accumulate(image_.begin() + static_cast<std::ptrdiff_t>(start),
                                                     image_.begin() + static_cast<std::ptrdiff_t>(end), 0u));
}

bool CodeplugReport::Holds(std::uint64_t start, std::uint64_t end) const {
    return Sum(start, end) == kAreaSum;
}

// --- standard layout ---------------------------------------------------------------------------------

void CodeplugReport::PrintStandardBlocks(CCodeplug& codeplug) {
    const std::optional<CodeplugPointers> pointers = codeplug.GetRdkPtrs();
    const std::uint32_t count = pointers ? pointers->blockCount : 0;
    const std::uint32_t table = pointers ? pointers->vectorTable : 0;
    // Vector entries past the image's end name nothing this report could show.
    const std::uint32_t inImage =
        table < image_.size() ? static_cast<std::uint32_t>(image_.size() - table) / 2 : 0;
    out_ << "blocks (an area holds when its bytes sum to 00):\n"
         << "  id      address  kind    E     Q    L    N    size  checksums\n";
    for (std::uint32_t id = 0; id < std::min(count, inImage); ++id)
        PrintStandardBlock(codeplug, static_cast<std::uint16_t>(id));
    if (count > inImage) {
        allHold_ = false;
        out_ << FormatText("  the vector's entries from block 0x%04X on lie past the image", inImage) << '\n';
    }
    for (std::uint32_t id = CCodeplug::kFirstSpecialBlock; id <= CCodeplug::kLastSpecialBlock; ++id)
        PrintStandardBlock(codeplug, static_cast<std::uint16_t>(id));
}

void CodeplugReport::PrintStandardBlock(CCodeplug& codeplug, std::uint16_t id) {
    const std::uint32_t address = codeplug.GetBlockVector(id);
    if (address == 0)
        return;
    out_ << FormatText("  0x%04X  0x%04X   ", id, address);
    if (!codeplug.GetBlockInfo(address)) {
        out_ << (address == CCodeplug::kNonStandardBlock ? "non-standard block\n"
                                                         : "header cannot be read\n");
        return;
    }
    const CodeplugBlock& b = codeplug.CurrentBlock();
    const char* kind = !b.listBlock ? "simple" : b.VariableLists() ? "varlist" : "lists";
    const std::string size = FormatText("%u%s", b.entrySize, b.bitPacked ? "b" : "");
    const std::string lists = b.listBlock ? FormatText("%-4u %-4u", b.listSize, b.listQuantity) : "-    -   ";
    out_ << FormatText("%-7s %-5s %-4u %s %-5u ", kind, size.c_str(), b.firstQuantity, lists.c_str(),
                       static_cast<unsigned>(b.blockSize))
         << StandardChecksums(codeplug) << '\n';
}

std::string CodeplugReport::StandardChecksums(CCodeplug& codeplug) {
    const CodeplugBlock block = codeplug.CurrentBlock();
    const std::uint64_t start = block.address;
    if (start + block.blockSize > image_.size()) {
        allHold_ = false;
        return "runs past the image";
    }
    Tally entries;
    Tally lists;
    const std::uint32_t listCount = block.listBlock ? block.listQuantity : 1;
    for (std::uint32_t list = 0; list < listCount; ++list) {
        const std::optional<std::uint64_t> offset = block.listBlock ? codeplug.CalcListOfs(list) : 0;
        if (!offset)
            return "lists cannot be walked";
        const std::uint64_t listStart = start + block.DataOffset() + *offset;
        const CodeplugBlock& current = codeplug.CurrentBlock();
        if (block.entryChecksums && !block.bitPacked) {
            for (std::uint32_t e = 0; e < current.entryQuantity; ++e) {
                const std::uint64_t entry = listStart + current.EntryOffset(e);
                entries.Add(Holds(entry, entry + current.EntryStride()));
            }
        }
        if (block.listChecksums)
            lists.Add(Holds(listStart, listStart + codeplug.CalcListSize()));
    }
    std::vector<std::string> parts;
    if (block.entryChecksums)
        parts.push_back(entries.Text("entries"));
    if (block.listChecksums)
        parts.push_back(lists.Text("lists"));
    if (block.blockChecksum) {
        const bool holds = Holds(start, start + block.blockSize);
        allHold_ = allHold_ && holds;
        parts.push_back(holds ? "block holds" : "block BROKEN");
    }
    allHold_ = allHold_ && entries.checked == entries.holding && lists.checked == lists.holding;
    if (parts.empty())
        return "region's";
    std::string text = parts.front();
    for (std::size_t i = 1; i < parts.size(); ++i)
        text += ", " + parts[i];
    return text;
}

// --- variants ----------------------------------------------------------------------------------------

void CodeplugReport::PrintWrenBlocks(CCodeplug& codeplug) {
    std::set<std::uint16_t> ids = {WrenPointerTable::kRootBlock};
    for (const WrenPointerTable::Pointer& pointer : WrenPointerTable::All())
        ids.insert(pointer.id);
    std::vector<std::uint8_t> buffer(kBlockBufferBytes);
    out_ << "blocks:\n  id    address  group  size   checksum\n";
    for (const std::uint16_t id : ids) {
        try {
            const std::uint32_t address = codeplug.GetBlockVector(id);
            if (address == 0)
                continue;
            out_ << FormatText("  %-4u  0x%04X   ", id, address);
            const std::optional<std::size_t> size = codeplug.ReadCpBlock(buffer, id);
            const WrenBlockRules::Group group = WrenBlockRules::GroupOf(id);
            std::vector<std::uint8_t> recomputed(buffer.begin(),
                                                 buffer.begin() + static_cast<std::ptrdiff_t>(*size));
            WrenBlockRules::StoreChecksum(group, recomputed);
            const bool holds = std::equal(recomputed.begin(), recomputed.end(), buffer.begin());
            allHold_ = allHold_ && holds;
            out_ << FormatText("%-5s  %-5u  %s", GroupName(group), static_cast<unsigned>(*size),
                               holds ? "holds" : "BROKEN")
                 << '\n';
        } catch (const CError& error) {
            allHold_ = false;
            out_ << FormatText("  %-4u  %s", id, error.GetText()) << '\n';
        }
    }
}

void CodeplugReport::PrintKdsBlocks(CCodeplug& codeplug) {
    std::vector<std::uint8_t> buffer(kBlockBufferBytes);
    out_ << "blocks:\n";
    try {
        const std::uint32_t address = codeplug.GetBlockVector(CKDScodeplug::kPlacedBlock);
        const std::size_t size = *codeplug.ReadCpBlock(buffer, CKDScodeplug::kPlacedBlock);
        const std::uint8_t sum = static_cast<std::uint8_t>(
            std::accumulate(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(size), 0u));
        allHold_ = allHold_ && sum == kKdsBlockSum;
        out_ << FormatText("  139     0x%04X   %u bytes, sum %s", address, static_cast<unsigned>(size),
                           sum == kKdsBlockSum ? "holds" : "BROKEN")
             << '\n';
    } catch (const CError& error) {
        allHold_ = false;
        out_ << "  139     " << error.GetText() << '\n';
    }
    out_ << "  id      address  kind    E     Q    L    N    size  checksums\n";
    PrintStandardBlock(codeplug, CCodeplug::kFirstSpecialBlock);
}
