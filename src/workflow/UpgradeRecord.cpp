#include "workflow/UpgradeRecord.h"

#include <ctime>
#include <iomanip>
#include <sstream>
#include <string_view>
#include <vector>

#include "errors/ByteText.h"
#include "errors/CError.h"
#include "errors/CErrorLog.h"
#include "errors/TextFormat.h"
#include "platform/SafeFolder.h"

namespace {

constexpr const char* kHeader =
    "date and time,port,radio identity,serial text,model code,release before,operations,attempts,final status,"
    "final status text,duration (s),backup file";
// What a spreadsheet reads as the start of a formula (a tab or CR before one is skipped by some).
constexpr const char* kFormulaStarts = "=+-@\t\r";

// A plain decimal number, as we write counts, statuses and seconds ("-1", "61.2"): no formula.
bool IsPlainNumber(std::string_view text) {
    const std::string_view digits = text.starts_with('-') ? text.substr(1) : text;
    const std::size_t point = digits.find('.');
    const std::string_view whole = digits.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? "1" : digits.substr(point + 1);
    const auto allDigits = [](std::string_view part) {
        return !part.empty() && part.find_first_not_of("0123456789") == std::string_view::npos;
    };
    return allDigits(whole) && allDigits(fraction);
}

// A field as a spreadsheet opens it safely: control bytes and bytes outside UTF-8 escaped, a text that
// a spreadsheet would take for a formula behind an apostrophe, and quoted when it holds a comma or a
// quote.
std::string CsvField(const std::string& text) {
    std::string cell = ByteText::Escaped(text);
    if (!text.empty() && std::string_view(kFormulaStarts).find(text.front()) != std::string_view::npos &&
        !IsPlainNumber(text)) {
        cell.insert(0, 1, '\'');
    }
    if (cell.find_first_of(",\"") == std::string::npos)
        return cell;
    std::string quoted = "\"";
    for (char c : cell) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted + '"';
}

std::string LocalTime(std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[32] = {};
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::string Seconds(double seconds) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(1) << seconds;
    return text.str();
}

}  // namespace

std::string UpgradeRecord::Operations(bool firmware, int codeplugMode, bool patch) {
    std::vector<std::string> parts;
    if (firmware)
        parts.push_back("firmware");
    if (codeplugMode != 0)
        parts.push_back(FormatText("codeplug %d", codeplugMode));
    if (patch)
        parts.push_back("patch");
    if (parts.empty())
        return "none";
    std::string joined = parts.front();
    for (std::size_t at = 1; at < parts.size(); ++at)
        joined += "+" + parts[at];
    return joined;
}

bool UpgradeRecord::AppendTo(const std::filesystem::path& folder) const {
    const std::string fields[] = {LocalTime(started),
                                  port,
                                  identity,
                                  serialText,
                                  modelCode,
                                  releaseBefore,
                                  operations,
                                  std::to_string(attempts),
                                  std::to_string(finalStatus),
                                  finalText,
                                  Seconds(durationSeconds),
                                  backupFile};
    std::string row;
    for (const std::string& field : fields)
        row += (row.empty() ? "" : ",") + CsvField(field);
    try {
        SafeFolder(folder).AppendLocked(kFileName, std::string(kHeader) + "\r\n", row + "\r\n");
        return true;
    } catch (const CError& error) {
        ErrorLog().Log("UpgradeRecord::AppendTo: Unable to write %s", (folder / kFileName).c_str());
        ErrorLog().Log("UpgradeRecord::AppendTo: %s", error.GetText());
        return false;
    }
}
