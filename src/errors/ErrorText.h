#pragma once

#include <array>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <span>

// The default text of a CCommError or CKwipError raised without one.
inline constexpr const char* kNoErrorMessageText = "No error message was received";

// The code and the one line of text that every concrete error class carries by value.
class ErrorText {
public:
    static constexpr std::size_t kCapacity = 512;  // the text and its terminating NUL

    // The text is `format` filled with `args`, or `defaultText` when the format is null.
    void Assign(std::int32_t code, const char* defaultText, const char* format, std::va_list args);

    std::int32_t Code() const { return code_; }
    const char* Text() const { return text_.data(); }

    // Copies the text and its NUL, cut to fit the destination; returns the bytes written, NUL included
    // (0 for an empty destination).
    std::size_t CopyTo(std::span<char> destination) const;

private:
    std::array<char, kCapacity> text_{};
    std::int32_t code_ = 0;
};
