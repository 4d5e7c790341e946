#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "KitFileWriter.h"
#include "RecordingMessageBox.h"
#include "SimRadioTest.h"
#include "TempDir.h"
#include "files/ProgramKey.h"
#include "workflow/CUpgradeForm.h"
#include "workflow/FlashDialog.h"
#include "workflow/UpgradeDocument.h"
#include "workflow/UpgradeView.h"

// A document on the simulated radio's port with a kit in a temporary folder.
class TestDocument : public UpgradeDocument {
public:
    TestDocument(unsigned port, std::filesystem::path folder, std::uint8_t echo = 0)
        : port_(port), folder_(std::move(folder)), echo_(echo) {}
    unsigned PortNumber() const override { return port_; }
    std::uint8_t EchoType() const override { return echo_; }
    const std::filesystem::path& WorkingDirectory() const override { return folder_; }

private:
    unsigned port_;
    std::filesystem::path folder_;
    std::uint8_t echo_;
};

// Records the kit texts and quit requests; answers the flash-rate dialog from a script.
class TestView : public UpgradeView {
public:
    void ShowKitTexts(const std::string& title, const std::string& description) override {
        shownTitle = title;
        shownDescription = description;
    }
    std::optional<unsigned> ChooseFlashRate(std::optional<unsigned> current) override {
        offeredRates.push_back(current);
        if (whileChoosing)
            whileChoosing();
        return chosenRate;
    }
    void RequestQuit(int exitStatus) override { quitStatus = exitStatus; }

    std::string shownTitle;
    std::string shownDescription;
    std::optional<int> quitStatus;
    std::optional<unsigned> chosenRate = 19200;
    std::vector<std::optional<unsigned>> offeredRates;
    std::function<void()> whileChoosing;  // what else happens while the dialog is up
};

// The small test radio (SmallRadio) against a kit written by the test. The kit's key is kKitKey.
class WorkflowTest : public SimRadioTest {
protected:
    static constexpr const char* kKitKey = "test-kit-key-0042";
    static constexpr const char* kSmallRadioIdentity = "E58EC154199D11D180180060B03C8AFF";

    void WriteConfig(const std::string& text) const {
        kit_.WriteFile("patcher.dat", EncipherForKit(text, kProgramKey));
    }
    void WriteKitFile(const std::string& name, const std::string& text) const {
        kit_.WriteFile(name, EncipherForKit(text, kKitKey));
    }
    CUpgradeForm& StartForm(std::int32_t productLine) {
        form_.emplace(document_, view_, productLine);
        form_->FormStart();
        return *form_;
    }
    std::vector<std::string> BoxTexts() const {
        std::vector<std::string> texts;
        for (const RecordingMessageBox::Box& box : boxes_.Boxes())
            texts.push_back(box.text);
        return texts;
    }

    TempDir kit_;
    TestDocument document_{kPort, kit_.Path()};
    TestView view_;
    RecordingMessageBox boxes_;
    std::optional<CUpgradeForm> form_;
};
