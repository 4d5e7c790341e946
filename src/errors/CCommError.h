#pragma once

#include <cstdint>

#include "errors/CError.h"
#include "errors/ErrorText.h"
#include "errors/TextFormat.h"

// Failures of the serial port and the line (codes 1 to 12). Shown without an icon.
class CCommError : public CError {
public:
    // `format` is a printf-style text (TextFormat.h) filled with the further arguments; null takes
    // the default text.
    explicit CCommError(std::int32_t code, const char* format = nullptr, ...) CORVIDA_PRINTF(3, 4);

    std::int32_t GetCode() const override { return text_.Code(); }
    std::size_t CopyText(std::span<char> destination) const override { return text_.CopyTo(destination); }
    const char* GetText() const override { return text_.Text(); }
    MessageResult Show() const override;

private:
    ErrorText text_;
};
