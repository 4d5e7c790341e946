#include "KitBuilder.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "KitCipher.h"
#include "KitFolder.h"

std::string ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read " + path.string());
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

void WriteWholeFile(const std::filesystem::path& path, std::string_view content) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!file)
        throw std::runtime_error("cannot write " + path.string());
}

std::vector<std::string> KitBuilder::Build(const std::filesystem::path& sources,
                                           const std::filesystem::path& output) const {
    const std::string plainConfig = ReadWholeFile(sources / kPlainConfigName);
    FileManager config;
    config.LoadText(plainConfig);
    const std::string kitKey = KitKeyOf(config);
    if (kitKey.empty())
        throw std::runtime_error(std::string(kPlainConfigName) + " names no kit key");

    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(sources)) {
        if (entry.is_directory())
            throw std::runtime_error("a kit holds no folders: " + entry.path().string());
        files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());

    std::filesystem::create_directories(output);
    std::vector<std::string> written;
    for (const std::filesystem::path& file : files) {
        const bool isConfig = file.filename() == kPlainConfigName;
        const std::string name = isConfig ? FileManager::kConfigFileName : file.filename().string();
        WriteWholeFile(output / name,
                       KitCipher::Encipher(ReadWholeFile(file), isConfig ? programKey_ : kitKey));
        written.push_back(name);
    }
    return written;
}
