#include "cli/UpgradeCommands.h"

#include <cstdlib>
#include <stdexcept>

#include "app/CCorvidaDoc.h"
#include "app/ProductLineLookup.h"
#include "cli/ConsoleMessageBox.h"
#include "cli/ConsoleProgress.h"
#include "cli/ConsoleUpgradeView.h"
#include "errors/ByteText.h"
#include "errors/TextFormat.h"
#include "workflow/CUpgradeForm.h"
#include "workflow/UpgradeRecord.h"

namespace {

bool Given(const CLI::App* app, const char* option) {
    return app->get_option(option)->count() > 0;
}

bool Set(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0';
}

// A codeplug file is named only where the kit would write it into this radio.
bool CodeplugProgrammed(const VerifiedRadio& radio) {
    return radio.options.upgradePermitted && radio.options.codeplugMode != 0 && radio.codeplugText;
}

}  // namespace

void UpgradeCommands::Register(CLI::App& app, Command& chosen) {
    root_ = &app;
    CLI::App* identify = app.add_subcommand(
        "identify", "Verify the radio against a kit and show what an upgrade would do; nothing is written");
    AddKitOptions(identify);
    identify->add_flag("--yes", yes_, "Answer every question OK without asking");
    OnChosen(identify, chosen, [this] { Identify(); });

    CLI::App* program = app.add_subcommand(
        "program",
        "Upgrade the radio with a kit, as the Program button does; exit status 0 when it succeeded");
    AddKitOptions(program);
    program->add_option("--rate", rate_, "The flash rate, answering the flash-rate dialog")
        ->type_name("19200|38400|115200")
        ->check(CLI::IsMember({19200u, 38400u, 115200u}));
    program->add_flag(
        "--yes", yes_,
        "Answer every question OK without asking; a failed attempt is retried at most --retries "
        "times, then cancelled. The bootstrap-mode instructions are printed, and the radio's loader is "
        "listened for while the radio is put in bootstrap mode (see --bootstrap-wait)");
    program->add_option("--retries", retries_, "With --yes: how many retries to accept (default 2)")
        ->type_name("N")
        ->check(CLI::NonNegativeNumber);
    program
        ->add_option("--bootstrap-wait", bootstrapWaitSeconds_,
                     "With --yes: how long to listen for the radio's loader after the bootstrap-mode "
                     "instructions, in seconds (default 60)")
        ->type_name("SECONDS")
        ->check(CLI::Range(0u, kMaxBootstrapWaitSeconds));
    OnChosen(program, chosen, [this] { Program(); });
}

void UpgradeCommands::AddKitOptions(CLI::App* command) {
    command->add_option("--kit", kit_, "The kit's folder, which holds patcher.dat")
        ->type_name("DIR")
        ->required()
        ->check(CLI::ExistingDirectory);
    command->add_flag("--no-echo", noEcho_, "The line runs without the ZUB interface box");
}

void UpgradeCommands::ApplyLine(CCorvidaDoc& document) {
    if (Given(root_, "--echo") && noEcho_)
        throw CLI::ValidationError("--no-echo", "--echo and --no-echo exclude each other");
    document.SetEchoSettingName("--echo/--no-echo");
    if (Given(root_, "--port") || Given(root_, "--device") || Set(RadioLink::kPortVariable) ||
        Set(RadioLink::kDeviceVariable)) {
        const unsigned port = link_.Port();
        document.SetPort(static_cast<int>(port));
        if (port == RadioLink::kDevicePort)
            document.SetDevicePath(ports_.PathFor(port));
    }
    if (Given(root_, "--echo") || noEcho_)
        document.SetEcho(noEcho_ ? 0 : 1);
}

void UpgradeCommands::StartForm(CUpgradeForm& form, const ConsoleUpgradeView& view) {
    form.FormStart();
    if (!form.ConfigurationLoaded() || view.QuitStatus())
        throw std::runtime_error("the kit cannot be used");
}

void UpgradeCommands::Identify() {
    CCorvidaDoc document(kit_);
    ApplyLine(document);
    ConsoleUpgradeView view(out_, std::nullopt);
    if (yes_)
        console_.AnswerForTheOperator(retries_);
    CUpgradeForm form(document, view, LookUpProductLine(kit_));
    StartForm(form, view);
    if (!form.VerifyRadio())
        throw std::runtime_error("the radio may not be programmed with this kit");
    PrintRadio(form);
    if (!form.Radio().options.upgradePermitted)
        throw std::runtime_error("the kit permits no upgrade of this radio");
    if (!form.PowerUpCheckPasses())
        throw std::runtime_error("the radio may not be programmed");
    out_ << "The radio may be programmed with this kit.\n";
}

void UpgradeCommands::PrintRadio(const CUpgradeForm& form) {
    const VerifiedRadio& radio = form.Radio();
    const UpgradeOptions& options = radio.options;
    out_ << "identity    " << ByteText::Hex(radio.identity, "") << '\n'
         << "release     " << ByteText::Escaped(radio.release) << '\n'
         << "serial      " << ByteText::Escaped(radio.serialText) << '\n'
         << "group       " << radio.group << '\n'
         << "model entry " << radio.modelIndex << '\n'
         << "model code  " << ByteText::Escaped(options.modelCode) << '\n'
         << "codeplug    " << (CodeplugProgrammed(radio) ? ByteText::Escaped(radio.codeplugFile) : "none")
         << '\n'
         << "operations  "
         << (options.upgradePermitted ? UpgradeRecord::Operations(options.flashFirmware, options.codeplugMode,
                                                                  options.patchCodeplug)
                                      : "upgrade not permitted")
         << '\n';
}

void UpgradeCommands::Program() {
    CCorvidaDoc document(kit_);
    ApplyLine(document);
    ConsoleUpgradeView view(out_, rate_);
    ConsoleProgress progress(progress_, ConsoleProgress::ErrorIsTerminal());
    if (yes_) {
        console_.AnswerForTheOperator(retries_);
        // Nobody is at the radio before the instructions are answered: it is put in bootstrap mode now.
        document.SetBootstrapWaitMs(bootstrapWaitSeconds_ * kMsPerSecond);
    }
    CUpgradeForm form(document, view, LookUpProductLine(kit_));
    StartForm(form, view);
    form.OnProgram();
    const ProgramOutcome& outcome = form.LastOutcome();
    if (outcome.Succeeded())
        return;
    if (view.QuitStatus())
        throw std::runtime_error("the kit's boot code is missing; the desktop application would end here");
    switch (outcome.end) {
        case ProgramOutcome::End::NotPermitted:
            throw std::runtime_error("the kit permits no upgrade of this radio");
        case ProgramOutcome::End::Cancelled:
            throw std::runtime_error("cancelled before anything was sent to the radio");
        case ProgramOutcome::End::EngineRan:
            throw std::runtime_error(FormatText("the upgrade did not succeed after %d attempt%s",
                                                outcome.attempts, outcome.attempts == 1 ? "" : "s"));
        case ProgramOutcome::End::NotStarted:
        case ProgramOutcome::End::PortUnavailable:
            break;
    }
    throw std::runtime_error("the radio was not programmed");
}
