#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <filesystem>
#include <optional>
#include <vector>

class LaneProcess;
class LaneRow;
class QComboBox;
class QVBoxLayout;

// The Bench window: one row per bench port, each upgrading its own radio with the kit of the main
// window through its own corvida-cli lane (QProcess, lane protocol), side by side. A lane's failure,
// crash or question stays in its row. The single-radio form stays the main window's view.
class BenchWindow : public QWidget {
    Q_OBJECT

public:
    struct Setup {
        QString laneProgram;  // corvida-cli
        std::filesystem::path kitFolder;
        bool echo = true;  // the ZUB box echoes (the kit's ZUB Setting)
    };

    explicit BenchWindow(Setup setup, QWidget* parent = nullptr);
    ~BenchWindow() override;

    // corvida-cli beside the running program: in the same folder once installed, in ../cli in a build.
    static QString LaneProgramBesideThisOne();

    // Rows for `ports`; a running lane keeps its row.
    void SetPorts(const QStringList& ports);
    const std::vector<LaneRow*>& Rows() const { return rows_; }
    LaneRow* Row(const QString& port) const;
    bool AnyLaneRunning() const;
    void StartLane(LaneRow& row);
    void SetRate(unsigned rate);
    // The command line of the lane for `port`.
    QStringList LaneArguments(const QString& port) const;

    void OnBenchPorts();

private:
    void StartAll();

    Setup setup_;
    QComboBox* rate_ = nullptr;
    QVBoxLayout* rowsLayout_ = nullptr;
    std::vector<LaneRow*> rows_;
    std::vector<LaneProcess*> lanes_;  // one per row, same order
};
