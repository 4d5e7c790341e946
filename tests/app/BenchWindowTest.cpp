#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>
#include <filesystem>
#include <string>

#include "SettingsFolder.h"
#include "TempDir.h"
#include "app/BenchPorts.h"
#include "app/BenchWindow.h"
#include "app/LaneRow.h"

namespace {

using Result = LaneRow::Result;

// A stand-in for corvida-cli's lane: what it says depends on the port it is given. "asks" waits for
// the answer to its question and keeps it in $LANE_ANSWERS; "fails" fails at once; "dies" sends
// garbage, a line past the protocol's bound and a good line, then is killed without an outcome.
constexpr const char* kFakeLane = R"(#!/bin/bash
port=
while [ $# -gt 0 ]; do case $1 in --device | --port) port=$2; shift ;; esac; shift; done
case $port in
asks)
    echo '{"event":"radio","serial":"<b>4000203</b>","release":"R05.03","model":"02","identity":"00"}'
    echo '{"event":"question","id":3,"icon":"none","caption":"NOTE","text":"Set radio in bootstrap mode.","choices":["ok","cancel"]}'
    read -r answer
    printf '%s\n' "$answer" >"$LANE_ANSWERS/$port"
    echo '{"event":"outcome","result":"success","text":"Radio Update is successful","exit":0}' ;;
fails)
    echo '{"event":"box","icon":"error","caption":"Error","text":"Initialization Error"}'
    echo 'the cause' >&2
    echo '{"event":"outcome","result":"failed","text":"the upgrade did not succeed","exit":1}'
    exit 1 ;;
dies)
    echo '{"event":"phase","text":"Programming flash ROM"}'
    echo 'no event'
    head -c 70000 /dev/zero | tr '\0' x; echo
    echo '{"event":"phase","text":"Erasing"}'
    kill -KILL $$ ;;
esac
)";

constexpr int kLaneMs = 20000;

class BenchWindowTest : public ::testing::Test {
protected:
    BenchWindowTest() {
        const std::filesystem::path lane = folder_.Path() / "lane";
        folder_.WriteFile("lane", kFakeLane);
        std::filesystem::permissions(lane, std::filesystem::perms::owner_all);
        qputenv("LANE_ANSWERS", QByteArray::fromStdString(folder_.Path().string()));
        setup_ = {QString::fromStdString(lane.string()), folder_.Path(), false};
    }

    static bool Ends(LaneRow& row) {
        return QTest::qWaitFor([&] { return row.LastResult() != Result::kRunning; }, kLaneMs);
    }

    SettingsFolder settings_;
    TempDir folder_;
    BenchWindow::Setup setup_;
};

TEST_F(BenchWindowTest, ALaneWaitingOnItsQuestionNeverHoldsAnother) {
    BenchWindow bench(setup_);
    bench.SetPorts({"asks", "fails"});
    LaneRow& asks = *bench.Row("asks");
    LaneRow& fails = *bench.Row("fails");

    bench.StartLane(asks);
    bench.StartLane(fails);

    ASSERT_TRUE(QTest::qWaitFor([&] { return asks.PendingQuestion().has_value(); }, kLaneMs));
    ASSERT_TRUE(Ends(fails));
    EXPECT_EQ(fails.LastResult(), Result::kFailed);
    EXPECT_EQ(fails.MessageText(), "Error: Initialization Error");
    EXPECT_EQ(asks.LastResult(), Result::kRunning);
    EXPECT_EQ(asks.MessageText(), "Set radio in bootstrap mode.");
    // The radio's text is shown as it came, never read as markup.
    EXPECT_EQ(asks.SerialText(), "<b>4000203</b>");
    EXPECT_EQ(asks.findChild<QLabel*>("serial")->textFormat(), Qt::PlainText);

    ASSERT_TRUE(asks.Choose("ok"));
    ASSERT_TRUE(Ends(asks));
    EXPECT_EQ(asks.LastResult(), Result::kSucceeded);
    EXPECT_EQ(asks.ResultText(), "Radio Update is successful");
    EXPECT_EQ(asks.MessageText(), "");
    EXPECT_EQ(folder_.ReadFile("asks"), "{\"answer\":\"ok\",\"id\":3}\n");
}

TEST_F(BenchWindowTest, ALaneKilledWithoutAnOutcomeFailsItsRowAndSkipsWhatIsNoEvent) {
    BenchWindow bench(setup_);
    bench.SetPorts({"dies"});
    LaneRow& dies = *bench.Row("dies");

    bench.StartLane(dies);

    ASSERT_TRUE(Ends(dies));
    EXPECT_EQ(dies.LastResult(), Result::kFailed);
    EXPECT_EQ(dies.ResultText(), "The lane stopped without a result");
    EXPECT_EQ(dies.PhaseText(), "Erasing");
    EXPECT_TRUE(QTest::qWaitFor([&] { return dies.findChild<QWidget*>("start")->isEnabled(); }, kLaneMs));
}

TEST_F(BenchWindowTest, EachPortIsALaneOfItsOwnLine) {
    BenchWindow bench(setup_);
    bench.SetRate(38400);
    const QStringList com = bench.LaneArguments("COM3");
    const QStringList device = bench.LaneArguments("/dev/ttyUSB1");
    const QString kit = QString::fromStdString(folder_.Path().string());
    EXPECT_EQ(com, QStringList({"program", "--lane-protocol", "--kit", kit, "--port", "3", "--no-echo", "--rate",
                                "38400"}));
    EXPECT_EQ(device.mid(4, 2), QStringList({"--device", "/dev/ttyUSB1"}));
}

TEST(BenchPortsTest, TheStoredPortsAreCleanedOnTheWayInAndOut) {
    SettingsFolder settings;
    QStringList many;
    for (int port = 0; port < 20; ++port)
        many << QStringLiteral("/dev/ttyUSB%1").arg(port);
    struct Case {
        QStringList stored;
        QStringList kept;
    };
    const Case cases[] = {
        {{" /dev/ttyUSB0 ", "", "COM3", "/dev/ttyUSB0"}, {"/dev/ttyUSB0", "COM3"}},
        {{"/dev/tty\x1b]0;x\x07", "COM2"}, {"COM2"}},
        {{QString(300, 'a'), "COM2"}, {"COM2"}},
        {many, many.mid(0, BenchPorts::kMaxPorts)},
    };
    for (const Case& each : cases) {
        BenchPorts::Store(each.stored);
        EXPECT_EQ(BenchPorts::Stored(), each.kept) << each.stored.join(',').toStdString();
    }
    // Whatever else wrote the file is cleaned on the way out as well.
    QSettings(QSettings::IniFormat, QSettings::UserScope, "Veltrane", "Corvida")
        .setValue("Bench Ports/Ports", QStringList{"COM1", "COM1", "\t"});
    EXPECT_EQ(BenchPorts::Stored(), QStringList{"COM1"});
}

}  // namespace
