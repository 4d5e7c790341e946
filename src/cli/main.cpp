#include <iostream>
#include <memory>

#include "cli/CliApp.h"
#include "platform/CPosixPlatform.h"

int main(int argc, char** argv) {
    auto platform = std::make_unique<CPosixPlatform>();
    ComPortMap& ports = platform->ComPorts();
    CPlatform::Install(std::move(platform));
    return CliApp(ports, std::cin, std::cout, std::cerr).Run(argc, argv);
}
