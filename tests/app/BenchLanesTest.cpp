// The Bench window upgrading two simulated radios at once, each on its own pseudo-terminal, through
// real corvida-cli lanes, in real time.
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "SettingsFolder.h"
#include "TempDir.h"
#include "app/BenchWindow.h"
#include "app/LaneRow.h"

namespace {

namespace fs = std::filesystem;

constexpr int kStartMs = 10000;
constexpr int kUpgradeMs = 300000;  // a bound for a broken run only: two radios need about a minute and a half

std::size_t LinesIn(const fs::path& file) {
    std::ifstream in(file);
    std::size_t lines = 0;
    for (std::string line; std::getline(in, line);)
        ++lines;
    return lines;
}

std::string Describe(const LaneRow& row) {
    return "\n" + row.Port().toStdString() + ": phase \"" + row.PhaseText().toStdString() + "\", message \"" +
           row.MessageText().toStdString() + "\", result \"" + row.ResultText().toStdString() + "\"";
}

class BenchLanesTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::copy(CORVIDA_DEMO_KIT, Kit(), fs::copy_options::recursive);
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((work_.Path() / "config").string()));
    }
    fs::path Kit() const { return work_.Path() / "kit"; }

    // A radiosim for `profile` behind the link `name` in the work folder; its path.
    QString StartRadio(const std::string& profile, const std::string& name) {
        const fs::path link = work_.Path() / name;
        auto radio = std::make_unique<QProcess>();
        radio->setStandardOutputFile(QString::fromStdString((work_.Path() / (name + ".log")).string()));
        radio->setProcessChannelMode(QProcess::MergedChannels);
        radio->start(RADIOSIM_PROGRAM, {"--profile", QString::fromStdString(fs::path(DEMO_RADIOS) / profile),
                                        "--files", CORVIDA_DEMO_KIT_PLAIN, "--bootstrap", "auto", "--link",
                                        QString::fromStdString(link.string())});
        EXPECT_TRUE(QTest::qWaitFor([&] { return fs::exists(link); }, kStartMs)) << name << " never started";
        radios_.push_back(std::move(radio));
        return QString::fromStdString(link.string());
    }

    void TearDown() override {
        for (const std::unique_ptr<QProcess>& radio : radios_) {
            radio->terminate();
            radio->waitForFinished();
        }
    }

    SettingsFolder settings_;
    TempDir work_;
    std::vector<std::unique_ptr<QProcess>> radios_;
};

TEST_F(BenchLanesTest, TwoRadiosAreUpgradedSideBySideEachKeepingItsOwnData) {
    const QString portable = StartRadio("kx400-r0403.radio", "portable");
    const QString other = StartRadio("kx400-r0402.radio", "other");
    BenchWindow bench({CORVIDA_CLI_PROGRAM, Kit(), false});
    bench.SetRate(115200);
    bench.SetPorts({portable, other});
    LaneRow& first = *bench.Row(portable);
    LaneRow& second = *bench.Row(other);

    bench.StartLane(first);
    bench.StartLane(second);
    // The operator answers every question of either row with OK, as it comes.
    const bool ended = QTest::qWaitFor(
        [&] {
            for (LaneRow* row : {&first, &second})
                if (row->PendingQuestion())
                    row->Choose("ok");
            return first.LastResult() != LaneRow::Result::kRunning &&
                   second.LastResult() != LaneRow::Result::kRunning;
        },
        kUpgradeMs);

    ASSERT_TRUE(ended) << Describe(first) << Describe(second);
    EXPECT_EQ(first.LastResult(), LaneRow::Result::kSucceeded) << first.ResultText().toStdString();
    EXPECT_EQ(second.LastResult(), LaneRow::Result::kSucceeded) << second.ResultText().toStdString();
    EXPECT_EQ(first.SerialText().toStdString().find("4000206"), 0u) << first.SerialText().toStdString();
    EXPECT_EQ(second.SerialText().toStdString().find("4000205"), 0u) << second.SerialText().toStdString();
    EXPECT_EQ(LinesIn(Kit() / "upgrades.csv"), 3u);  // the header and a row per radio
    // Each radio's own data saved under its own serial number.
    std::vector<std::string> backups;
    for (const fs::directory_entry& entry : fs::directory_iterator(Kit() / "backup"))
        backups.push_back(entry.path().filename().string());
    ASSERT_EQ(backups.size(), 2u) << work_.ReadFile("kit/upgrades.csv");
    for (const char* serial : {"4000205", "4000206"}) {
        const std::string suffix = std::string("-") + serial + ".radiodata";
        EXPECT_TRUE(std::any_of(backups.begin(), backups.end(), [&](const std::string& name) {
            return name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
        })) << serial;
    }
}

}  // namespace
