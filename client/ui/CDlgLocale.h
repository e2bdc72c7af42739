// The region editor: a modal dialog with the grid over the channel's motion
// snapshot, and CLEAR, CONFIRM and CANCEL. The caller fills LocaleParams,
// runs the dialog, and finds the result in the same fields after CONFIRM;
// CANCEL (or closing the window) leaves them as they were.
//
// Threading: GUI thread; a modal dialog over its page.
#pragma once

#include <QDialog>
#include <array>
#include <cstdint>

#include "CSelectStatic.h"
#include "client_context.h"
#include "region_cells.h"

class QPushButton;

namespace kestrel::ui {

struct LocaleParams {
    int32_t mode = CSelectStatic::kCellMode;  // 1 cells, anything else a rectangle
    int32_t columns = client::kRegionMaxColumns;
    int32_t rows = client::kRegionMaxRows;
    client::RegionCells cells{};  // cell mode: bit c of word r is column c, row r
    // Rectangle mode: left, top, right, bottom as grid lines (the far ones
    // are one past the last cell).
    std::array<uint16_t, 4> rectangle{};
    // For callers that hand the parameters on; the dialog takes its texts
    // from the context it is constructed with.
    client::ClientContext* context = nullptr;
};

class CDlgLocale : public QDialog {
    Q_OBJECT

public:
    // Reads the starting selection from params, which must outlive the
    // dialog; the picture is the live page's motion snapshot file.
    CDlgLocale(client::ClientContext& context, LocaleParams& params, QWidget* parent = nullptr);

    void Clear();
    void Confirm();

    CSelectStatic* Grid() const { return grid_; }
    QPushButton* ClearButton() const { return clearButton_; }
    QPushButton* ConfirmButton() const { return confirmButton_; }
    QPushButton* CancelButton() const { return cancelButton_; }

private:
    LocaleParams& params_;
    CSelectStatic* grid_ = nullptr;
    QPushButton* clearButton_ = nullptr;
    QPushButton* confirmButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

}  // namespace kestrel::ui
