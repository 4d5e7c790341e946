#include "KitProblem.h"

#include <cstdarg>

std::string KitProblem::ToString() const {
    std::string text = file;
    if (line != 0)
        text += ":" + std::to_string(line);
    return text + ": " + message;
}

void KitProblems::Add(const std::string& file, std::uint32_t line, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    problems_.push_back({file, line, FormatTextV(format, args)});
    va_end(args);
}
