#include "ConfigLineChecker.h"

#include <cstdarg>
#include <string>

#include "files/HexDigits.h"

namespace {

constexpr const char* kConfigFile = FileManager::kConfigFileName;

}  // namespace

void ConfigLineChecker::Report(std::uint32_t line, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    const std::string message = FormatTextV(format, args);
    va_end(args);
    problems_.Add(kConfigFile, line, "%s", message.c_str());
}

void ConfigLineChecker::CheckCount(const KitConfig::CountedLines& counted, const char* what) {
    const std::uint32_t present = static_cast<std::uint32_t>(counted.lines.size()) -
                                  (!counted.lines.empty() && !counted.lines.back().present ? 1 : 0);
    std::uint32_t inBlock = present;
    for (std::uint32_t i = 0; i < present; ++i) {
        if (KitConfig::IsBlockHeader(counted.lines[i].text)) {
            inBlock = i;
            break;
        }
    }
    if (inBlock < counted.count) {
        Report(counted.countLine.fileLine, "the count of %s is %u, but the block holds %u", what,
               counted.count, inBlock);
    } else if (counted.surplus > 0) {
        Report(counted.surplusLine, "the count of %s is %u, but %u more lines follow it", what, counted.count,
               counted.surplus);
    }
}

bool ConfigLineChecker::CheckNumber(const KitConfig::Line& line, std::uint32_t f, const char* what,
                                    std::uint64_t limit) {
    if (!line.present)
        return false;
    if (f > line.fields.size()) {
        Report(line.fileLine, "field %u (%s) is missing", f, what);
        return false;
    }
    const std::string& text = line.fields[f - 1];
    if (!HexDigits::IsUpperHex(text)) {
        Report(line.fileLine, "field %u (%s) \"%s\" holds characters other than 0-9 and A-F", f, what,
               text.c_str());
    } else if (text.size() % 2 != 0) {
        Report(line.fileLine, "field %u (%s) \"%s\" has an odd number of digits; the last is ignored", f,
               what, text.c_str());
    } else if (text.size() > kMaxNumberDigits) {
        Report(line.fileLine, "field %u (%s) \"%s\" has more than 8 digits; only the last 8 count", f, what,
               text.c_str());
    } else {
        std::uint64_t value = 0;
        for (const char c : text)
            value = value << 4 | *HexDigits::Strict(c);
        if (value > limit) {
            Report(line.fileLine, "field %u (%s) is 0x%llX, over its limit 0x%llX", f, what,
                   static_cast<unsigned long long>(value), static_cast<unsigned long long>(limit));
        }
    }
    return true;
}
