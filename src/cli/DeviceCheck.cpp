#include "cli/DeviceCheck.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <fstream>
#include <optional>
#include <sstream>
#include <system_error>

#include "platform/TermiosDevice.h"

namespace {

constexpr unsigned kGroupReadWrite = S_IRGRP | S_IWGRP;
constexpr const char* kTerminalSubsystem = "tty";
// Pseudo-terminal slaves have no entry in sysfs; /proc/devices names their major.
constexpr const char* kPseudoTerminalDriver = "pts";
constexpr const char* kCharacterDevicesHeading = "Character devices:";

std::optional<int> ProcessId(const std::string& name) {
    int pid = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), pid);
    if (error != std::errc() || end != name.data() + name.size() || pid <= 0)
        return std::nullopt;
    return pid;
}

// The entries of a folder; /proc changes while it is read, so a folder that goes away just ends the list.
std::vector<std::filesystem::path> Entries(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> entries;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        entries.push_back(entry->path());
    }
    return entries;
}

std::string FirstLine(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

bool ProcessHasGroup(gid_t group) {
    const int count = getgroups(0, nullptr);
    std::vector<gid_t> groups(static_cast<std::size_t>(std::max(count, 0)));
    if (count > 0 && getgroups(count, groups.data()) < 0)
        groups.clear();
    return getegid() == group || std::find(groups.begin(), groups.end(), group) != groups.end();
}

bool UserListedInGroup(const group& entry) {
    const passwd* user = getpwuid(geteuid());
    if (user == nullptr)
        return false;
    if (user->pw_gid == entry.gr_gid)
        return true;
    for (char** member = entry.gr_mem; member != nullptr && *member != nullptr; ++member) {
        if (std::string(*member) == user->pw_name)
            return true;
    }
    return false;
}

}  // namespace

DeviceCheck::DeviceCheck(std::filesystem::path procDir, std::filesystem::path sysDir)
    : procDir_(std::move(procDir)), sysDir_(std::move(sysDir)) {}

DeviceCheck::Facts DeviceCheck::Examine(const std::string& path) const {
    Facts facts;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        facts.exists = errno != ENOENT && errno != ENOTDIR;
        return facts;
    }
    facts.exists = true;
    facts.accessible = faccessat(AT_FDCWD, path.c_str(), R_OK | W_OK, AT_EACCESS) == 0;
    facts.mode = info.st_mode & 07777;
    facts.groupMayUse = (info.st_mode & kGroupReadWrite) == kGroupReadWrite;
    facts.inGroup = ProcessHasGroup(info.st_gid);
    if (const group* entry = getgrgid(info.st_gid)) {
        facts.group = entry->gr_name;
        facts.listedInGroup = UserListedInGroup(*entry);
    }
    if (S_ISCHR(info.st_mode)) {
        facts.terminal = IsTerminal(major(info.st_rdev), minor(info.st_rdev));
        facts.ownTerminal = TermiosDevice::IsOwnTerminal(path);
        if (facts.terminal)
            facts.holders = HoldersOf(info.st_rdev);
    }
    return facts;
}

bool DeviceCheck::IsTerminal(unsigned major, unsigned minor) const {
    std::error_code error;
    const std::filesystem::path subsystem = std::filesystem::read_symlink(
        sysDir_ / "dev" / "char" / (std::to_string(major) + ":" + std::to_string(minor)) / "subsystem",
        error);
    if (!error)
        return subsystem.filename() == kTerminalSubsystem;
    std::ifstream devices(procDir_ / "devices");
    bool inCharacterDevices = false;
    for (std::string line; std::getline(devices, line);) {
        if (line.empty()) {
            inCharacterDevices = false;
        } else if (line == kCharacterDevicesHeading) {
            inCharacterDevices = true;
        } else if (inCharacterDevices) {
            std::istringstream fields(line);
            unsigned number = 0;
            std::string driver;
            if (fields >> number >> driver && number == major && driver == kPseudoTerminalDriver)
                return true;
        }
    }
    return false;
}

// Processes of other users hide their open files from us; those are not found.
std::vector<DeviceCheck::Holder> DeviceCheck::HoldersOf(unsigned long long device) const {
    std::vector<Holder> holders;
    for (const std::filesystem::path& process : Entries(procDir_)) {
        const std::optional<int> pid = ProcessId(process.filename());
        if (!pid || *pid == getpid())
            continue;
        for (const std::filesystem::path& fd : Entries(process / "fd")) {
            struct stat info {};
            if (::stat(fd.c_str(), &info) == 0 && S_ISCHR(info.st_mode) && info.st_rdev == device) {
                holders.push_back({*pid, FirstLine(process / "comm")});
                break;
            }
        }
    }
    std::sort(holders.begin(), holders.end(), [](const Holder& a, const Holder& b) { return a.pid < b.pid; });
    return holders;
}
