#include "codeplug/CodeplugBackup.h"

#include "errors/CGenError.h"

std::size_t ProgrammedBytes(const CCodeplug& codeplug, const CodeplugPointers& pointers) {
    // From the radio the standard layout's end takes in region 3's checksum byte already; the kit's
    // image, whose pointers programming goes by, ends before it.
    const bool endTakesInChecksum =
        codeplug.GetCpSource() == CCodeplug::Source::kRadio && codeplug.FormatType() == CCodeplug::kAdkFormat;
    const std::size_t end = pointers.codeplugEnd - (endTakesInChecksum ? pointers.region3Checksum : 0u);
    return end + 1;
}

std::vector<std::uint8_t> BackupCodeplug(CCodeplug& codeplug) {
    if (!codeplug.GetRdkPtrs() && !codeplug.InitRdkPtrs())
        throw CGenError(3, "Unable to determine codeplug format");
    std::vector<std::uint8_t> bytes(ProgrammedBytes(codeplug, *codeplug.GetRdkPtrs()));
    codeplug.ReadCpRaw(bytes, 0);
    return bytes;
}
