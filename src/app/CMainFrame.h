#pragma once

#include <QMainWindow>
#include <cstdint>
#include <optional>

#include "app/PressRunner.h"
#include "app/ProductLineLook.h"
#include "app/UpgradeFormView.h"

class BenchWindow;
class CCorvidaDoc;
class CCorvidaView;
class ComPortMap;
class QAction;
class QLabel;
class QToolBar;

// The main window: menus Config, View and Help, the tool bar, the status bar with the text pane and the
// port pane, and the view in the middle (the start-up view, then the upgrade form). A Program press runs
// on the press runner; meanwhile every command is disabled and closing waits for the press to end.
class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    static constexpr int kWidth = 560;
    static constexpr int kHeight = 450;
    static constexpr const char* kIdleStatusText = "Ready";

    CMainFrame(CCorvidaDoc& document, ComPortMap& ports, std::int32_t productLine,
               UpgradeFormView::ProgramAction program);
    ~CMainFrame() override;

    // Kind 4 shows the upgrade form, any other the start-up view; the kind shown already is ignored, and
    // so is any switch while a press runs.
    void SwitchView(int kind);
    int ActiveViewKind() const { return viewKind_; }
    CCorvidaView* StartupView() const;
    UpgradeFormView* FormView() const;

    void ShowPort(int port);
    QString PortPaneText() const;
    QString StatusPaneText() const;
    void SetStatusPaneText(const QString& text);
    // The window's content and commands; the progress window stays usable while they are off.
    void SetContentEnabled(bool enabled);

    // The form's request to end the program: at once when idle, else once the press has ended.
    void RequestQuit(int exitStatus);
    std::optional<int> QuitStatus() const { return quitStatus_; }

    PressRunner& Runner() { return runner_; }
    QAction* Command(const QString& name) const;

    void OnCommSetting();
    void OnZubSetting();
    // The flash-rate dialog, so that a rate the adapter cannot carry can be changed between presses.
    void OnFlashRate();
    void OnAbout();
    // View › Bench: the Bench window, made on first use.
    void OnBench();
    BenchWindow* Bench() const { return bench_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateMenusAndToolBar();
    void CreateStatusBar();
    QAction* AddCommand(const QString& name, const QString& text, void (CMainFrame::*handler)());
    void StartProgram();
    void SetPressRunning(bool running);

    CCorvidaDoc& document_;
    ComPortMap& ports_;
    ProductLineLook look_;
    std::int32_t productLine_;
    UpgradeFormView::ProgramAction program_;
    PressRunner runner_;
    int viewKind_ = 0;
    QToolBar* toolBar_ = nullptr;
    QLabel* statusPane_ = nullptr;
    QLabel* portPane_ = nullptr;
    QList<QAction*> commands_;
    bool closeWhenPressEnds_ = false;
    std::optional<int> quitStatus_;
    BenchWindow* bench_ = nullptr;
};
