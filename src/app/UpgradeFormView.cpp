#include "app/UpgradeFormView.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/FlashRateDialog.h"
#include "app/UiThread.h"

namespace {

constexpr const char* kStyle =
    "QGroupBox { color: white; font-weight: bold; }"
    "QLabel#titleText, QLabel#descriptionText { color: yellow; }";

QGroupBox* GroupOf(const char* caption, QLabel* text, QWidget* parent) {
    auto* group = new QGroupBox(QString::fromLatin1(caption), parent);
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    text->setTextFormat(Qt::PlainText);
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(text);
    return group;
}

}  // namespace

UpgradeFormView::UpgradeFormView(UpgradeDocument& document, std::int32_t productLine, ProgramAction program,
                                 QuitRequest quit, QWidget* parent)
    : QWidget(parent),
      form_(document, *this, productLine),
      programAction_(std::move(program)),
      quit_(std::move(quit)),
      title_(new QLabel(this)),
      description_(new QLabel(this)),
      program_(new QPushButton(QIcon(QStringLiteral(":/pictures/program.svg")), QStringLiteral("Program"), this)) {
    setObjectName(QStringLiteral("upgradeForm"));
    title_->setObjectName(QStringLiteral("titleText"));
    description_->setObjectName(QStringLiteral("descriptionText"));
    program_->setObjectName(QStringLiteral("programButton"));
    program_->setIconSize(QSize(32, 32));
    program_->setMinimumHeight(48);

    setAutoFillBackground(true);
    QPalette shadow = palette();
    shadow.setColor(QPalette::Window, shadow.color(QPalette::Dark));
    setPalette(shadow);
    setStyleSheet(QString::fromLatin1(kStyle));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupOf("Title", title_, this));
    layout->addWidget(GroupOf("Description", description_, this), 1);
    layout->addWidget(program_, 0, Qt::AlignHCenter);

    connect(program_, &QPushButton::clicked, this, &UpgradeFormView::programPressed);
}

void UpgradeFormView::Start() {
    form_.FormStart();
}

void UpgradeFormView::RunProgram() {
    programAction_(form_);
}

void UpgradeFormView::SetProgramEnabled(bool enabled) {
    program_->setEnabled(enabled);
}

void UpgradeFormView::ShowKitTexts(const std::string& title, const std::string& description) {
    RunOnUiThread([&] {
        title_->setText(QString::fromStdString(title));
        description_->setText(QString::fromStdString(description));
    });
}

std::optional<unsigned> UpgradeFormView::ChooseFlashRate(std::optional<unsigned> current) {
    return RunOnUiThreadFor<std::optional<unsigned>>([&] { return FlashRateDialog::Choose(current, window()); });
}

void UpgradeFormView::RequestQuit(int exitStatus) {
    RunOnUiThread([&] { quit_(exitStatus); });
}

QString UpgradeFormView::TitleText() const {
    return title_->text();
}

QString UpgradeFormView::DescriptionText() const {
    return description_->text();
}
