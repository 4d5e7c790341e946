#include "cli/UpgradeCommands.h"

#include <cstdlib>
#include <stdexcept>

#include "app/CCorvidaDoc.h"
#include "app/PortOverrides.h"
#include "app/ProductLineLookup.h"
#include "cli/ByteText.h"
#include "cli/ConsoleUpgradeView.h"
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

}  // namespace

void UpgradeCommands::Register(CLI::App& app, Command& chosen) {
    root_ = &app;
    CLI::App* identify = app.add_subcommand(
        "identify", "Verify the radio against a kit and show what an upgrade would do; nothing is written");
    identify->add_option("--kit", kit_, "The kit's folder, which holds patcher.dat")
        ->type_name("DIR")
        ->required()
        ->check(CLI::ExistingDirectory);
    identify->add_flag("--no-echo", noEcho_, "The line runs without the ZUB interface box");
    OnChosen(identify, chosen, [this] { Identify(); });
}

void UpgradeCommands::ApplyLine(CCorvidaDoc& document) {
    if (Given(root_, "--echo") && noEcho_)
        throw CLI::ValidationError("--no-echo", "--echo and --no-echo exclude each other");
    PortOverrides::LoadInto(ports_);
    if (Given(root_, "--port") || Given(root_, "--device") || Set(RadioLink::kPortVariable) ||
        Set(RadioLink::kDeviceVariable))
        document.SetPort(static_cast<int>(link_.Port()));
    if (Given(root_, "--echo") || noEcho_)
        document.SetEcho(noEcho_ ? 0 : 1);
}

void UpgradeCommands::Identify() {
    CCorvidaDoc document(kit_);
    ApplyLine(document);
    ConsoleUpgradeView view(out_, std::nullopt);
    CUpgradeForm form(document, view, LookUpProductLine(kit_));
    form.FormStart();
    if (!form.ConfigurationLoaded() || view.QuitStatus())
        throw std::runtime_error("the kit cannot be used");
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
         << "release     " << radio.release << '\n'
         << "serial      " << radio.serialText << '\n'
         << "group       " << radio.group << '\n'
         << "model entry " << radio.modelIndex << '\n'
         << "model code  " << options.modelCode << '\n'
         << "codeplug    " << (radio.codeplugText ? radio.codeplugFile : "none") << '\n'
         << "operations  "
         << (options.upgradePermitted ? UpgradeRecord::Operations(options.flashFirmware, options.codeplugMode,
                                                                  options.patchCodeplug)
                                      : "upgrade not permitted")
         << '\n';
}
