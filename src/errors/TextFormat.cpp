#include "errors/TextFormat.h"

#include <cctype>
#include <cstdint>

namespace {

enum class SizePrefix { None, Short, Long, LongLong };

struct FieldSpec {
    bool leftAlign = false;
    bool zeroPad = false;
    int width = 0;
    int precision = -1;
    SizePrefix size = SizePrefix::None;
};

int ParseNumber(const char*& cursor) {
    int value = 0;
    while (std::isdigit(static_cast<unsigned char>(*cursor))) {
        value = value * 10 + (*cursor - '0');
        if (value > 100000)
            value = 100000;  // no field can be wider than the text anyway
        ++cursor;
    }
    return value;
}

FieldSpec ParseFieldSpec(const char*& cursor, std::va_list& args) {
    FieldSpec spec;
    for (;; ++cursor) {
        if (*cursor == '-') {
            spec.leftAlign = true;
        } else if (*cursor == '0') {
            spec.zeroPad = true;
        } else {
            break;
        }
    }
    if (*cursor == '*') {
        spec.width = va_arg(args, int);
        if (spec.width < 0) {
            spec.leftAlign = true;
            spec.width = -spec.width;
        }
        ++cursor;
    } else {
        spec.width = ParseNumber(cursor);
    }
    if (*cursor == '.') {
        ++cursor;
        spec.precision = ParseNumber(cursor);
    }
    if (*cursor == 'h') {
        spec.size = SizePrefix::Short;
        ++cursor;
    } else if (*cursor == 'l') {
        ++cursor;
        spec.size = SizePrefix::Long;
        if (*cursor == 'l') {
            spec.size = SizePrefix::LongLong;
            ++cursor;
        }
    }
    return spec;
}

void AppendPadded(std::string& out, const std::string& body, const FieldSpec& spec, bool numeric) {
    const std::size_t width = static_cast<std::size_t>(spec.width);
    if (body.size() >= width) {
        out += body;
        return;
    }
    const std::size_t fill = width - body.size();
    if (spec.leftAlign) {
        out += body;
        out.append(fill, ' ');
    } else if (spec.zeroPad && numeric) {
        // Zeros go between the sign and the digits.
        const bool signed_ = !body.empty() && body[0] == '-';
        if (signed_)
            out += '-';
        out.append(fill, '0');
        out.append(body, signed_ ? 1 : 0);
    } else {
        out.append(fill, ' ');
        out += body;
    }
}

std::string Digits(std::uint64_t value, unsigned base, bool upper, int precision) {
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string reversed;
    do {
        reversed += digits[value % base];
        value /= base;
    } while (value != 0);
    while (precision >= 0 && reversed.size() < static_cast<std::size_t>(precision))
        reversed += '0';
    return {reversed.rbegin(), reversed.rend()};
}

std::int64_t SignedArgument(SizePrefix size, std::va_list& args) {
    switch (size) {
        case SizePrefix::Long:
            return va_arg(args, long);
        case SizePrefix::LongLong:
            return va_arg(args, long long);
        case SizePrefix::Short:
            return static_cast<short>(va_arg(args, int));
        case SizePrefix::None:
            break;
    }
    return va_arg(args, int);
}

std::uint64_t UnsignedArgument(SizePrefix size, std::va_list& args) {
    switch (size) {
        case SizePrefix::Long:
            return va_arg(args, unsigned long);
        case SizePrefix::LongLong:
            return va_arg(args, unsigned long long);
        case SizePrefix::Short:
            return static_cast<unsigned short>(va_arg(args, unsigned));
        case SizePrefix::None:
            break;
    }
    return va_arg(args, unsigned);
}

// Appends one conversion; returns false when the character is no conversion we know.
bool AppendConversion(std::string& out, char conversion, const FieldSpec& spec, std::va_list& args) {
    switch (conversion) {
        case 'd':
        case 'i': {
            const std::int64_t value = SignedArgument(spec.size, args);
            const std::uint64_t magnitude =
                value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
            AppendPadded(out, (value < 0 ? "-" : "") + Digits(magnitude, 10, false, spec.precision), spec,
                         true);
            return true;
        }
        case 'u':
            AppendPadded(out, Digits(UnsignedArgument(spec.size, args), 10, false, spec.precision), spec,
                         true);
            return true;
        case 'x':
        case 'X':
            AppendPadded(out,
                         Digits(UnsignedArgument(spec.size, args), 16, conversion == 'X', spec.precision),
                         spec, true);
            return true;
        case 'c':
            AppendPadded(out, std::string(1, static_cast<char>(va_arg(args, int))), spec, false);
            return true;
        case 's': {
            const char* text = va_arg(args, const char*);
            std::string body = text != nullptr ? text : "(null)";
            if (spec.precision >= 0 && body.size() > static_cast<std::size_t>(spec.precision)) {
                body.resize(static_cast<std::size_t>(spec.precision));
            }
            AppendPadded(out, body, spec, false);
            return true;
        }
        default:
            return false;
    }
}

}  // namespace

std::string FormatTextV(const char* format, std::va_list args) {
    std::string out;
    if (format == nullptr)
        return out;
    std::va_list cursorArgs;
    va_copy(cursorArgs, args);
    const char* cursor = format;
    while (*cursor != '\0' && out.size() <= kMaxFormattedLength) {
        if (*cursor != '%') {
            out += *cursor++;
            continue;
        }
        const char* conversionStart = cursor++;
        if (*cursor == '%') {
            out += '%';
            ++cursor;
            continue;
        }
        const FieldSpec spec = ParseFieldSpec(cursor, cursorArgs);
        if (*cursor == '\0') {
            out.append(conversionStart, cursor);
            break;
        }
        if (!AppendConversion(out, *cursor, spec, cursorArgs)) {
            out.append(conversionStart, cursor + 1);
        }
        ++cursor;
    }
    va_end(cursorArgs);
    if (out.size() > kMaxFormattedLength)
        out.resize(kMaxFormattedLength);
    return out;
}

std::string FormatText(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::string text = FormatTextV(format, args);
    va_end(args);
    return text;
}
