#include "cli/CodeplugCommands.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "codeplug/CodeplugBackup.h"
#include "codeplug/CodeplugReport.h"
#include "codeplug/MakeCodeplug.h"
#include "engine/CodeplugProgrammer.h"
#include "engine/SavedDataFile.h"

void CodeplugCommands::Register(CLI::App& app, Command& chosen) {
    CLI::App* codeplug = app.add_subcommand("codeplug", "Read the radio's codeplug");
    codeplug->require_subcommand(1);

    CLI::App* backup =
        codeplug->add_subcommand("backup", "Copy the radio's whole codeplug into a raw image file");
    backup->add_option("--out", backupFile_, "The file to write")->required()->type_name("FILE");
    AddLayoutOptions(*backup);
    OnChosen(backup, chosen, [this] { Backup(); });

    CLI::App* show = codeplug->add_subcommand("show", "Print the radio's codeplug pointers and blocks");
    AddLayoutOptions(*show);
    OnChosen(show, chosen, [this] { Show(); });

    CLI::App* restore = codeplug->add_subcommand(
        "restore", "Put the radio's own tuning and serial data from a backup file of radio data back");
    restore->add_option("--from", restoreFile_, "The radio data file (in the kit's backup folder)")
        ->required()
        ->type_name("FILE")
        ->check(CLI::ExistingFile);
    restore
        ->add_option("--external", external_,
                     "KDS layout: the kit's codeplug as plain S-record text, whose data give the codeplug's end")
        ->type_name("FILE")
        ->check(CLI::ExistingFile);
    restore->add_flag("--force", force_,
                      "Restore the data although the file names another radio than the one on the line");
    OnChosen(restore, chosen, [this] { Restore(); });
}

void CodeplugCommands::AddLayoutOptions(CLI::App& command) {
    command.add_option("--type", type_, "Codeplug type of the kit: 1 standard, 2 Wren, 3 KDS")
        ->capture_default_str()
        ->check(CLI::IsMember({1, 2, 3}));
    command
        .add_option(
            "--external", external_,
            "KDS layout: the kit's codeplug as plain S-record text, whose data give the codeplug's end")
        ->type_name("FILE")
        ->check(CLI::ExistingFile);
    command.add_option("--variant-code", variantCode_, "KDS layout: the radio's two-character variant code")
        ->capture_default_str()
        ->check(CLI::Validator(
            [](const std::string& code) {
                return code.size() == kVariantCodeChars ? std::string() : "a variant code has two characters";
            },
            "XX"));
    command.add_option("--mode", mode_, "KDS layout: the mode that places block 139")->capture_default_str();
}

void CodeplugCommands::ReadExternal() {
    if (!external_)
        throw CLI::RequiredError("--external FILE (the KDS layout's end comes from the kit's codeplug)");
    std::ifstream file(*external_, std::ios::binary);
    externalText_.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::unique_ptr<CCodeplug> CodeplugCommands::MakeForLayout() {
    std::unique_ptr<CCodeplug> codeplug = MakeCodeplug(type_);
    if (type_ == CCodeplug::kKdsFormat) {
        ReadExternal();
        codeplug->SetExternalCodeplug(externalText_, variantCode_);
        codeplug->SetCpMode(mode_);
    }
    return codeplug;
}

std::vector<std::uint8_t> CodeplugCommands::ReadRadio() {
    std::unique_ptr<CCodeplug> codeplug = MakeForLayout();
    codeplug->SetCommParams(link_.Port(), link_.Echo());
    codeplug->StartCpAccess(0);
    std::vector<std::uint8_t> bytes = BackupCodeplug(*codeplug);
    codeplug->StopCpAccess(0);
    return bytes;
}

void CodeplugCommands::Backup() {
    const std::vector<std::uint8_t> bytes = ReadRadio();
    std::ofstream file(backupFile_, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file)
        throw std::runtime_error("cannot write " + backupFile_.string());
    out_ << "Wrote " << bytes.size() << " bytes of codeplug to " << backupFile_.string() << '\n';
}

void CodeplugCommands::Show() {
    const std::vector<std::uint8_t> bytes = ReadRadio();
    std::unique_ptr<CCodeplug> image = MakeForLayout();
    image->ReadCpImage(bytes);
    CodeplugReport(out_).Print(*image);
}

void CodeplugCommands::Restore() {
    RadioSavedData saved = SavedDataFile::Read(restoreFile_);
    CodeplugJob job;
    job.type = saved.Layout();
    job.mode = saved.Mode();
    job.variantCode = saved.VariantCode();
    job.port = link_.Port();
    job.echo = link_.Echo();
    if (job.type == CCodeplug::kKdsFormat) {
        ReadExternal();
        job.codeplugText = &externalText_;
    }
    const std::size_t pieces = saved.Pieces().size();
    MakeCodeplugProgrammer(job, saved)->Restore(force_);
    out_ << "Restored " << pieces << " pieces of radio data from " << restoreFile_.string() << '\n';
}
