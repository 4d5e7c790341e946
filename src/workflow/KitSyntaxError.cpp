#include "workflow/KitSyntaxError.h"

#include <string>

#include "errors/CErrorLog.h"
#include "files/FileManager.h"

CGenError KitSyntaxError(const FileManager& config, std::string_view block, std::uint32_t line,
                         std::string_view what) {
    const std::string blockName(block);
    const std::string detail(what);
    ErrorLog().Log("CUpgradeForm: %s, line %u of the configuration file: %s", blockName.c_str(),
                   static_cast<unsigned>(config.TextLineNumber(line)), detail.c_str());
    return CGenError(3, "Syntax error in patch script file : %s", blockName.c_str());
}

void RaiseKitSyntaxError(const FileManager& config, std::string_view block, std::uint32_t line,
                         std::string_view what) {
    throw KitSyntaxError(config, block, line, what);
}
