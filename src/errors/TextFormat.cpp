#include "errors/TextFormat.h"

#include <algorithm>
#include <array>
#include <cstdio>

std::string FormatTextV(const char* format, std::va_list args) {
    if (format == nullptr)
        return {};
    std::array<char, kMaxFormattedLength + 1> buffer{};
    std::va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(buffer.data(), buffer.size(), format, copy);
    va_end(copy);
    // Only a format made at run time can be malformed (the compiler checks the others): the text then
    // stands as it was given rather than disappearing from the log.
    if (length < 0)
        return std::string(format, std::min(std::char_traits<char>::length(format), kMaxFormattedLength));
    return std::string(buffer.data(), std::min(static_cast<std::size_t>(length), kMaxFormattedLength));
}

std::string FormatText(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::string text = FormatTextV(format, args);
    va_end(args);
    return text;
}
