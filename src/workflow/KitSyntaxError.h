#pragma once

#include <cstdint>
#include <string_view>

#include "errors/CGenError.h"

class FileManager;

// A configuration block that breaks the file's rules (a line that is missing, a value too long for its
// work area): logged with its line and raised as CGenError 3 "Syntax error in patch script file : "
// followed by the block name, so the operator sees the kit, not the radio, is at fault.
[[noreturn]] void RaiseKitSyntaxError(const FileManager& config, std::string_view block, std::uint32_t line,
                                      std::string_view what);
// The same error logged and returned, for a caller that shows it itself.
CGenError KitSyntaxError(const FileManager& config, std::string_view block, std::uint32_t line,
                         std::string_view what);
