#pragma once

#include <QDialog>
#include <optional>
#include <vector>

#include "platform/ComPortMap.h"

class QComboBox;

// "Communication Settings": the COM ports present in a "Comm Port" list, each as "COM" and its number
// with the device or adapter beside it; the current port is preselected when it is present.
class CCommDialog : public QDialog {
    Q_OBJECT

public:
    CCommDialog(const std::vector<ComPortInfo>& ports, int currentPort, QWidget* parent = nullptr);

    // The port of the selected entry; none when the list is empty or nothing is selected.
    std::optional<int> SelectedPort() const;
    QComboBox* PortList() const { return list_; }

    static QString EntryText(const ComPortInfo& port);

private:
    QComboBox* list_;
};
