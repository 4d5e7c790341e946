#include "CodeplugLinter.h"

#include <vector>

#include "codeplug/MakeCodeplug.h"
#include "errors/CError.h"
#include "files/SRecord.h"

namespace {

constexpr std::string_view kNoCodeplugFile = "#";
constexpr std::size_t kCodeplugFileField = 6;
constexpr std::size_t kPatchedBytes = 1;  // SetFieldBits changes one byte

}  // namespace

void CodeplugLinter::Check(const KitConfig::RadioGroup& group) {
    if (!group.hasModels || group.entriesPerSet == 0)
        return;
    for (std::size_t i = 0; i < group.models.lines.size(); ++i) {
        const KitConfig::Line& entry = group.models.lines[i];
        if (!entry.present || KitConfig::IsBlockHeader(entry.text) ||
            entry.fields.size() <= kCodeplugFileField)
            break;
        const std::string& name = entry.fields[kCodeplugFileField];
        if (name.empty() || name == kNoCodeplugFile)
            continue;
        CCodeplug* codeplug = Load(name);
        const std::size_t e = i % group.entriesPerSet;
        // Without pointers the program reaches no block; that is reported once, with the file.
        if (codeplug != nullptr && codeplug->GetRdkPtrs() && e < group.patchSections.size())
            CheckPatches(name, *codeplug, group.patchSections[e]);
    }
}

CCodeplug* CodeplugLinter::Load(const std::string& name) {
    if (const auto found = loaded_.find(name); found != loaded_.end())
        return found->second.codeplug.get();
    Loaded& loaded = loaded_[name];
    const KitFileResult file = kit_.ReadFile(name, KitFileKind::kCodeplug);
    if (!file.Ok())
        return nullptr;
    loaded.text = file.Text();
    loaded.codeplug = MakeCodeplug(type_);
    loaded.codeplug->SetExternalCodeplug(loaded.text, "00");
    try {
        SRecord reader;
        reader.AttachText(loaded.text);
        loaded.codeplug->ReadCpFile(reader);
    } catch (const CError& error) {
        problems_.Add(name, 0, "the program cannot load the codeplug: \"%s\"", error.GetText());
        loaded.codeplug.reset();
        return nullptr;
    }
    if (!loaded.codeplug->GetRdkPtrs()) {
        problems_.Add(name, 0,
                      "the codeplug's pointers cannot be derived in codeplug type %d: programming stops with "
                      "\"Error in calculating the programmable codeplug region\"",
                      type_);
    }
    return loaded.codeplug.get();
}

void CodeplugLinter::CheckPatches(const std::string& name, CCodeplug& codeplug,
                                  const KitConfig::PatchLines& section) {
    std::vector<std::uint8_t> working(kWorkingBlockBytes);
    std::optional<std::size_t> selected;
    std::uint16_t selectedId = 0;
    for (std::size_t r = 0; r < section.records.size(); ++r) {
        const PatchRecord& record = section.records[r];
        const std::uint32_t line = section.lines[r].fileLine;
        try {
            switch (static_cast<PatchOpcode>(record.opcode)) {
                case PatchOpcode::kSelectBlock:
                    selectedId = static_cast<std::uint16_t>(record.operand1 << 8 | record.operand2);
                    selected = codeplug.ReadCpBlock(working, selectedId);
                    break;
                case PatchOpcode::kSetFieldBits:
                    if (selected) {
                        std::vector<std::uint8_t> field(kPatchedBytes);
                        codeplug.ReadCpField(field, std::span(working).first(*selected), record.operand1,
                                             record.operand2, record.operand3 & 0xFF);
                    }
                    break;
                default:
                    break;
            }
        } catch (const CError& error) {
            checker_.Report(line, "with block %04X as %s holds it, the patcher fails here: \"%s\"",
                            selectedId, name.c_str(), error.GetText());
            if (record.opcode == static_cast<std::uint32_t>(PatchOpcode::kSelectBlock))
                selected.reset();
        }
    }
}
