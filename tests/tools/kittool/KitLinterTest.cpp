#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "KitBuilder.h"
#include "KitLinter.h"
#include "SRecordWriter.h"
#include "TempDir.h"

namespace {

std::vector<KitProblem> LintKit(const std::filesystem::path& path) {
    KitFolder kit(path);
    return KitLinter(kit).Run();
}

std::string Describe(const std::vector<KitProblem>& problems) {
    std::string text;
    for (const KitProblem& problem : problems)
        text += problem.ToString() + "\n";
    return text;
}

// The 1-based line of the first line of `text` that equals `line`.
std::uint32_t LineOf(const std::string& text, const std::string& line) {
    const std::size_t at = ("\n" + text).find("\n" + line + "\n");
    if (at == std::string::npos)
        return 0;
    return static_cast<std::uint32_t>(
               std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), '\n')) +
           1;
}

void Replace(std::string& text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
}

TEST(KitLinterTest, TheDemoKitIsClean) {
    const std::vector<KitProblem> problems = LintKit(CORVIDA_DEMO_KIT);
    EXPECT_TRUE(problems.empty()) << Describe(problems);
}

TEST(KitLinterTest, AMissingConfigurationIsOneProblem) {
    TempDir empty;
    const std::vector<KitProblem> problems = LintKit(empty.Path());
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].file, "patcher.dat");
}

TEST(KitLinterTest, CountsPastTheDataStopAtItsEnd) {
    // Every count at its largest: each block's lines end at the next header or the end of the data.
    const std::string config =
        "PATCH-D01.01.07\nT\nD\nkey\n01\nPRODUCT_LINE\nBASIC\n"
        "RADIO_GROUP_REGION\nG\nb1\nb2\nb3\nFFFFFFFF\n"
        "VERIFICATION_BLOCK\nFFFFFFFF\n"
        "MODEL_MATCHING_BLOCK\nFFFFFFFF\nFFFFFFFF\nX,000000000,0000000000,00,00,01,#,n\n"
        "RADIO_MATCHING_BLOCK\nFFFFFFFF\n*,01,00,00,01\n"
        "PATCHER_DATA_BLOCK\n99,00,00,0000,00,00\n";
    TempDir empty;
    KitFolder kit = KitFolder::WithPlainConfig(empty.Path(), config);
    const std::string problems = Describe(KitLinter(kit).Run());
    for (const char* words :
         {"patcher.dat:13: the count of radio identities is 4294967295, but the block holds 0",
          "the count of verification entries is 4294967295, but the block holds 0",
          "the count of matching rows is 4294967295, but the block holds 1"}) {
        EXPECT_NE(problems.find(words), std::string::npos) << words << "\n" << problems;
    }
}

class BrokenKitTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::copy(CORVIDA_DEMO_KIT_PLAIN, sources_.Path(),
                              std::filesystem::copy_options::recursive);
        config_ = sources_.ReadFile("patcher.txt");
    }

    void Plant(const std::string& from, const std::string& to) { Replace(config_, from, to); }

    void CorruptImage(const std::string& name, std::size_t line) {
        std::string text = sources_.ReadFile(name);
        std::size_t at = 0;
        for (std::size_t n = 1; n < line; ++n)
            at = text.find('\n', at) + 1;
        text[at + 12] = text[at + 12] == '0' ? '1' : '0';  // a data digit
        sources_.WriteFile(name, text);
    }

    std::vector<KitProblem> BuildAndLint() {
        sources_.WriteFile("patcher.txt", config_);
        KitBuilder().Build(sources_.Path(), kit_.Path());
        return LintKit(kit_.Path());
    }

    TempDir sources_;
    TempDir kit_;
    std::string config_;
};

struct Expected {
    std::string file;
    std::uint32_t line;
    std::string words;
};

TEST_F(BrokenKitTest, EachPlantedFaultIsReportedWithItsFileAndLine) {
    Plant("*,01,01,00,01\nPATCHER", "R02.10,01,01,00,01\nPATCHER");                // no "*" row
    Plant("50,00,31,0000,00,00\n99,00,00,0000,00,00\n", "50,00,31,0000,00,00\n");  // no 99 record
    Plant("30,01,00,0003,0C,00", "40,01,00,0003,0C,00");                           // unknown opcode
    Plant("KX-400 portables (ZR5 controller)\nzr5_19k2.s19\nzr5_38k4.s19\nzr5_115k.s19\n02",
          "KX-400 portables (ZR5 controller)\nzr5_19k2.s19\nzr5_38k4.s19\nzr5_115k.s19\n03");  // count
    Plant("VERIFICATION_BLOCK\n02\n", "VERIFICATION_BLOCK\n01\n");     // count too small
    Plant("0B,00,00,00,00,*", "0B,00,00,00,0Z,*");                     // non-hex digit
    Plant("30,01,00,0003,0C,04", "30,01,00,0003,010C,04");             // operand over 8 bits
    Plant("3A7C0E915B2D4F60A8E1C47B9D0652F3", std::string(102, 'A'));  // over 100 characters
    Plant("\nVOLANTE\n", "\nVOLANT\n");                                // unknown product line
    std::filesystem::remove(sources_.Path() / "zr5_38k4.s19");         // missing file
    CorruptImage("q7_38k4.s19", 1);                                    // bad first record
    CorruptImage("fw_256k", 1000);                                     // bad later record

    BuildAndLint();
    std::filesystem::resize_file(kit_.Path() / "q7_19k2.s19", 6701);  // not a multiple of 8
    const std::vector<KitProblem> all = LintKit(kit_.Path());

    const std::string& c = config_;
    auto has = [&](const std::string& file, std::uint32_t line, const std::string& words) {
        return std::any_of(all.begin(), all.end(), [&](const KitProblem& p) {
            return p.file == file && (line == 0 || p.line == line) &&
                   p.message.find(words) != std::string::npos;
        });
    };
    const std::uint32_t secondMatching = LineOf(c, "R02.10,01,01,00,01") - 2;
    const std::uint32_t lastSection = LineOf(c, "50,00,31,0000,00,00");
    const std::uint32_t firstCount = LineOf(c, "zr5_115k.s19") + 1;
    const std::uint32_t secondVerification = LineOf(c, "04,00,00,00,02,Q8");
    const Expected table[] = {
        {"patcher.dat", secondMatching, "no \"*\" row"},
        {"patcher.dat", lastSection, "no 99 record"},
        {"patcher.dat", LineOf(c, "40,01,00,0003,0C,00"), "unknown patch opcode 40"},
        {"patcher.dat", firstCount, "the count of radio identities is 3, but the block holds 2"},
        {"patcher.dat", secondVerification,
         "the count of verification entries is 1, but 1 more lines follow it"},
        {"patcher.dat", LineOf(c, "0B,00,00,00,0Z,*"), "characters other than 0-9 and A-F"},
        {"patcher.dat", LineOf(c, "30,01,00,0003,010C,04"), "over its limit 0xFF"},
        {"patcher.dat", LineOf(c, std::string(102, 'A')), "the program refuses more than 100"},
        {"patcher.dat", LineOf(c, "VOLANT"), "not in the product-line table"},
        {"zr5_38k4.s19", 0, "missing"},
        {"q7_38k4.s19", 1, "first record is not a valid"},
        {"fw_256k", 1000, "wrong checksum"},
        {"q7_19k2.s19", 0, "not a multiple of 8"},
    };
    for (const Expected& fault : table) {
        EXPECT_TRUE(has(fault.file, fault.line, fault.words))
            << fault.file << ":" << fault.line << " " << fault.words << "\n"
            << Describe(all);
    }
}

// A name that would leave the kit folder is reported at its line and never opened; a file too large for
// its kind is reported without being read.
TEST_F(BrokenKitTest, FileNamesAndSizesTheProgramRefusesAreReported) {
    Plant("\nzr5_38k4.s19\n", "\n../zr5_38k4.s19\n");
    Plant("\nzr5_115k.s19\n", "\n/etc/passwd\n");
    Plant("\nq7_38k4.s19\n", "\n..\n");
    Plant(",kx600.s19,", ",sub/kx600.s19,");
    BuildAndLint();
    std::filesystem::resize_file(kit_.Path() / "kx400.s19", 2 * 1024 * 1024 + 8);
    const std::vector<KitProblem> all = LintKit(kit_.Path());

    const Expected table[] = {
        {"patcher.dat", LineOf(config_, "../zr5_38k4.s19"),
         "the boot-code file name \"../zr5_38k4.s19\" holds a path separator"},
        {"patcher.dat", LineOf(config_, "/etc/passwd"),
         "the boot-code file name \"/etc/passwd\" is an absolute path"},
        {"patcher.dat", LineOf(config_, ".."), "the boot-code file name \"..\" is \".\" or \"..\""},
        {"patcher.dat", LineOf(config_, "KX600,000000000,0000000000,00,00,01,sub/kx600.s19,KX-600 mobile"),
         "the codeplug file name \"sub/kx600.s19\" holds a path separator"},
        {"kx400.s19", 0, "the file has more than 2097152 bytes, the most a codeplug file may have"},
    };
    for (const Expected& fault : table) {
        EXPECT_EQ(std::count_if(all.begin(), all.end(),
                                [&](const KitProblem& p) {
                                    return p.file == fault.file && p.line == fault.line &&
                                           p.message.find(fault.words) != std::string::npos;
                                }),
                  1)
            << fault.file << ":" << fault.line << " " << fault.words << "\n"
            << Describe(all);
    }
    for (const KitProblem& problem : all)
        EXPECT_EQ(problem.file.find('/'), std::string::npos) << "a refused name was opened\n"
                                                             << Describe(all);
}

TEST_F(BrokenKitTest, CodeplugsAreCheckedAsTheEngineAndThePatcherUseThem) {
    Plant("30,01,00,0004,01,01", "30,01,00,0009,01,01");  // past the scan-list entry's 8 bytes
    // A codeplug whose A0 lies past its 64 bytes.
    sources_.WriteFile("kx600.s19", WriteSRecords(std::vector<std::uint8_t>(64, 0x7F), {}));
    const std::vector<KitProblem> all = BuildAndLint();
    const auto has = [&](const std::string& file, std::uint32_t line, const std::string& words) {
        return std::any_of(all.begin(), all.end(), [&](const KitProblem& p) {
            return p.file == file && p.line == line && p.message.find(words) != std::string::npos;
        });
    };
    EXPECT_TRUE(has("patcher.dat", LineOf(config_, "30,01,00,0009,01,01"),
                    "with block 002C as kx400s_eu.s19 holds it, the patcher fails here: "
                    "\"The requested list is out of range\""))
        << Describe(all);
    EXPECT_TRUE(has("kx600.s19", 0, "the codeplug's pointers cannot be derived in codeplug type 1"))
        << Describe(all);
    EXPECT_EQ(all.size(), 3u) << "the record once per codeplug of its model entry, the pointers once\n"
                              << Describe(all);
}

TEST_F(BrokenKitTest, ACodeplugWhoseRecordsDoNotRunOnFromAddressZeroIsReported) {
    // The program ignores record addresses, so a missing or a swapped record shifts every byte after it.
    const auto editRecords = [&](const std::string& name, auto edit) {
        std::vector<std::string> lines;
        std::istringstream text(sources_.ReadFile(name));
        for (std::string line; std::getline(text, line);)
            lines.push_back(line + "\n");
        edit(lines);
        sources_.WriteFile(name, std::accumulate(lines.begin(), lines.end(), std::string()));
    };
    editRecords("kx600.s19", [](std::vector<std::string>& lines) { std::swap(lines[1], lines[2]); });
    editRecords("kx400.s19", [](std::vector<std::string>& lines) { lines.erase(lines.begin() + 1); });
    CorruptImage("kx400s.s19", 2);  // a damaged record is reported as such, and shifts nothing after it
    const std::vector<KitProblem> all = BuildAndLint();
    EXPECT_FALSE(std::any_of(all.begin(), all.end(), [](const KitProblem& p) {
        return p.file == "kx400s.s19" && p.message.find("lands at offset") != std::string::npos;
    })) << Describe(all);
    for (const char* file : {"kx600.s19", "kx400.s19"}) {
        EXPECT_TRUE(std::any_of(
            all.begin(), all.end(),
            [&](const KitProblem& p) {
                return p.file == file && p.line == 2 &&
                       p.message.find("the record at address 0x40 lands at offset 0x20 of the image") !=
                           std::string::npos;
            }))
            << file << "\n"
            << Describe(all);
    }
}

}  // namespace
