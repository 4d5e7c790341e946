#include <QApplication>
#include <filesystem>
#include <memory>

#include "app/CCorvidaApp.h"
#include "platform/CPosixPlatform.h"

// The kit is the folder the program starts in, as on the bench; the program has no options of its own.
int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvida"));
    QApplication::setDesktopFileName(QStringLiteral("corvida"));

    auto platform = std::make_unique<CPosixPlatform>();
    ComPortMap& ports = platform->ComPorts();
    CPlatform::Install(std::move(platform));

    CCorvidaApp corvida(std::filesystem::current_path(), ports, [](CUpgradeForm& form) { form.OnProgram(); });
    if (!corvida.InitInstance())
        return 1;
    QApplication::exec();
    return corvida.ExitInstance();
}
