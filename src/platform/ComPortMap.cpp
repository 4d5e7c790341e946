#include "platform/ComPortMap.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <fstream>
#include <set>
#include <system_error>

namespace fs = std::filesystem;

namespace {

struct DeviceFamily {
    const char* name;
    unsigned firstPort;
    bool needsUart;  // the kernel makes ttyS nodes whether or not a UART answers behind them
};

constexpr unsigned kPortsPerFamily = 32;
constexpr std::array<DeviceFamily, 3> kFamilies = {{
    {"ttyS", 1, true},
    {"ttyUSB", 33, false},
    {"ttyACM", 65, false},
}};

// How far up from a tty's sysfs device to look for the USB device that names the adapter.
constexpr int kMaxDescriptionLevels = 4;
constexpr const char* kUnknownUartType = "0";

std::string FirstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back())))
        line.pop_back();
    return line;
}

fs::path Resolved(const fs::path& path) {
    std::error_code ignored;
    const fs::path resolved = fs::weakly_canonical(path, ignored);
    return resolved.empty() ? path : resolved;
}

bool Exists(const fs::path& path) {
    std::error_code ignored;
    return fs::exists(path, ignored);
}

}  // namespace

ComPortMap::ComPortMap(fs::path deviceDir, fs::path ttyClassDir)
    : deviceDir_(std::move(deviceDir)), ttyClassDir_(std::move(ttyClassDir)) {}

std::optional<std::string> ComPortMap::ConventionalName(unsigned port) {
    for (const DeviceFamily& family : kFamilies) {
        if (port >= family.firstPort && port < family.firstPort + kPortsPerFamily) {
            return family.name + std::to_string(port - family.firstPort);
        }
    }
    return std::nullopt;
}

std::string ComPortMap::PathFor(unsigned port) const {
    if (const auto found = overrides_.find(port); found != overrides_.end())
        return found->second;
    if (const std::optional<std::string> name = ConventionalName(port))
        return (deviceDir_ / *name).string();
    return {};
}

void ComPortMap::SetOverride(unsigned port, std::string path) {
    overrides_[port] = std::move(path);
}

void ComPortMap::RemoveOverride(unsigned port) {
    overrides_.erase(port);
}

std::vector<ComPortInfo> ComPortMap::ListPorts() const {
    std::vector<ComPortInfo> ports;
    std::set<fs::path> listed;
    for (const auto& [number, path] : overrides_) {
        if (!Exists(path))
            continue;
        ports.push_back({number, path, DescriptionOf(path)});
        listed.insert(Resolved(path));
    }
    for (const DeviceFamily& family : kFamilies) {
        for (unsigned index = 0; index < kPortsPerFamily; ++index) {
            const unsigned number = family.firstPort + index;
            const std::string name = family.name + std::to_string(index);
            const fs::path path = deviceDir_ / name;
            if (overrides_.count(number) != 0 || !IsPresent(name, family.needsUart))
                continue;
            if (listed.count(Resolved(path)) != 0)
                continue;
            ports.push_back({number, path.string(), DescriptionOf(path)});
        }
    }
    std::sort(ports.begin(), ports.end(),
              [](const ComPortInfo& a, const ComPortInfo& b) { return a.number < b.number; });
    return ports;
}

bool ComPortMap::IsPresent(const std::string& name, bool needsUart) const {
    if (!Exists(deviceDir_ / name) || !Exists(ttyClassDir_ / name))
        return false;
    if (!needsUart)
        return true;
    const std::string uartType = FirstLine(ttyClassDir_ / name / "type");
    return !uartType.empty() && uartType != kUnknownUartType;
}

std::string ComPortMap::DescriptionOf(const fs::path& device) const {
    const fs::path sysDevice = ttyClassDir_ / Resolved(device).filename() / "device";
    if (!Exists(sysDevice))
        return {};
    fs::path level = Resolved(sysDevice);
    for (int step = 0; step < kMaxDescriptionLevels; ++step, level = level.parent_path()) {
        const std::string product = FirstLine(level / "product");
        if (product.empty())
            continue;
        const std::string maker = FirstLine(level / "manufacturer");
        return maker.empty() ? product : maker + " " + product;
    }
    return {};
}
