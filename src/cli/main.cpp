#include <iostream>
#include <memory>

#include "cli/CliApp.h"
#include "platform/CPosixPlatform.h"

int main(int argc, char** argv) {
    auto platform = std::make_unique<CPosixPlatform>();
    CPosixPlatform& installed = *platform;
    CPlatform::Install(std::move(platform));
    return CliApp(installed, std::cin, std::cout, std::cerr).Run(argc, argv);
}
