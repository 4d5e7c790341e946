#pragma once

#include <cstdint>

#include "errors/CTextError.h"
#include "errors/TextFormat.h"

// Failures of the serial port and the line (codes 1 to 12). Shown without an icon.
class CCommError : public CTextError {
public:
    // `format` is a printf-style text (TextFormat.h) filled with the further arguments; null takes
    // the default text.
    explicit CCommError(std::int32_t code, const char* format = nullptr, ...) CORVIDA_PRINTF(3, 4);

    MessageResult Show() const override;
};
