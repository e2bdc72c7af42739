// The list of recorders as the upgrade window shows it: one page of rows
// with a check box, the row's texts in its own colour, and the upload
// progress drawn as a bar.
//
// Threading: GUI thread only; it shows copies of the fleet's rows.
#pragma once

#include <QTableWidget>
#include <vector>

#include "device_row.h"

namespace kestrel::flash::ui {

enum DeviceColumn {
    kColumnIp,
    kColumnState,
    kColumnSpeed,
    kColumnProgress,
    kColumnComment,
    kColumnCount
};

// The list colour of a row (0x00BBGGRR, as the rows keep it).
QColor RowColour(uint32_t colour);

class DeviceList : public QTableWidget {
    Q_OBJECT

public:
    explicit DeviceList(QWidget* parent = nullptr);

    // Shows these rows, one list line each, replacing what was there. Lines
    // whose row did not change are left alone, so a refresh does not flicker.
    void ShowRows(const std::vector<DeviceRow>& rows);

signals:
    // The operator clicked the check box of a line.
    void TickClicked(int line, bool ticked);

private:
    void ShowRow(int line, const DeviceRow& row);
};

}  // namespace kestrel::flash::ui
