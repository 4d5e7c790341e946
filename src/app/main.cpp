#include <QApplication>
#include <QCommandLineParser>
#include <filesystem>
#include <memory>

#include "app/CCorvidaApp.h"
#include "platform/CPosixPlatform.h"

// The kit is the folder the program starts in, as on the bench; the program has no options of its own
// beyond the usual --help and --version.
int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("corvida"));
    QApplication::setApplicationVersion(QStringLiteral(CORVIDA_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("corvida"));

    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral(
        "Upgrades a two-way radio on a serial port with the upgrade kit in the current folder."));
    options.addHelpOption();
    options.addVersionOption();
    options.process(application);

    auto platform = std::make_unique<CPosixPlatform>();
    ComPortMap& ports = platform->ComPorts();
    CPlatform::Install(std::move(platform));

    CCorvidaApp corvida(std::filesystem::current_path(), ports, [](CUpgradeForm& form) { form.OnProgram(); });
    if (!corvida.InitInstance())
        return 1;
    QApplication::exec();
    return corvida.ExitInstance();
}
