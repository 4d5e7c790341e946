#pragma once

#include <QDialog>
#include <QStringList>

class QPlainTextEdit;

// The Bench Ports dialog: the bench's ports, one a line (a device path or a COM number).
class BenchPortsDialog : public QDialog {
    Q_OBJECT

public:
    BenchPortsDialog(const QStringList& ports, QWidget* parent = nullptr);

    // The lines as entered, cleaned as the settings keep them.
    QStringList Ports() const;
    void SetText(const QString& text);

private:
    QPlainTextEdit* editor_ = nullptr;
};
