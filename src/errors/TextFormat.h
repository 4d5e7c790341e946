#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

// printf-style formatting with the subset the system's texts use: conversions d i u x X c s and %%,
// flags 0 and -, a field width, a precision (the most characters of s, the fewest digits of a number),
// and the l, ll and h size prefixes. Anything else is copied as it stands. A formatted text longer than
// kMaxFormattedLength characters is cut there, so it always fits a 512-byte message buffer.

#if defined(__GNUC__)
#define CORVIDA_PRINTF(formatIndex, firstArgIndex) __attribute__((format(printf, formatIndex, firstArgIndex)))
#else
#define CORVIDA_PRINTF(formatIndex, firstArgIndex)
#endif

inline constexpr std::size_t kMaxFormattedLength = 511;

std::string FormatText(const char* format, ...) CORVIDA_PRINTF(1, 2);
std::string FormatTextV(const char* format, std::va_list args);
