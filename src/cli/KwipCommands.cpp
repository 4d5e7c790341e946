#include "cli/KwipCommands.h"

#include <vector>

#include "cli/CliArgument.h"
#include "errors/ByteText.h"
#include "errors/TextFormat.h"

namespace {

constexpr unsigned kMaxStatusCode = 255;  // the code travels as one byte

// Positionals are checked as they are read, so the command converts them without a second check.
unsigned NumberOf(const std::string& text) {
    return CliArgument::Number(text).value_or(0);
}
unsigned HexNumberOf(const std::string& text) {
    return CliArgument::HexNumber(text).value_or(0);
}

}  // namespace

void KwipCommands::Register(CLI::App& app, Command& chosen) {
    const CLI::Validator statusCode = CliArgument::NumberIn(0, kMaxStatusCode);
    const CLI::Validator address = CliArgument::HexNumberUpTo(CKwipBroker::kMaxAddress);
    CLI::App* kwip = app.add_subcommand("kwip", "Single KWIP requests to the radio, for support");
    kwip->require_subcommand(1);

    CLI::App* status = kwip->add_subcommand("status", "Ask for a radio status and print its data");
    status->add_option("CODE", code_, "Status code")->required()->type_name("N")->check(statusCode);
    status->add_option("--size", size_, "Buffer size in bytes, the NUL included")
        ->capture_default_str()
        ->type_name("N")
        ->check(CliArgument::NumberIn(1, kDefaultStatusSize));
    OnChosen(status, chosen, [this] { Status(); });

    CLI::App* read = kwip->add_subcommand("read", "Read radio memory and print it");
    read->add_option("ADDRESS", address_, "Address in hex")->required()->type_name("HEX")->check(address);
    read->add_option("COUNT", count_, "Bytes to read")
        ->required()
        ->type_name("N")
        ->check(CliArgument::NumberIn(0, static_cast<unsigned>(CKwipBroker::kMaxReadCount)));
    OnChosen(read, chosen, [this] { Read(); });

    CLI::App* write = kwip->add_subcommand("write", "Write bytes into radio memory");
    write->add_option("ADDRESS", address_, "Address in hex")->required()->type_name("HEX")->check(address);
    write->add_option("DATA", data_, "The bytes in hex, e.g. AABB")
        ->required()
        ->type_name("HEX")
        ->check(CliArgument::HexByteString());
    OnChosen(write, chosen, [this] { Write(); });

    CLI::App* reset = kwip->add_subcommand("reset", "Reset the radio");
    OnChosen(reset, chosen, [this] { Reset(); });
}

void KwipCommands::Status() {
    std::vector<char> buffer(NumberOf(size_));
    const std::string_view text =
        link_.Broker().RadioStatusRequest(static_cast<std::uint8_t>(NumberOf(code_)), buffer);
    if (text.empty()) {
        out_ << "(no data)\n";
        return;
    }
    ByteText::Dump(out_, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}, 0);
}

void KwipCommands::Read() {
    const unsigned address = HexNumberOf(address_);
    std::vector<std::uint8_t> data(NumberOf(count_));
    link_.Broker().ReadRequest(address, data);
    ByteText::Dump(out_, data, address);
}

void KwipCommands::Write() {
    const unsigned address = HexNumberOf(address_);
    const std::vector<std::uint8_t> data = CliArgument::HexBytes(data_).value_or(std::vector<std::uint8_t>{});
    link_.Broker().WriteRequest(address, data);
    out_ << FormatText("Wrote %u bytes at %06X", static_cast<unsigned>(data.size()), address) << '\n';
}

void KwipCommands::Reset() {
    link_.Broker().ResetRequest();
    out_ << "Reset acknowledged\n";
}
