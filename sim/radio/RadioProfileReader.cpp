#include "radio/RadioProfileReader.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <utility>

#include "DemoCodeplugs.h"
#include "radio/ImageFile.h"

namespace {

constexpr std::uint64_t kNsPerUs = 1'000;
constexpr std::uint64_t kNsPerMs = 1'000'000;
constexpr unsigned kMaxByte = 0xFF;

struct Line {
    std::string key;
    std::string argument;
    std::string value;
};

// What the lines gather before the profile can be finished: the codeplug is sized and poked at the end.
struct Reading {
    RadioProfile profile;
    std::vector<std::filesystem::path> folders;
    std::optional<std::size_t> codeplugBytes;
    std::vector<std::pair<unsigned, std::vector<std::uint8_t>>> pokes;
    bool codeplugFile = false;
    std::optional<std::string> demoModel;
    DemoCodeplugs::DemoRadioData radioData;
    bool radioDataGiven = false;
};

std::string Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = text.find_last_not_of(" \t\r");
    return std::string(text.substr(first, last - first + 1));
}

// A comment runs from a # outside quotes, at the start or after a blank, to the end of the line; the #
// of a fault (write#3) is no comment.
std::string WithoutComment(std::string_view text) {
    bool quoted = false;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '\\' && quoted) {
            ++at;
        } else if (text[at] == '"') {
            quoted = !quoted;
        } else if (text[at] == '#' && !quoted && (at == 0 || text[at - 1] == ' ' || text[at - 1] == '\t')) {
            return std::string(text.substr(0, at));
        }
    }
    return std::string(text);
}

Line Split(const std::string& text) {
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos)
        throw std::invalid_argument("a line is key = value");
    Line line;
    std::istringstream words(text.substr(0, equals));
    std::string extra;
    words >> line.key >> line.argument >> extra;
    if (line.key.empty() || !extra.empty())
        throw std::invalid_argument("a key takes at most one argument");
    line.value = Trimmed(std::string_view(text).substr(equals + 1));
    if (line.value.empty())
        throw std::invalid_argument("no value for " + line.key);
    return line;
}

unsigned Number(const std::string& text, int base = 10) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        throw std::invalid_argument("not a number: " + text);
    return value;
}

std::uint8_t HexDigitsValue(char high, char low) {
    if (!std::isxdigit(static_cast<unsigned char>(high)) || !std::isxdigit(static_cast<unsigned char>(low)))
        throw std::invalid_argument(std::string("not hex: ") + high + low);
    return static_cast<std::uint8_t>(Number(std::string{high, low}, 16));
}

std::vector<std::uint8_t> QuotedBytes(const std::string& value) {
    if (value.size() < 2 || value.back() != '"')
        throw std::invalid_argument("an unclosed quote: " + value);
    std::vector<std::uint8_t> bytes;
    for (std::size_t at = 1; at + 1 < value.size(); ++at) {
        if (value[at] != '\\') {
            bytes.push_back(static_cast<std::uint8_t>(value[at]));
            continue;
        }
        if (at + 2 >= value.size())
            throw std::invalid_argument("an escape at the end: " + value);
        const char escaped = value[++at];
        if (escaped == 'x') {
            if (at + 3 >= value.size())
                throw std::invalid_argument("\\x takes two hex digits: " + value);
            bytes.push_back(HexDigitsValue(value[at + 1], value[at + 2]));
            at += 2;
        } else if (escaped == '"' || escaped == '\\') {
            bytes.push_back(static_cast<std::uint8_t>(escaped));
        } else {
            throw std::invalid_argument(std::string("no such escape: \\") + escaped);
        }
    }
    return bytes;
}

std::vector<std::uint8_t> Bytes(const std::string& value) {
    if (value.front() == '"')
        return QuotedBytes(value);
    std::string digits;
    std::copy_if(value.begin(), value.end(), std::back_inserter(digits), [](char c) { return c != ' '; });
    if (digits.size() % 2 != 0)
        throw std::invalid_argument("an odd number of hex digits: " + value);
    std::vector<std::uint8_t> bytes;
    for (std::size_t at = 0; at < digits.size(); at += 2)
        bytes.push_back(HexDigitsValue(digits[at], digits[at + 1]));
    return bytes;
}

std::uint8_t ByteNumber(const std::string& text, int base) {
    const unsigned value = Number(text, base);
    if (value > kMaxByte)
        throw std::invalid_argument("more than a byte: " + text);
    return static_cast<std::uint8_t>(value);
}

std::filesystem::path Find(const std::string& name, const std::vector<std::filesystem::path>& folders) {
    const std::filesystem::path path(name);
    if (path.is_absolute())
        return path;
    for (const std::filesystem::path& folder : folders) {
        if (std::filesystem::exists(folder / path))
            return folder / path;
    }
    throw std::invalid_argument("no file " + name + " beside the profile or in the search folders");
}

std::vector<std::uint8_t> Image(const Line& line, const Reading& reading, ImageFile::Placement placement) {
    try {
        return ImageFile::Read(Find(line.value, reading.folders), placement);
    } catch (const std::runtime_error& error) {
        throw std::invalid_argument(error.what());
    }
}

using Setter = std::function<void(const Line&, Reading&)>;

struct Key {
    const char* name;
    bool takesArgument;
    Setter set;
};

Setter Nanoseconds(std::uint64_t RadioLatencies::*field, std::uint64_t unitNs) {
    return [field, unitNs](const Line& line, Reading& reading) {
        reading.profile.latencies.*field = Number(line.value) * unitNs;
    };
}

Setter Announcement(std::uint64_t LoaderAnnouncement::*field) {
    return [field](const Line& line, Reading& reading) {
        reading.profile.announcement.*field = Number(line.value) * kNsPerMs;
    };
}

const std::vector<Key>& Keys() {
    static const std::vector<Key> keys = {
        {"name", false, [](const Line& line, Reading& reading) { reading.profile.name = line.value; }},
        {"controller", false,
         [](const Line& line, Reading& reading) {
             if (line.value != "ZR5" && line.value != "Q7")
                 throw std::invalid_argument("the controller is ZR5 or Q7");
             reading.profile.controller = line.value == "ZR5" ? Controller::ZR5 : Controller::Q7;
         }},
        {"flash_kib", false,
         [](const Line& line, Reading& reading) {
             reading.profile.flashBytes = std::size_t{Number(line.value)} * RadioProfile::kKiB;
         }},
        {"status", true,
         [](const Line& line, Reading& reading) {
             reading.profile.statuses[ByteNumber(line.argument, 10)] = Bytes(line.value);
         }},
        {"codeplug", false,
         [](const Line& line, Reading& reading) {
             reading.profile.codeplug = Image(line, reading, ImageFile::Placement::ByAddress);
             reading.codeplugFile = true;
         }},
        {"codeplug_demo", false,
         [](const Line& line, Reading& reading) {
             DemoCodeplugs::Find(line.value);
             reading.demoModel = line.value;
         }},
        {"serial", false,
         [](const Line& line, Reading& reading) {
             if (line.value.size() > DemoCodeplugs::kSerialNumberBytes)
                 throw std::invalid_argument("a serial number has at most 11 characters: " + line.value);
             reading.radioData.serialNumber = line.value;
             reading.radioDataGiven = true;
         }},
        {"regional_id", false,
         [](const Line& line, Reading& reading) {
             reading.radioData.regionalId = ByteNumber(line.value, 16);
             reading.radioDataGiven = true;
         }},
        {"tuning_seed", false,
         [](const Line& line, Reading& reading) {
             reading.radioData.tuningSeed = Number(line.value);
             reading.radioDataGiven = true;
         }},
        {"codeplug_bytes", false,
         [](const Line& line, Reading& reading) { reading.codeplugBytes = Number(line.value); }},
        {"poke", true,
         [](const Line& line, Reading& reading) {
             reading.pokes.emplace_back(Number(line.argument, 16), Bytes(line.value));
         }},
        {"firmware", false,
         [](const Line& line, Reading& reading) {
             reading.profile.firmware = Image(line, reading, ImageFile::Placement::ByAddress);
         }},
        {"release_in_flash", false,
         [](const Line& line, Reading& reading) {
             std::istringstream words(line.value);
             std::string offset;
             std::string length;
             words >> offset >> length;
             reading.profile.releaseInFlash = ReleaseLocation{Number(offset, 16), Number(length)};
         }},
        {"firmware_check", false,
         [](const Line& line, Reading& reading) {
             if (line.value != "crc32" && line.value != "none")
                 throw std::invalid_argument("firmware_check crc32 or none");
             reading.profile.firmwareCheckValue = line.value == "crc32";
         }},
        {"bootcode", true,
         [](const Line& line, Reading& reading) {
             reading.profile.bootcodes.push_back(
                 {Image(line, reading, ImageFile::Placement::InFileOrder), Number(line.argument)});
         }},
        {"bootstrap_baud", false,
         [](const Line& line, Reading& reading) { reading.profile.bootstrapBaud = Number(line.value); }},
        {"sync", false,
         [](const Line& line, Reading& reading) {
             reading.profile.syncCharacter = ByteNumber(line.value, 16);
         }},
        {"announce", false,
         [](const Line& line, Reading& reading) {
             if (line.value != "pulse" && line.value != "break")
                 throw std::invalid_argument("announce pulse or break");
             reading.profile.announcement.kind =
                 line.value == "pulse" ? LoaderAnnouncement::Kind::Pulse : LoaderAnnouncement::Kind::Break;
         }},
        {"break_ms", false, Announcement(&LoaderAnnouncement::breakNs)},
        {"announce_repeat_ms", false, Announcement(&LoaderAnnouncement::repeatNs)},
        {"ack_us", false, Nanoseconds(&RadioLatencies::ackNs, kNsPerUs)},
        {"reply_us", false, Nanoseconds(&RadioLatencies::replyNs, kNsPerUs)},
        {"erase_ms", false, Nanoseconds(&RadioLatencies::eraseNs, kNsPerMs)},
        {"restart_ms", false, Nanoseconds(&RadioLatencies::restartNs, kNsPerMs)},
        {"loader_answer_us", false, Nanoseconds(&RadioLatencies::loaderAnswerNs, kNsPerUs)},
        {"bootcode_start_ms", false, Nanoseconds(&RadioLatencies::bootcodeStartNs, kNsPerMs)},
        {"fault", false,
         [](const Line& line, Reading& reading) {
             reading.profile.faults.push_back(ScheduledFault::Parse(line.value));
         }},
    };
    return keys;
}

void Apply(const Line& line, Reading& reading) {
    const auto& keys = Keys();
    const auto key = std::find_if(keys.begin(), keys.end(), [&](const Key& k) { return line.key == k.name; });
    if (key == keys.end())
        throw std::invalid_argument("no such key: " + line.key);
    if (key->takesArgument == line.argument.empty()) {
        throw std::invalid_argument(key->takesArgument ? line.key + " takes an argument before the ="
                                                       : line.key + " takes no argument");
    }
    key->set(line, reading);
}

// A demo codeplug: the demo kit's image of the model, with this radio's serial number, regional id and
// tuning where codeplug programming preserves them.
void BuildDemoCodeplug(Reading& reading) {
    if (reading.radioDataGiven && !reading.demoModel)
        throw std::invalid_argument("serial, regional_id and tuning_seed belong to a codeplug_demo");
    if (!reading.demoModel)
        return;
    if (reading.codeplugFile)
        throw std::invalid_argument("a codeplug file and a codeplug_demo both");
    reading.profile.codeplug =
        DemoCodeplugs::Build(DemoCodeplugs::Find(*reading.demoModel), reading.radioData).bytes;
}

void Finish(Reading& reading) {
    BuildDemoCodeplug(reading);
    std::vector<std::uint8_t>& codeplug = reading.profile.codeplug;
    if (reading.codeplugBytes) {
        if (codeplug.size() > *reading.codeplugBytes)
            throw std::invalid_argument("the codeplug image is larger than codeplug_bytes");
        codeplug.resize(*reading.codeplugBytes, ImageFile::kGapByte);
    }
    for (const auto& [address, bytes] : reading.pokes) {
        if (address > codeplug.size() || bytes.size() > codeplug.size() - address)
            throw std::invalid_argument("a poke lies outside the codeplug");
        std::copy(bytes.begin(), bytes.end(), codeplug.begin() + address);
    }
    reading.profile.Check();
}

}  // namespace

RadioProfile RadioProfileReader::Read(const std::filesystem::path& path) const {
    std::ifstream file(path);
    if (!file)
        throw std::runtime_error("cannot read " + path.string());
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return Parse(text, path.string(), path.parent_path());
}

RadioProfile RadioProfileReader::Parse(std::string_view text, const std::string& name) const {
    return Parse(text, name, std::nullopt);
}

RadioProfile RadioProfileReader::Parse(std::string_view text, const std::string& name,
                                       const std::optional<std::filesystem::path>& folder) const {
    Reading reading;
    if (folder)
        reading.folders.push_back(folder->empty() ? std::filesystem::path(".") : *folder);
    reading.folders.insert(reading.folders.end(), searchFolders_.begin(), searchFolders_.end());
    std::istringstream lines{std::string(text)};
    std::string raw;
    for (int number = 1; std::getline(lines, raw); ++number) {
        const std::string content = Trimmed(WithoutComment(raw));
        if (content.empty())
            continue;
        try {
            Apply(Split(content), reading);
        } catch (const std::invalid_argument& error) {
            throw std::runtime_error(name + ":" + std::to_string(number) + ": " + error.what());
        }
    }
    try {
        Finish(reading);
    } catch (const std::invalid_argument& error) {
        throw std::runtime_error(name + ": " + error.what());
    }
    return std::move(reading.profile);
}
