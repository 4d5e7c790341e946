#include "workflow/UpgradeRecord.h"

#include <ctime>
#include <iomanip>
#include <sstream>
#include <vector>

#include "errors/CError.h"
#include "errors/CErrorLog.h"
#include "errors/TextFormat.h"
#include "platform/SafeFolder.h"

namespace {

constexpr const char* kHeader =
    "date and time,port,radio identity,serial text,model code,release before,operations,attempts,final status,"
    "final status text,duration (s),backup file";

// A field as CSV wants it: quoted when it holds a comma, a quote or a line end.
std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
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
