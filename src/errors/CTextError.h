#pragma once

#include <array>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <span>

#include "errors/CError.h"

// The default text of a CCommError or CKwipError raised without one.
inline constexpr const char* kNoErrorMessageText = "No error message was received";

// The code and the one line of text that every concrete error class carries by value. The concrete
// classes derive from this one side by side, so none of them is a kind of another.
class CTextError : public CError {
public:
    static constexpr std::size_t kCapacity = 512;  // the text and its terminating NUL

    std::int32_t GetCode() const override { return code_; }
    // Copies the text and its NUL, cut to fit the destination; returns the bytes written, NUL included
    // (0 for an empty destination).
    std::size_t CopyText(std::span<char> destination) const override;
    const char* GetText() const override { return text_.data(); }

protected:
    CTextError() = default;

    // The text is `format` filled with `args`, or `defaultText` when the format is null.
    void Assign(std::int32_t code, const char* defaultText, const char* format, std::va_list args);

private:
    std::array<char, kCapacity> text_{};
    std::int32_t code_ = 0;
};
