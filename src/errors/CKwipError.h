#pragma once

#include <cstdint>

#include "errors/CTextError.h"
#include "errors/TextFormat.h"

// Failures of a KWIP exchange; the code is the exchange's status (1 negative acknowledge, 3 wrong
// reply, 4 corrupted reply, 5 time-out or serial failure). Shown without an icon.
class CKwipError : public CTextError {
public:
    // `format` is a printf-style text (TextFormat.h) filled with the further arguments; null takes
    // the default text.
    explicit CKwipError(std::int32_t code, const char* format = nullptr, ...) CORVIDA_PRINTF(3, 4);

    MessageResult Show() const override;
};
