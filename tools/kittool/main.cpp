#include <CLI/CLI.hpp>
#include <iostream>
#include <map>

#include "CodeplugCommands.h"
#include "Commands.h"

namespace {

// The options every codeplug command takes: the file, how to read it, and the layout.
void AddCodeplugInput(CLI::App& command, Commands::CodeplugInput& input);

void AddKeyOptions(CLI::App& command, Commands::KeyChoice& key) {
    auto* program = command.add_flag("--program-key", key.programKey, "use the program key (patcher.dat)");
    auto* kit = command.add_option("--kit", key.kit, "use the kit key of the kit in this folder")
                    ->check(CLI::ExistingDirectory);
    auto* text = command.add_option("--key", key.text, "use this text as the key");
    program->excludes(kit, text);
    kit->excludes(text);
}

void AddCodeplugInput(CLI::App& command, Commands::CodeplugInput& input) {
    command
        .add_option("IMAGE", input.file, "the codeplug: S-record text (plain or enciphered) or a raw image")
        ->required()
        ->check(CLI::ExistingFile);
    command.add_flag("--raw", input.raw, "take the file as a raw image");
    command.add_option("--type", input.type, "codeplug type: 1 standard, 2 Wren, 3 KDS")
        ->capture_default_str()
        ->check(CLI::IsMember({1, 2, 3}));
    command
        .add_option("--external", input.external, "KDS: the kit's codeplug file, whose data give pointers")
        ->check(CLI::ExistingFile);
    command.add_option("--variant-code", input.variantCode, "KDS: the radio's two-character variant code")
        ->capture_default_str();
    command.add_option("--mode", input.mode, "KDS: the mode that places block 139")->capture_default_str();
    AddKeyOptions(command, input.key);
}

void AddFieldOptions(CLI::App& command, Commands::CodeplugField& field) {
    command.add_option("BLOCK", field.block, "block id, decimal or 0x hex")->required();
    // The KDS tuning block 0x8000 keeps the standard format: it has lists and entries.
    command.add_option("LIST", field.list, "list number (the variants' own blocks ignore it)")->required();
    command.add_option("ENTRY", field.entry, "entry number (the variants' own blocks ignore it)")->required();
    command
        .add_option("OFFSET", field.offset,
                    "byte offset within the entry (the variants' own blocks: the block)")
        ->required();
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"kittool: builds, deciphers, inspects and lints Corvida upgrade kits"};
    app.require_subcommand(1);
    const Commands::Streams io{std::cout, std::cerr};
    int status = Commands::kSuccess;

    std::filesystem::path in, out, kit, file;
    Commands::KeyChoice key;
    bool raw = false;
    std::optional<std::filesystem::path> rawOut;

    auto* encrypt = app.add_subcommand("encrypt", "encipher a file (padded with zeros to a multiple of 8)");
    encrypt->add_option("IN", in)->required()->check(CLI::ExistingFile);
    encrypt->add_option("OUT", out)->required();
    AddKeyOptions(*encrypt, key);
    encrypt->callback([&] { status = Commands::Encrypt(in, out, key, io); });

    auto* decrypt = app.add_subcommand("decrypt", "decipher a file; the text ends at its first zero byte");
    decrypt->add_option("IN", in)->required()->check(CLI::ExistingFile);
    decrypt->add_option("OUT", out)->required();
    decrypt->add_flag("--raw", raw, "write every deciphered byte, zero bytes included");
    AddKeyOptions(*decrypt, key);
    decrypt->callback([&] { status = Commands::Decrypt(in, out, key, raw, io); });

    auto* build = app.add_subcommand("build", "build an enciphered kit from plain sources");
    build->add_option("SRC", in, "folder with patcher.txt and the kit's other files")
        ->required()
        ->check(CLI::ExistingDirectory);
    build->add_option("OUT", out, "the kit folder to write")->required();
    build->callback([&] { status = Commands::Build(in, out, io); });

    auto* show = app.add_subcommand("show", "print a kit's configuration");
    show->add_option("KIT", kit)->required()->check(CLI::ExistingDirectory);
    show->callback([&] { status = Commands::Show(kit, io); });

    auto* lint =
        app.add_subcommand("lint", "report every problem the program would meet with a kit (exit 1 if any)");
    lint->add_option("KIT", kit)->required()->check(CLI::ExistingDirectory);
    lint->callback([&] { status = Commands::Lint(kit, io); });

    auto* image = app.add_subcommand("image", "the byte image of a plain or enciphered S-record file");
    image->add_option("FILE", file)->required()->check(CLI::ExistingFile);
    image->add_option("-o,--output", rawOut, "write the image's bytes to this file");
    AddKeyOptions(*image, key);
    image->callback([&] { status = Commands::Image(file, key, rawOut, io); });

    auto* launcher = app.add_subcommand(
        "launcher", "write a desktop entry that starts corvida in a kit's folder, named with its title");
    launcher->add_option("KITDIR", kit, "the installed kit")->required()->check(CLI::ExistingDirectory);
    launcher->add_option("-o,--output", rawOut,
                         "the entry to write (default: your applications folder, where the menu finds it)");
    launcher->callback([&] { status = Commands::Launcher(kit, rawOut, io); });

    Commands::SRecordSource source;
    SRecordLayout layout;
    std::string lineEnd = "crlf";
    auto* srec =
        app.add_subcommand("srec", "write an S-record file from a binary, or a deterministic demo image");
    srec->add_option("OUT", out)->required();
    auto* from = srec->add_option("--from", source.from, "the binary to convert")->check(CLI::ExistingFile);
    auto* size = srec->add_option("--size", source.size, "bytes of demo image to make");
    from->excludes(size);
    srec->add_option("--seed", source.seed, "text that starts the demo image and seeds its bytes");
    srec->add_option("--address", layout.address, "load address of the first byte");
    srec->add_option("--record-bytes", layout.recordBytes, "data bytes per record");
    srec->add_option("--type", layout.type, "1 for S1 (16-bit addresses), 2 for S2 (24-bit), 3 for S3 (32-bit)")
        ->check(CLI::IsMember({1, 2, 3}));
    srec->add_flag("--check-value", source.checkValue,
                   "end the image with the CRC-32 of the bytes before, as demo firmware carries it");
    srec->add_option("--absolute-from", layout.windowFrom,
                     "records from this offset on carry absolute flash addresses (0x400000 and up)");
    srec->add_option("--line-end", lineEnd, "crlf, lf or cr")->check(CLI::IsMember({"crlf", "lf", "cr"}));
    srec->callback([&] {
        static const std::map<std::string, std::string_view> kLineEnds = {
            {"crlf", "\r\n"}, {"lf", "\n"}, {"cr", "\r"}};
        layout.lineEnd = kLineEnds.at(lineEnd);
        status = Commands::WriteSRecordFile(out, source, layout, io);
    });

    auto* codeplug = app.add_subcommand("codeplug", "inspect and change codeplug images");
    codeplug->require_subcommand(1);
    Commands::CodeplugInput cpInput;
    Commands::CodeplugField field;
    auto* cpShow = codeplug->add_subcommand("show", "the pointers and every block with its checksums");
    AddCodeplugInput(*cpShow, cpInput);
    cpShow->callback([&] { status = Commands::CodeplugShow(cpInput, io); });

    std::uint32_t length = 1;
    auto* cpGet = codeplug->add_subcommand("get", "print a field's bytes");
    AddCodeplugInput(*cpGet, cpInput);
    AddFieldOptions(*cpGet, field);
    cpGet->add_option("LENGTH", length, "bytes to print")
        ->capture_default_str()
        ->check(CLI::Range(1, 0xFFFF));
    cpGet->callback([&] { status = Commands::CodeplugGet(cpInput, field, length, io); });

    std::string bytes;
    auto* cpSet =
        codeplug->add_subcommand("set", "write a field, keeping the checksums, into a new raw image");
    AddCodeplugInput(*cpSet, cpInput);
    AddFieldOptions(*cpSet, field);
    cpSet->add_option("BYTES", bytes, "the field's new bytes in hex, e.g. 0A1B")->required();
    cpSet->add_option("-o,--output", out, "the raw image to write")->required();
    cpSet->callback([&] { status = Commands::CodeplugSet(cpInput, field, bytes, out, io); });

    std::string model;
    SRecordLayout cpLayout;
    auto* cpDemo = codeplug->add_subcommand("demo", "write the S-record text of a demo radio's codeplug");
    cpDemo->add_option("MODEL", model, "KX400S-EU, KX400-EU, KX400S, KX400 or KX600")->required();
    cpDemo->add_option("OUT", out)->required();
    cpDemo->add_option("--record-bytes", cpLayout.recordBytes, "data bytes per record")
        ->capture_default_str();
    cpDemo->callback([&] { status = Commands::CodeplugDemo(model, out, cpLayout, io); });

    CLI11_PARSE(app, argc, argv);
    return status;
}
