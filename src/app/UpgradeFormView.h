#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>

#include "workflow/CUpgradeForm.h"
#include "workflow/UpgradeView.h"

class QLabel;
class QPushButton;

// The upgrade form in the window: the kit's Title and Description and the Program button, on the
// button-shadow colour with white captions and yellow texts. It owns the form's logic; the form reaches
// it from a press's worker thread, so what it asks is carried out on the UI thread.
class UpgradeFormView : public QWidget, public UpgradeView {
    Q_OBJECT

public:
    // What a Program press does with the form; it runs off the UI thread.
    using ProgramAction = std::function<void(CUpgradeForm&)>;
    using QuitRequest = std::function<void(int exitStatus)>;

    UpgradeFormView(UpgradeDocument& document, std::int32_t productLine, ProgramAction program,
                    QuitRequest quit, QWidget* parent = nullptr);

    // The view's initial update: the form loads the kit and shows its texts.
    void Start();
    // The press itself, for the press runner's thread.
    void RunProgram();
    void SetProgramEnabled(bool enabled);

    void ShowKitTexts(const std::string& title, const std::string& description) override;
    std::optional<unsigned> ChooseFlashRate(std::optional<unsigned> current) override;
    void RequestQuit(int exitStatus) override;

    CUpgradeForm& Form() { return form_; }
    QPushButton* ProgramButton() const { return program_; }
    QString TitleText() const;
    QString DescriptionText() const;

signals:
    void programPressed();

private:
    CUpgradeForm form_;
    ProgramAction programAction_;
    QuitRequest quit_;
    QLabel* title_;
    QLabel* description_;
    QPushButton* program_;
};
