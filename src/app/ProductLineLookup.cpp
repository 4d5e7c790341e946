#include "app/ProductLineLookup.h"

#include "files/FileManager.h"
#include "files/ProductLine.h"

std::int32_t LookUpProductLine(const std::filesystem::path& kitFolder) {
    FileManager config;
    if (!config.OpenConfigFile(kitFolder / FileManager::kConfigFileName) || !config.LoadConfigFile())
        return ProductLine::kNoLine;
    return ProductLine::IdOf(config.GetProductLine());
}
