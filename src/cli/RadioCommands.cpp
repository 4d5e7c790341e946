#include "cli/RadioCommands.h"

#include <array>
#include <vector>

#include "errors/ByteText.h"
#include "errors/TextFormat.h"

namespace {

enum class Shown { Hex, Bytes, Text };

// One line of "radio info": the status asked for with the buffer size the upgrade asks with, so the
// technician sees what the upgrade will see.
struct InfoItem {
    std::uint8_t code;
    const char* label;
    std::size_t bufferSize;
    Shown shown;
};

constexpr std::array<InfoItem, 8> kInfoItems = {{
    {15, "identity", 17, Shown::Hex},  // 16 bytes, written as in the kit's radio groups
    {0, "model", 525, Shown::Text},
    {3, "release", 256, Shown::Text},
    {4, "variant", 256, Shown::Text},
    {5, "power-up", 10, Shown::Bytes},
    {11, "status 11", 11, Shown::Text},
    {14, "status 14", 3, Shown::Bytes},
    {16, "status 16", 2, Shown::Bytes},
}};

std::string Shows(std::string_view data, Shown shown) {
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(data.data()),
                                              data.size());
    switch (shown) {
        case Shown::Hex:
            return ByteText::Hex(bytes, "");
        case Shown::Bytes:
            return ByteText::Hex(bytes);
        case Shown::Text:
            break;
    }
    return ByteText::Quoted(data);
}

}  // namespace

void RadioCommands::Register(CLI::App& app, Command& chosen) {
    CLI::App* radio = app.add_subcommand("radio", "Examine the attached radio");
    radio->require_subcommand(1);
    CLI::App* info = radio->add_subcommand("info", "Print the radio's identity and status data");
    OnChosen(info, chosen, [this] { Info(); });
}

void RadioCommands::Info() {
    CKwipBroker& broker = link_.Broker();
    for (const InfoItem& item : kInfoItems) {
        std::vector<char> buffer(item.bufferSize);
        const std::string_view data = broker.RadioStatusRequest(item.code, buffer);
        out_ << FormatText("%-10s (%2u)  ", item.label, static_cast<unsigned>(item.code))
             << Shows(data, item.shown) << '\n';
    }
}
