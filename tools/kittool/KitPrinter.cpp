#include "KitPrinter.h"

#include "errors/TextFormat.h"
#include "files/ProductLine.h"

namespace {

// Field `index` (0-based) of a line, or empty when the line has fewer.
std::string FieldOf(const KitConfig::Line& line, std::size_t index) {
    return index < line.fields.size() ? line.fields[index] : std::string();
}

const char* CodeplugTypeName(std::uint32_t type) {
    switch (type) {
        case 1:
            return "standard layout";
        case 2:
            return "Wren layout";
        case 3:
            return "KDS layout";
        default:
            return "unknown layout";
    }
}

bool Listed(const KitConfig::Line& line) {
    return line.present && !KitConfig::IsBlockHeader(line.text);
}

}  // namespace

void KitPrinter::Print(const KitConfig::Kit& kit) {
    out_ << "Version:       " << kit.firstLine << "\n"
         << "Title:         " << kit.version[0].text << "\n"
         << "Description:   " << kit.version[1].text << "\n"
         << "Kit key:       " << kit.version[2].text << "\n"
         << "Codeplug type: " << kit.codeplugType << " (" << CodeplugTypeName(kit.codeplugType) << ")\n";
    const std::string productLine = kit.productLine.fields.empty() ? "" : kit.productLine.fields[0];
    out_ << "Product line:  " << productLine << " (id " << ProductLine::IdOf(productLine) << ")\n";
    for (std::size_t g = 0; g < kit.groups.size(); ++g)
        PrintGroup(g + 1, kit.groups[g], g == 0);
}

void KitPrinter::PrintGroup(std::size_t g, const KitConfig::RadioGroup& group, bool firstGroup) {
    out_ << "\nRadio group " << g << ": " << group.name.text << "\n  Boot code:\n";
    for (std::size_t rate = 0; rate < group.bootFiles.size(); ++rate) {
        out_ << FormatText("    %6u Bd  %s\n", KitConfig::kFlashRates[rate],
                           FieldOf(group.bootFiles[rate], 0).c_str());
    }
    const std::string bootName = FieldOf(group.bootFiles[0], 0);
    if (firstGroup && !bootName.empty() && (bootName[0] == 't' || bootName[0] == 'T')) {
        out_ << "  (a test kit: the first boot-code name starts with \"" << bootName[0] << "\")\n";
    }
    out_ << "  Identities (" << group.identities.count << "):\n";
    for (const KitConfig::Line& identity : group.identities.lines) {
        if (Listed(identity))
            out_ << "    " << identity.text << "\n";
    }
    PrintVerification(group);
    PrintModels(group);
    PrintMatching(group);
    PrintPatches(group);
}

void KitPrinter::PrintVerification(const KitConfig::RadioGroup& group) {
    out_ << "  Verification entries (" << group.verification.count << "):\n";
    for (const KitConfig::Line& entry : group.verification.lines) {
        if (!Listed(entry))
            continue;
        const bool hex = FieldOf(entry, 2) == "01";
        out_ << "    status " << FieldOf(entry, 0) << ": compare 0x" << FieldOf(entry, 4) << " bytes with "
             << (hex ? "hex " : "text \"") << FieldOf(entry, 5) << (hex ? "" : "\"") << "\n";
    }
}

void KitPrinter::PrintModels(const KitConfig::RadioGroup& group) {
    out_ << "  Model sets: " << group.setCount << ", entries per set: " << group.entriesPerSet << "\n";
    static const char* const kLabels[] = {"model text",   "codeplug code", "status 11", "status 16",
                                          "status 14 FE", "model code",    "codeplug",  "note"};
    for (std::size_t i = 0; i < group.models.lines.size(); ++i) {
        const KitConfig::Line& entry = group.models.lines[i];
        if (!Listed(entry))
            continue;
        const std::size_t e = group.entriesPerSet == 0 ? 0 : i % group.entriesPerSet;
        const std::size_t s = group.entriesPerSet == 0 ? 0 : i / group.entriesPerSet;
        out_ << "    set " << s << " entry " << e << ":";
        for (std::size_t f = 0; f < entry.fields.size() && f < std::size(kLabels); ++f) {
            out_ << (f == 0 ? " " : ", ") << kLabels[f] << " \"" << entry.fields[f] << "\"";
        }
        out_ << "\n";
    }
}

void KitPrinter::PrintMatching(const KitConfig::RadioGroup& group) {
    out_ << "  Matching rows (" << group.matching.count << "):\n";
    for (const KitConfig::Line& row : group.matching.lines) {
        if (!Listed(row))
            continue;
        out_ << "    release \"" << row.fields[0] << "\":";
        for (std::uint32_t e = 0; e < KitConfig::ModelsInRow(row, group.entriesPerSet); ++e) {
            const std::size_t f = 1 + KitConfig::kMatchingValuesPerModel * e;
            auto value = [&](std::size_t k) {
                return f + k < row.fields.size() ? row.fields[f + k] : std::string("-");
            };
            out_ << " [entry " << e << ": upgrade " << value(0) << ", flash " << value(1)
                 << ", codeplug mode " << value(2) << ", patch " << value(3) << "]";
        }
        out_ << "\n";
    }
}

void KitPrinter::PrintPatches(const KitConfig::RadioGroup& group) {
    for (std::size_t e = 0; e < group.patchSections.size(); ++e) {
        const KitConfig::PatchLines& section = group.patchSections[e];
        out_ << "  Patch section for model entry " << e << (section.closed ? "" : " (no end record)")
             << ":\n";
        for (const PatchRecord& record : section.records) {
            const std::string_view name = PatchOpcodeName(record.opcode);
            out_ << FormatText("    %02X %-14s %02X %02X %04X %02X %02X\n", record.opcode,
                               name.empty() ? "(unknown)" : std::string(name).c_str(), record.operand1,
                               record.operand2, record.operand3, record.operand4, record.operand5);
        }
    }
}
