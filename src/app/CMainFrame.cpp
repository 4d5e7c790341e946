#include "app/CMainFrame.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include "app/AboutBox.h"
#include "app/BenchWindow.h"
#include "app/CCommDialog.h"
#include "app/CCorvidaDoc.h"
#include "app/CCorvidaView.h"
#include "app/CZubDialog.h"
#include "errors/MessageBoxService.h"
#include "notify/Notifications.h"
#include "platform/ComPortMap.h"

namespace {

constexpr const char* kCloseDuringPressText =
    "A radio is being programmed. Closing the program now could leave the radio unusable.\n\n"
    "Press OK to close the program as soon as the programming has ended, or Cancel to keep it open.";
constexpr const char* kCloseDuringLanesText =
    "Radios are being programmed on the bench. Close the program when their lanes have ended.";

}  // namespace

CMainFrame::CMainFrame(CCorvidaDoc& document, ComPortMap& ports, std::int32_t productLine,
                       UpgradeFormView::ProgramAction program)
    : document_(document),
      ports_(ports),
      look_(ProductLineLook::Of(productLine)),
      productLine_(productLine),
      program_(std::move(program)) {
    setObjectName(QStringLiteral("mainFrame"));
    setWindowIcon(QIcon(QStringLiteral(":/pictures/corvida.svg")));
    resize(kWidth, kHeight);
    CreateMenusAndToolBar();
    CreateStatusBar();
    SwitchView(Notifications::kViewStartup);
    connect(&runner_, &PressRunner::started, this, [this] { SetPressRunning(true); });
    connect(&runner_, &PressRunner::finished, this, [this] { SetPressRunning(false); });
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::CreateMenusAndToolBar() {
    QAction* comm = AddCommand(QStringLiteral("commSetting"), QStringLiteral("Comm Setting"), &CMainFrame::OnCommSetting);
    QAction* zub = AddCommand(QStringLiteral("zubSetting"), QStringLiteral("ZUB Setting"), &CMainFrame::OnZubSetting);
    QAction* flashRate =
        AddCommand(QStringLiteral("flashRate"), QStringLiteral("Flash Rate"), &CMainFrame::OnFlashRate);
    QAction* exit = AddCommand(QStringLiteral("exit"), QStringLiteral("E&xit"), nullptr);
    connect(exit, &QAction::triggered, this, &QWidget::close);
    QAction* about = AddCommand(QStringLiteral("about"), QStringLiteral("&About"), &CMainFrame::OnAbout);

    QMenu* config = menuBar()->addMenu(QStringLiteral("&Config"));
    config->addAction(comm);
    config->addAction(zub);
    config->addAction(flashRate);
    config->addSeparator();
    config->addAction(exit);

    toolBar_ = new QToolBar(QStringLiteral("Toolbar"), this);
    toolBar_->setObjectName(QStringLiteral("toolBar"));
    toolBar_->setAllowedAreas(Qt::AllToolBarAreas);
    toolBar_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    toolBar_->addAction(comm);
    toolBar_->addAction(zub);
    toolBar_->addSeparator();
    toolBar_->addAction(about);
    addToolBar(toolBar_);

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    QAction* toolBarToggle = toolBar_->toggleViewAction();
    toolBarToggle->setText(QStringLiteral("&Toolbar"));
    toolBarToggle->setObjectName(QStringLiteral("toolBarToggle"));
    view->addAction(toolBarToggle);
    QAction* statusBarToggle = view->addAction(QStringLiteral("&Status Bar"));
    statusBarToggle->setObjectName(QStringLiteral("statusBarToggle"));
    statusBarToggle->setCheckable(true);
    statusBarToggle->setChecked(true);
    connect(statusBarToggle, &QAction::toggled, this, [this](bool shown) { statusBar()->setVisible(shown); });
    QAction* bench = AddCommand(QStringLiteral("bench"), QStringLiteral("&Bench"), &CMainFrame::OnBench);
    view->addAction(bench);
    QAction* optionList = view->addAction(QStringLiteral("&Option List"));
    optionList->setObjectName(QStringLiteral("optionList"));
    optionList->setEnabled(false);
    commands_ << toolBarToggle << statusBarToggle;

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(about);
}

QAction* CMainFrame::AddCommand(const QString& name, const QString& text, void (CMainFrame::*handler)()) {
    auto* action = new QAction(text, this);
    action->setObjectName(name);
    if (handler != nullptr)
        connect(action, &QAction::triggered, this, handler);
    commands_ << action;
    return action;
}

void CMainFrame::CreateStatusBar() {
    statusPane_ = new QLabel(QString::fromLatin1(kIdleStatusText), this);
    statusPane_->setObjectName(QStringLiteral("statusPane"));
    portPane_ = new QLabel(QStringLiteral("COM  "), this);
    portPane_->setObjectName(QStringLiteral("portPane"));
    portPane_->setMinimumWidth(portPane_->fontMetrics().horizontalAdvance(QStringLiteral("COM000")));
    statusBar()->addWidget(statusPane_, 1);
    statusBar()->addPermanentWidget(portPane_);
}

void CMainFrame::SwitchView(int kind) {
    const int wanted = kind == Notifications::kViewUpgradeForm ? kind : Notifications::kViewStartup;
    // A running press works on the form's objects, so its view stays until the press has ended.
    if (wanted == viewKind_ || runner_.Running())
        return;
    viewKind_ = wanted;
    if (wanted == Notifications::kViewUpgradeForm) {
        auto* form = new UpgradeFormView(document_, productLine_, program_,
                                         [this](int status) { RequestQuit(status); }, this);
        connect(form, &UpgradeFormView::programPressed, this, &CMainFrame::StartProgram);
        setCentralWidget(form);  // deletes the start-up view
        form->Start();
    } else {
        // The switch replaces the start-up view, so it waits until the view's own call has returned.
        auto handOver = [this](int next) { QTimer::singleShot(0, this, [this, next] { SwitchView(next); }); };
        setCentralWidget(new CCorvidaView(look_, handOver, this));
    }
}

CCorvidaView* CMainFrame::StartupView() const {
    return qobject_cast<CCorvidaView*>(centralWidget());
}

UpgradeFormView* CMainFrame::FormView() const {
    return qobject_cast<UpgradeFormView*>(centralWidget());
}

void CMainFrame::ShowPort(int port) {
    portPane_->setText(QStringLiteral("COM%1").arg(port));
}

QString CMainFrame::PortPaneText() const {
    return portPane_->text();
}

QString CMainFrame::StatusPaneText() const {
    return statusPane_->text();
}

void CMainFrame::SetStatusPaneText(const QString& text) {
    statusPane_->setText(text);
    statusPane_->repaint();
}

void CMainFrame::SetContentEnabled(bool enabled) {
    if (centralWidget() != nullptr)
        centralWidget()->setEnabled(enabled);
    menuBar()->setEnabled(enabled);
    toolBar_->setEnabled(enabled);
}

void CMainFrame::RequestQuit(int exitStatus) {
    quitStatus_ = exitStatus;
    if (runner_.Running())
        closeWhenPressEnds_ = true;
    else
        QTimer::singleShot(0, this, &QWidget::close);
}

QAction* CMainFrame::Command(const QString& name) const {
    return findChild<QAction*>(name);
}

void CMainFrame::OnCommSetting() {
    CCommDialog dialog(ports_.ListPorts(), static_cast<int>(document_.PortNumber()), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (const std::optional<int> port = dialog.SelectedPort()) {
        document_.SetPort(*port);
        ShowPort(*port);
    }
}

void CMainFrame::OnZubSetting() {
    CZubDialog dialog(document_.EchoType(), this);
    if (dialog.exec() == QDialog::Accepted)
        document_.SetEcho(dialog.EchoType());
}

void CMainFrame::OnFlashRate() {
    if (UpgradeFormView* form = FormView())
        form->Form().ChangeFlashRate();
}

void CMainFrame::OnAbout() {
    AboutBox(look_.aboutTitle, this).exec();
}

void CMainFrame::OnBench() {
    if (bench_ == nullptr) {
        BenchWindow::Setup setup{BenchWindow::LaneProgramBesideThisOne(), document_.WorkingDirectory(),
                                 document_.EchoType() != 0};
        bench_ = new BenchWindow(std::move(setup), this);
    }
    bench_->show();
    bench_->raise();
    bench_->activateWindow();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // A lane flashing a radio must not be cut off; its process is not ours to end.
    if (bench_ != nullptr && bench_->AnyLaneRunning()) {
        event->ignore();
        MessageBoxService::ShowMessage(kCloseDuringLanesText, "Warning", MessageIcon::Exclamation,
                                       MessageButtons::Ok);
        return;
    }
    if (!runner_.Running()) {
        event->accept();
        return;
    }
    event->ignore();
    if (closeWhenPressEnds_)
        return;
    closeWhenPressEnds_ = MessageBoxService::ShowMessage(kCloseDuringPressText, "Warning", MessageIcon::Exclamation,
                                                         MessageButtons::OkCancel) == MessageResult::Ok;
}

void CMainFrame::StartProgram() {
    UpgradeFormView* form = FormView();
    if (form != nullptr)
        runner_.Run([form] { form->RunProgram(); });
}

void CMainFrame::SetPressRunning(bool running) {
    for (QAction* command : commands_)
        command->setEnabled(!running);
    if (UpgradeFormView* form = FormView())
        form->SetProgramEnabled(!running);
    if (!running && closeWhenPressEnds_)
        close();
}
