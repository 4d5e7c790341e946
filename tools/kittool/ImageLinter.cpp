#include "ImageLinter.h"

#include "ImageScan.h"

namespace {

unsigned Count(std::size_t value) {
    return static_cast<unsigned>(value);
}

KitFileKind KindOf(ImageLinter::Role role) {
    switch (role) {
        case ImageLinter::Role::kBootCode:
            return KitFileKind::kBootCode;
        case ImageLinter::Role::kFirmware:
            return KitFileKind::kFirmware;
        case ImageLinter::Role::kCodeplug:
            break;
    }
    return KitFileKind::kCodeplug;
}

const char* RoleName(ImageLinter::Role role) {
    switch (role) {
        case ImageLinter::Role::kBootCode:
            return "boot-code";
        case ImageLinter::Role::kFirmware:
            return "firmware";
        case ImageLinter::Role::kCodeplug:
            break;
    }
    return "codeplug";
}

}  // namespace

void ImageLinter::Check(const std::string& name, Role role, std::uint32_t flashBytes) {
    if (!checked_.emplace(name, true).second)
        return;
    const KitFileResult file = kit_.ReadFile(name, KindOf(role));
    if (file.failure == KitFileFailure::kTooLarge) {
        problems_.Add(name, 0, "the file has more than %llu bytes, the most a %s file may have",
                      static_cast<unsigned long long>(MaxKitFileBytes(KindOf(role))), RoleName(role));
        return;
    }
    if (!file.Ok()) {
        problems_.Add(name, 0, "the file is %s", std::string(DescribeFailure(file.failure)).c_str());
        return;
    }
    CheckContent(name, role, flashBytes, file.Text());
}

void ImageLinter::CheckContent(const std::string& name, Role role, std::uint32_t flashBytes,
                               std::string_view text) {
    const ImageScan scan = ImageScan::Of(text);
    for (const ImageScan::Fault& fault : scan.faults)
        problems_.Add(name, fault.line, "%s", fault.message.c_str());
    if (!scan.imageComplete && scan.faults.empty())
        problems_.Add(name, 0, "the byte image cannot be read");

    switch (role) {
        case Role::kBootCode:
            if (scan.image.size() > kMaxBootCodeImageBytes) {
                problems_.Add(name, 0, "the boot code has %u bytes of data; at most %u fit",
                              Count(scan.image.size()), Count(kMaxBootCodeImageBytes));
            }
            break;
        case Role::kFirmware:
            if (scan.largestRecord > kMaxKwipWriteBytes) {
                problems_.Add(name, 0, "a record holds %u data bytes; one KWIP write carries at most %u",
                              scan.largestRecord, kMaxKwipWriteBytes);
            }
            // Record addresses are relative to the flash or already inside its window at 0x400000.
            if ((scan.highestAddress | kFlashBase) > kFlashBase + flashBytes) {
                problems_.Add(name, 0, "data reaches address 0x%X, past the end of a %u KiB flash",
                              scan.highestAddress, flashBytes / 1024);
            }
            break;
        case Role::kCodeplug:
            if (scan.misplaced) {
                problems_.Add(name, scan.misplaced->line,
                              "the record at address 0x%X lands at offset 0x%X of the image: the program "
                              "ignores record addresses, so a codeplug's records must run on from address 0 "
                              "in address order",
                              scan.misplaced->address, scan.misplaced->imageOffset);
            }
            if (scan.image.size() > kMaxCodeplugImageBytes) {
                problems_.Add(name, 0, "the codeplug image has %u bytes; at most %u fit",
                              Count(scan.image.size()), Count(kMaxCodeplugImageBytes));
            }
            break;
    }
}
