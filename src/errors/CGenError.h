#pragma once

#include <cstdint>

#include "errors/CTextError.h"
#include "errors/TextFormat.h"

// General failures of any layer: resources, time-outs that are too big, and the summary errors
// that tell the operator what went wrong. Shown with the exclamation icon.
class CGenError : public CTextError {
public:
    // `format` is a printf-style text (TextFormat.h) filled with the further arguments; null takes
    // the default text.
    explicit CGenError(std::int32_t code, const char* format = nullptr, ...) CORVIDA_PRINTF(3, 4);

    MessageResult Show() const override;
};
