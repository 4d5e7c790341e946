#include "codeplug/MakeCodeplug.h"

#include "codeplug/CKDScodeplug.h"
#include "codeplug/CWrenCodeplug.h"

std::unique_ptr<CCodeplug> MakeCodeplug(int type) {
    std::unique_ptr<CCodeplug> codeplug;
    switch (type) {
        case CCodeplug::kWrenFormat:
            codeplug = std::make_unique<CWrenCodeplug>();
            break;
        case CCodeplug::kKdsFormat:
            codeplug = std::make_unique<CKDScodeplug>();
            break;
        default:
            codeplug = std::make_unique<CCodeplug>();
            break;
    }
    codeplug->SetCpFormat(type, 0);
    return codeplug;
}
