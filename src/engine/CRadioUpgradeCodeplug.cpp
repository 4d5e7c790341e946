#include "engine/CRadioUpgrade.h"
#include "errors/CGenError.h"

// Codeplug programming and patching are not in this build yet: a selected step fails its run rather
// than report success without having run.
void CRadioUpgrade::DoProgCp() {
    throw CGenError(3, "Codeplug programming is not available in this build");
}

void CRadioUpgrade::DoPatch() {
    throw CGenError(3, "Patching is not available in this build");
}
