#include "Commands.h"

#include <algorithm>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "FirmwareTrailer.h"
#include "ImageScan.h"
#include "KitBuilder.h"
#include "KitCipher.h"
#include "KitConfig.h"
#include "KitFolder.h"
#include "KitLauncher.h"
#include "KitLinter.h"
#include "KitPrinter.h"
#include "errors/ByteText.h"
#include "files/SRecord.h"

namespace Commands {
namespace {

// Bytes that look like an image without being anyone's code: the seed text, a zero, then a
// xorshift sequence seeded from the text.
std::vector<std::uint8_t> DemoBytes(std::string_view seed, std::uint32_t size) {
    std::vector<std::uint8_t> bytes(seed.begin(), seed.end());
    bytes.push_back(0);
    std::uint64_t state = 0xCBF29CE484222325u;
    for (const char c : seed)
        state = (state ^ static_cast<std::uint8_t>(c)) * 0x100000001B3u;
    while (bytes.size() < size) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        bytes.push_back(static_cast<std::uint8_t>(state >> 24));
    }
    bytes.resize(size);
    return bytes;
}

template <typename Action>
int Guarded(Streams io, Action action) {
    try {
        return action();
    } catch (const std::exception& error) {
        io.err << "kittool: " << ByteText::Escaped(error.what()) << "\n";
        return kFailed;
    }
}

}  // namespace

std::optional<std::string> ResolveKey(const KeyChoice& key, Streams io) {
    if (key.text)
        return *key.text;
    if (key.programKey)
        return std::string(kProgramKey);
    if (key.kit) {
        KitFolder kit(*key.kit);
        if (!kit.HasConfig()) {
            io.err << "kittool: " << (*key.kit / FileManager::kConfigFileName).string() << " is "
                   << DescribeFailure(kit.ConfigFailure()) << "\n";
            return std::nullopt;
        }
        return kit.KitKey();
    }
    io.err << "kittool: choose a key: --program-key, --kit DIR or --key TEXT\n";
    return std::nullopt;
}

// A deciphered-looking file is almost never all printable.
bool LooksLikeSRecords(std::string_view text) {
    const auto printable = [](char c) { return c == '\r' || c == '\n' || (c >= ' ' && c <= '~'); };
    return text.starts_with('S') && std::all_of(text.begin(), text.end(), printable);
}

int Encrypt(const std::filesystem::path& in, const std::filesystem::path& out, const KeyChoice& key,
            Streams io) {
    return Guarded(io, [&] {
        const std::optional<std::string> keyText = ResolveKey(key, io);
        if (!keyText)
            return kFailed;
        WriteWholeFile(out, KitCipher::Encipher(ReadWholeFile(in), *keyText));
        return kSuccess;
    });
}

int Decrypt(const std::filesystem::path& in, const std::filesystem::path& out, const KeyChoice& key, bool raw,
            Streams io) {
    return Guarded(io, [&] {
        const std::optional<std::string> keyText = ResolveKey(key, io);
        if (!keyText)
            return kFailed;
        std::string plain;
        if (!KitCipher::Decipher(ReadWholeFile(in), *keyText, plain)) {
            io.err << "kittool: " << in.string() << " is not a multiple of 8 bytes long\n";
            return kFailed;
        }
        if (!raw)
            plain.resize(std::min(plain.size(), plain.find('\0')));
        WriteWholeFile(out, plain);
        return kSuccess;
    });
}

int Build(const std::filesystem::path& sources, const std::filesystem::path& output, Streams io) {
    return Guarded(io, [&] {
        for (const std::string& name : KitBuilder().Build(sources, output))
            io.out << name << "\n";
        return kSuccess;
    });
}

int Show(const std::filesystem::path& kitPath, Streams io) {
    KitFolder kit(kitPath);
    if (!kit.HasConfig()) {
        io.err << "kittool: " << (kitPath / FileManager::kConfigFileName).string() << " is "
               << DescribeFailure(kit.ConfigFailure()) << "\n";
        return kFailed;
    }
    // Every text of the kit is shown escaped: a kit could otherwise steer the terminal.
    std::ostringstream printed;
    KitPrinter(printed).Print(KitConfig::Read(kit.Config()));
    io.out << ByteText::Escaped(printed.str(), ByteText::LineFeeds::kKeep);
    return kSuccess;
}

int Lint(const std::filesystem::path& kitPath, Streams io) {
    KitFolder kit(kitPath);
    const std::vector<KitProblem> problems = KitLinter(kit).Run();
    for (const KitProblem& problem : problems)
        io.out << ByteText::Escaped(problem.ToString()) << "\n";
    if (problems.empty())
        io.out << "no problems found\n";
    return problems.empty() ? kSuccess : kProblemsFound;
}

int Image(const std::filesystem::path& file, const KeyChoice& key,
          const std::optional<std::filesystem::path>& rawOut, Streams io) {
    return Guarded(io, [&] {
        std::string text = ReadWholeFile(file);
        text.resize(std::min(text.size(), text.find('\0')));
        if (!LooksLikeSRecords(text)) {
            KeyChoice choice = key;
            if (!choice.programKey && !choice.kit && !choice.text)
                choice.kit = file.parent_path();
            const std::optional<std::string> keyText = ResolveKey(choice, io);
            if (!keyText)
                return kFailed;
            const KitFileResult result = ReadKitFile(file, *keyText, KitFileKind::kFirmware);
            if (!result.Ok()) {
                io.err << "kittool: " << file.string() << " is " << DescribeFailure(result.failure) << "\n";
                return kFailed;
            }
            text = result.Text();
        }
        const ImageScan scan = ImageScan::Of(text);
        io.out << "records:                  " << scan.recordCount << "\n"
               << "first record data bytes:  " << scan.firstRecordDataLength << "\n"
               << "image length:             " << scan.image.size() << " bytes\n";
        for (const ImageScan::Fault& fault : scan.faults)
            io.out << "line " << fault.line << ": " << ByteText::Escaped(fault.message) << "\n";
        if (rawOut) {
            WriteWholeFile(*rawOut, std::string_view(reinterpret_cast<const char*>(scan.image.data()),
                                                     scan.image.size()));
        }
        return scan.faults.empty() && scan.imageComplete ? kSuccess : kProblemsFound;
    });
}

int Launcher(const std::filesystem::path& kitPath, const std::optional<std::filesystem::path>& output,
             Streams io) {
    KitFolder kit(kitPath);
    if (!kit.HasConfig()) {
        io.err << "kittool: " << (kitPath / FileManager::kConfigFileName).string() << " is "
               << DescribeFailure(kit.ConfigFailure()) << "\n";
        return kFailed;
    }
    const KitConfig::Kit config = KitConfig::Read(kit.Config());
    const KitLauncher launcher(kitPath, config.version[0].text, config.version[1].text);
    return Guarded(io, [&] {
        std::filesystem::path file;
        if (output) {
            file = *output;
        } else {
            const std::filesystem::path folder = KitLauncher::UserApplicationsFolder();
            if (folder.empty()) {
                io.err
                    << "kittool: neither XDG_DATA_HOME nor HOME names your applications folder; give -o FILE\n";
                return kFailed;
            }
            std::filesystem::create_directories(folder);
            file = folder / launcher.FileName();
        }
        WriteWholeFile(file, launcher.DesktopEntry());
        io.out << file.string() << "\n";
        return kSuccess;
    });
}

int WriteSRecordFile(const std::filesystem::path& out, const SRecordSource& source,
                     const SRecordLayout& layout, Streams io) {
    return Guarded(io, [&] {
        std::vector<std::uint8_t> bytes;
        if (source.from) {
            const std::string content = ReadWholeFile(*source.from);
            bytes.assign(content.begin(), content.end());
        } else {
            bytes = DemoBytes(source.seed, source.size);
        }
        if (source.checkValue)
            FirmwareTrailer::Seal(bytes);
        WriteWholeFile(out, WriteSRecords(bytes, layout));
        return kSuccess;
    });
}

}  // namespace Commands
