#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

// The pop-up of the progress display: caption, a two-line message, the bar and " Cancel ". It opens
// where the last one was closed (the application's "Settings" X and Y), centred when none was stored or
// the stored place lies off every screen, and keeps its place when it is closed.
class ProgressWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr int kWidth = 390;
    static constexpr const char* kGroup = "Settings";

    explicit ProgressWindow(QWidget* owner);

    void SetMessage(const QString& message);
    void SetPosition(int position, int lower, int upper);
    // Cancel on, or off with its tooltip saying why.
    void SetCancelEnabled(bool enabled, const QString& whyNot);

    QString Message() const;
    int BarValue() const;
    QPushButton* CancelButton() const { return cancel_; }
    // Keeps the window's place for the next one.
    void StorePlace() const;

signals:
    void cancelPressed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void PlaceOnScreen();

    QLabel* message_;
    QProgressBar* bar_;
    QPushButton* cancel_;
};
