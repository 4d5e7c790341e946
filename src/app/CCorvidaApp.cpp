#include "app/CCorvidaApp.h"

#include <QApplication>
#include <cstdlib>
#include <cstring>

#include "app/CCorvidaDoc.h"
#include "app/CMainFrame.h"
#include "app/PortOverrides.h"
#include "app/ProductLineLook.h"
#include "app/ProductLineLookup.h"
#include "app/QtMessageBox.h"
#include "app/QtNotifications.h"
#include "errors/CErrorLog.h"
#include "notify/CancelSignal.h"

namespace {

bool FileLoggingWanted() {
    const char* value = std::getenv(CCorvidaApp::kErrorLogVariable);
    return value != nullptr && std::strcmp(value, "1") == 0;
}

}  // namespace

CCorvidaApp::CCorvidaApp(std::filesystem::path kitFolder, ComPortMap& ports, UpgradeFormView::ProgramAction program)
    : kitFolder_(std::move(kitFolder)), ports_(ports), program_(std::move(program)) {}

CCorvidaApp::~CCorvidaApp() {
    notifications_.reset();
    messageBox_.reset();
    frame_.reset();
}

bool CCorvidaApp::InitInstance() {
    ErrorLog().SetFileLogging(FileLoggingWanted());
    productLine_ = LookUpProductLine(kitFolder_);
    PortOverrides::LoadInto(ports_);

    document_ = std::make_unique<CCorvidaDoc>(kitFolder_);
    frame_ = std::make_unique<CMainFrame>(*document_, ports_, productLine_, program_);
    messageBox_ = std::make_unique<QtMessageBox>(frame_.get());
    notifications_ = std::make_unique<QtNotifications>(*frame_);
    // A press that ends with its progress display still open must not leave the main window disabled.
    QObject::connect(&frame_->Runner(), &PressRunner::finished, frame_.get(),
                     [this] { notifications_->EndProgress(); });

    frame_->show();
    title_ = ProductLineLook::Of(productLine_).title;
    frame_->setWindowTitle(title_);
    frame_->ShowPort(static_cast<int>(document_->PortNumber()));
    CancelSignal::Global().Poll();  // not signalled at start
    return true;
}

int CCorvidaApp::ExitInstance() {
    if (document_ != nullptr)
        document_->Close();
    return frame_ != nullptr ? frame_->QuitStatus().value_or(0) : 0;
}
