#pragma once

#include <QString>
#include <cstdint>
#include <filesystem>
#include <memory>

#include "app/UpgradeFormView.h"
#include "files/ProductLine.h"

class CCorvidaDoc;
class CMainFrame;
class ComPortMap;
class QtMessageBox;
class QtNotifications;

// The desktop application: start-up determines the product line, creates the settings document, the
// main window with its start-up view, the message box and the notifications; exit stores the settings.
class CCorvidaApp {
public:
    // CORVIDA_ERRLOG=1 switches the error log file on for support; start-up leaves it off otherwise.
    static constexpr const char* kErrorLogVariable = "CORVIDA_ERRLOG";

    CCorvidaApp(std::filesystem::path kitFolder, ComPortMap& ports, UpgradeFormView::ProgramAction program);
    ~CCorvidaApp();
    CCorvidaApp(const CCorvidaApp&) = delete;
    CCorvidaApp& operator=(const CCorvidaApp&) = delete;

    // Start-up up to the shown main window; false when it cannot be made.
    bool InitInstance();
    // Stores the settings; the exit status the form asked for, else 0.
    int ExitInstance();

    std::int32_t ProductLineId() const { return productLine_; }
    QString Title() const { return title_; }
    CMainFrame* MainFrame() const { return frame_.get(); }
    CCorvidaDoc* Document() const { return document_.get(); }

private:
    std::filesystem::path kitFolder_;
    ComPortMap& ports_;
    UpgradeFormView::ProgramAction program_;
    std::int32_t productLine_ = ProductLine::kNoLine;
    QString title_;
    std::unique_ptr<CCorvidaDoc> document_;
    std::unique_ptr<CMainFrame> frame_;
    std::unique_ptr<QtMessageBox> messageBox_;
    std::unique_ptr<QtNotifications> notifications_;
};
