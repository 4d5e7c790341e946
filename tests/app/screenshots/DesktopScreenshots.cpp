// Writes PNG pictures of the desktop application's windows for a person to look at: the start-up view,
// the upgrade form, the progress window (also during the bootcode download), the settings and flash-rate
// dialogs, the About box, an error box, and the Bench window with four lanes in different phases. Run under a display (Xvfb in the test suite):
//     desktop_screenshots KIT_FOLDER OUTPUT_FOLDER
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QSettings>
#include <QTest>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "app/AboutBox.h"
#include "app/BenchPortsDialog.h"
#include "app/BenchWindow.h"
#include "app/CCommDialog.h"
#include "app/CCorvidaApp.h"
#include "app/CCorvidaView.h"
#include "app/CMainFrame.h"
#include "app/CZubDialog.h"
#include "app/FlashRateDialog.h"
#include "app/LaneRow.h"
#include "app/ProgressWindow.h"
#include "engine/CRadioUpgrade.h"
#include "notify/Notifications.h"
#include "platform/ComPortMap.h"

namespace {

class Camera {
public:
    explicit Camera(QString folder) : folder_(std::move(folder)) {}

    void Take(QWidget& window, const char* name) {
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            std::fprintf(stderr, "%s: the window was never shown\n", name);
        QTest::qWait(50);
        const QString path = QDir(folder_).filePath(QString::fromLatin1(name) + ".png");
        if (window.grab().save(path)) {
            std::printf("%s\n", qPrintable(path));
        } else {
            std::fprintf(stderr, "%s: cannot write %s\n", name, qPrintable(path));
            failed_ = true;
        }
    }
    bool Failed() const { return failed_; }

private:
    QString folder_;
    bool failed_ = false;
};

using Kind = LaneProtocol::Event::Kind;

LaneProtocol::Event Said(Kind kind, const char* text) {
    LaneProtocol::Event event;
    event.kind = kind;
    event.text = text;
    return event;
}

LaneProtocol::Event Radio(const char* serial, const char* release) {
    LaneProtocol::Event event = Said(Kind::Radio, "");
    event.serial = serial;
    event.release = release;
    return event;
}

LaneProtocol::Event Progress(int done, int total) {
    LaneProtocol::Event event = Said(Kind::Progress, "Please Wait");
    event.done = done;
    event.total = total;
    return event;
}

LaneProtocol::Event Outcome(const char* result, const char* text) {
    LaneProtocol::Event event = Said(Kind::Outcome, text);
    event.result = result;
    return event;
}

// Four lanes as a bench sees them: one flashing, one waiting on its question, one failed, one done.
void PoseBench(BenchWindow& bench) {
    bench.SetPorts({"/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyUSB2", "/dev/ttyUSB3"});
    const std::vector<LaneRow*>& rows = bench.Rows();
    for (LaneRow* row : rows)
        row->ShowStarted();
    rows[0]->Apply(Radio("4000206", "R04.03"));
    rows[0]->Apply(Said(Kind::Phase, "Programming flash ROM... WARNING!! Ensure process is not interrupted"));
    rows[0]->Apply(Progress(23, 38));
    rows[1]->Apply(Radio("4000311", "R05.01"));
    LaneProtocol::Event question = Said(Kind::Question, "Set radio in bootstrap mode.");
    question.caption = "NOTE";
    question.id = 1;
    question.choices = {"ok", "cancel"};
    rows[1]->Apply(question);
    rows[2]->Apply(Radio("4000398", "R04.02"));
    rows[2]->Apply(Said(Kind::Phase, "Please Wait: Downloading bootcode ..."));
    LaneProtocol::Event box = Said(Kind::Box, "Initialization Error: Flashing operation could not be started.");
    box.icon = "error";
    rows[2]->Apply(box);
    rows[2]->Apply(Outcome("failed", "the upgrade did not succeed after 1 attempt"));
    rows[2]->ShowEnded(1, true, "");
    rows[3]->Apply(Radio("6000456", "R05.20"));
    rows[3]->Apply(Progress(38, 38));
    rows[3]->Apply(Outcome("success", "Radio Update is successful"));
    rows[3]->ShowEnded(0, true, "");
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: desktop_screenshots KIT_FOLDER OUTPUT_FOLDER\n");
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(output);
    // The pictures' settings stay beside them, away from the bench's own.
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QDir(output).filePath("settings"));
    Camera camera(output);

    ComPortMap ports;
    CCorvidaApp corvida(std::filesystem::path(argv[1]), ports, [](CUpgradeForm&) {});
    if (!corvida.InitInstance())
        return 1;
    CMainFrame& frame = *corvida.MainFrame();
    camera.Take(frame, "startup-view");

    frame.StartupView()->Tick(std::chrono::milliseconds(0));
    if (!QTest::qWaitFor([&] { return frame.ActiveViewKind() == Notifications::kViewUpgradeForm; })) {
        std::fprintf(stderr, "the upgrade form was never shown\n");
        return 1;
    }
    camera.Take(frame, "upgrade-form");

    Notifications& shown = Notifications::Current();
    shown.StatusText(Notifications::kStatusFlashingFirmware);
    shown.BeginProgress(20, true);
    shown.SetProgressMessage("Erasing flash ROM...\nWARNING!! Ensure process is not interrupted");
    for (int step = 0; step < 7; ++step)
        shown.StepProgress();
    camera.Take(*frame.findChild<ProgressWindow*>(), "progress-window");
    camera.Take(frame, "main-window-during-progress");
    shown.EndProgress();
    shown.StatusText(Notifications::kStatusRestore);

    // The bootcode download: its own message and bar, and Cancel off because it cannot stop part-way.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // the closed window
    shown.BlockCancel(CRadioUpgrade::kBootcodeBlocksCancel);
    shown.BeginProgress(60, false);
    shown.SetProgressMessage(CRadioUpgrade::kBootcodeMessage);
    shown.StatusText(Notifications::kStatusDownloadingBootcode);
    for (int step = 0; step < 24; ++step)
        shown.StepProgress();
    camera.Take(*frame.findChild<ProgressWindow*>(), "progress-window-bootcode");
    shown.EndProgress();
    shown.StatusText(Notifications::kStatusRestore);

    const std::vector<ComPortInfo> examplePorts = {
        {1, "/dev/ttyS0", ""}, {33, "/dev/ttyUSB0", "FTDI FT232R USB UART"}, {40, "/tmp/radiosim.tty", ""}};
    CCommDialog comm(examplePorts, 33, &frame);
    camera.Take(comm, "comm-dialog");
    CZubDialog zub(1, &frame);
    camera.Take(zub, "zub-dialog");
    FlashRateDialog flash(38400, &frame);
    camera.Take(flash, "flash-rate-dialog");
    AboutBox about(corvida.Title(), &frame);
    camera.Take(about, "about-box");
    QMessageBox error(QMessageBox::Critical, "Error",
                      "Verification of radio failed. The current radio is not of the supported radio series",
                      QMessageBox::Ok, &frame);
    camera.Take(error, "message-box");

    BenchWindow bench({BenchWindow::LaneProgramBesideThisOne(), argv[1], false}, &frame);
    PoseBench(bench);
    camera.Take(bench, "bench-window");
    BenchPortsDialog benchPorts({"/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/serial/by-id/usb-ZUB_A12-if00", "COM3"},
                                &frame);
    camera.Take(benchPorts, "bench-ports-dialog");

    corvida.ExitInstance();
    return camera.Failed() ? 1 : 0;
}
