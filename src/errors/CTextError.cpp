#include "errors/CTextError.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "errors/TextFormat.h"

void CTextError::Assign(std::int32_t code, const char* defaultText, const char* format, std::va_list args) {
    code_ = code;
    const std::string text = format != nullptr ? FormatTextV(format, args) : std::string(defaultText);
    const std::size_t length = std::min(text.size(), kCapacity - 1);
    std::memcpy(text_.data(), text.data(), length);
    text_[length] = '\0';
}

std::size_t CTextError::CopyText(std::span<char> destination) const {
    if (destination.empty())
        return 0;
    const std::size_t length = std::min(std::strlen(text_.data()), destination.size() - 1);
    std::memcpy(destination.data(), text_.data(), length);
    destination[length] = '\0';
    return length + 1;
}
