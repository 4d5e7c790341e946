#include "codeplug/CodeplugBackup.h"

#include "errors/CGenError.h"

std::vector<std::uint8_t> BackupCodeplug(CCodeplug& codeplug) {
    if (!codeplug.GetRdkPtrs() && !codeplug.InitRdkPtrs())
        throw CGenError(3, "Unable to determine codeplug format");
    const CodeplugPointers pointers = *codeplug.GetRdkPtrs();
    const bool lastByte = codeplug.FormatType() == CCodeplug::kKdsFormat;
    std::vector<std::uint8_t> bytes(pointers.codeplugEnd + (lastByte ? 1u : 0u));
    codeplug.ReadCpRaw(bytes, 0);
    return bytes;
}
