#include "app/BenchWindow.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "app/BenchPorts.h"
#include "app/BenchPortsDialog.h"
#include "app/LaneProcess.h"
#include "app/LaneRow.h"
#include "workflow/FlashDialog.h"

BenchWindow::BenchWindow(Setup setup, QWidget* parent) : QWidget(parent, Qt::Window), setup_(std::move(setup)) {
    setObjectName(QStringLiteral("benchWindow"));
    setWindowTitle(QStringLiteral("Bench"));
    auto* layout = new QVBoxLayout(this);

    auto* bar = new QHBoxLayout();
    auto* ports = new QPushButton(QStringLiteral("Bench Ports..."), this);
    ports->setObjectName(QStringLiteral("benchPorts"));
    connect(ports, &QPushButton::clicked, this, &BenchWindow::OnBenchPorts);
    auto* startAll = new QPushButton(QStringLiteral("Start All"), this);
    startAll->setObjectName(QStringLiteral("startAll"));
    connect(startAll, &QPushButton::clicked, this, &BenchWindow::StartAll);
    rate_ = new QComboBox(this);
    rate_->setObjectName(QStringLiteral("rate"));
    for (const unsigned rate : FlashDialog::kRates)
        rate_->addItem(QString::number(rate), rate);
    rate_->setCurrentIndex(static_cast<int>(FlashDialog::RateChoice(std::nullopt)));
    bar->addWidget(ports);
    bar->addWidget(startAll);
    bar->addStretch(1);
    bar->addWidget(new QLabel(QStringLiteral("Flash rate"), this));
    bar->addWidget(rate_);
    layout->addLayout(bar);

    auto* rowsHolder = new QWidget(this);
    rowsLayout_ = new QVBoxLayout(rowsHolder);
    rowsLayout_->addStretch(1);
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setWidget(rowsHolder);
    layout->addWidget(scroll, 1);

    SetPorts(BenchPorts::Stored());
    resize(1120, 420);
}

BenchWindow::~BenchWindow() = default;

QString BenchWindow::LaneProgramBesideThisOne() {
    const QDir here(QCoreApplication::applicationDirPath());
    const QString installed = here.filePath(QStringLiteral("corvida-cli"));
    if (QFileInfo(installed).isExecutable())
        return installed;
    return QDir::cleanPath(here.filePath(QStringLiteral("../cli/corvida-cli")));
}

void BenchWindow::SetPorts(const QStringList& ports) {
    const QStringList wanted = BenchPorts::Cleaned(ports);
    std::vector<LaneRow*> rows;
    std::vector<LaneProcess*> lanes;
    for (std::size_t index = 0; index < rows_.size(); ++index) {
        if (wanted.contains(rows_[index]->Port()) || lanes_[index]->Running()) {
            rows.push_back(rows_[index]);
            lanes.push_back(lanes_[index]);
        } else {
            delete rows_[index];
            delete lanes_[index];
        }
    }
    rows_ = std::move(rows);
    lanes_ = std::move(lanes);
    for (const QString& port : wanted) {
        if (Row(port) != nullptr)
            continue;
        auto* row = new LaneRow(port, this);
        auto* lane = new LaneProcess(this);
        connect(row, &LaneRow::startPressed, this, [this, row] { StartLane(*row); });
        connect(row, &LaneRow::answered, lane, &LaneProcess::Answer);
        connect(lane, &LaneProcess::eventArrived, row, &LaneRow::Apply);
        connect(lane, &LaneProcess::ended, row, [row, lane](int exitStatus, bool outcomeSeen) {
            row->ShowEnded(exitStatus, outcomeSeen, lane->ErrorTail());
        });
        rowsLayout_->insertWidget(rowsLayout_->count() - 1, row);
        rows_.push_back(row);
        lanes_.push_back(lane);
    }
}

LaneRow* BenchWindow::Row(const QString& port) const {
    for (LaneRow* row : rows_)
        if (row->Port() == port)
            return row;
    return nullptr;
}

bool BenchWindow::AnyLaneRunning() const {
    for (const LaneProcess* lane : lanes_)
        if (lane->Running())
            return true;
    return false;
}

void BenchWindow::SetRate(unsigned rate) {
    const int index = rate_->findData(rate);
    if (index >= 0)
        rate_->setCurrentIndex(index);
}

QStringList BenchWindow::LaneArguments(const QString& port) const {
    QStringList arguments{QStringLiteral("program"), QStringLiteral("--lane-protocol"), QStringLiteral("--kit"),
                          QString::fromStdString(setup_.kitFolder.string())};
    if (const unsigned number = BenchPorts::ComNumber(port); number != 0)
        arguments << QStringLiteral("--port") << QString::number(number);
    else
        arguments << QStringLiteral("--device") << port;
    arguments << (setup_.echo ? QStringLiteral("--echo") : QStringLiteral("--no-echo"));
    arguments << QStringLiteral("--rate") << rate_->currentData().toString();
    return arguments;
}

void BenchWindow::StartLane(LaneRow& row) {
    for (std::size_t index = 0; index < rows_.size(); ++index) {
        if (rows_[index] != &row || lanes_[index]->Running())
            continue;
        row.ShowStarted();
        lanes_[index]->Start(setup_.laneProgram, LaneArguments(row.Port()));
    }
}

void BenchWindow::StartAll() {
    for (LaneRow* row : rows_)
        StartLane(*row);
}

void BenchWindow::OnBenchPorts() {
    BenchPortsDialog dialog(BenchPorts::Stored(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    BenchPorts::Store(dialog.Ports());
    SetPorts(BenchPorts::Stored());
}
