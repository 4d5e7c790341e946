#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

// printf-style formatting (the C library's vsnprintf), which covers the wsprintf subset the system's
// texts use; the compiler checks every format against its arguments. A format that vsnprintf refuses is
// given back as it stands. A formatted text longer than kMaxFormattedLength characters is cut there, so
// it always fits a 512-byte message buffer.

#if defined(__GNUC__)
#define CORVIDA_PRINTF(formatIndex, firstArgIndex) __attribute__((format(printf, formatIndex, firstArgIndex)))
#else
#define CORVIDA_PRINTF(formatIndex, firstArgIndex)
#endif

inline constexpr std::size_t kMaxFormattedLength = 511;

std::string FormatText(const char* format, ...) CORVIDA_PRINTF(1, 2);
std::string FormatTextV(const char* format, std::va_list args);
