#include "CDlgLocale.h"

#include <QPushButton>
#include <algorithm>

#include "snapshot_file.h"
#include "text_ids.h"

namespace kestrel::ui {
namespace {

constexpr int kMargin = 12;
// Room for the grid before Setup trims it to whole cells: 30-pixel cells at
// the largest grid of 15 x 12.
constexpr int kGridWidth = 450;
constexpr int kGridHeight = 360;
constexpr int kButtonWidth = 96;
constexpr int kButtonHeight = 26;
constexpr int kButtonGap = 10;

}  // namespace

CDlgLocale::CDlgLocale(client::ClientContext& context, LocaleParams& params, QWidget* parent)
    : QDialog(parent), params_(params) {
    setModal(true);
    auto text = [&context](int id) { return QString::fromStdString(context.LoadText(id)); };
    const bool cellMode = params.mode == CSelectStatic::kCellMode;
    setWindowTitle(text(cellMode ? client::kTextMotion : client::kTextAreaCover));

    grid_ = new CSelectStatic(this);
    grid_->setObjectName(QStringLiteral("grid"));
    grid_->resize(kGridWidth, kGridHeight);
    grid_->Setup(params.mode, params.columns, params.rows);
    grid_->move(kMargin, kMargin);
    grid_->Clear();
    grid_->SetPicturePath(QString::fromStdString(client::MotionSnapshotPath()));
    if (cellMode) {
        grid_->SetCells(params.cells);
    } else {
        const auto& r = params.rectangle;
        grid_->SetRectangle({r[0], r[1], r[2], r[3]});
    }

    const int buttonsTop = grid_->y() + grid_->height() + kMargin;
    const int width = std::max(grid_->width(), 3 * kButtonWidth + 2 * kButtonGap) + 2 * kMargin;
    auto makeButton = [&](int textId, const char* name, int fromRight) {
        auto* button = new QPushButton(text(textId), this);
        button->setObjectName(QLatin1String(name));
        button->setGeometry(
            width - kMargin - (fromRight + 1) * kButtonWidth - fromRight * kButtonGap, buttonsTop,
            kButtonWidth, kButtonHeight);
        return button;
    };
    clearButton_ = makeButton(client::kTextClear, "clearButton", 2);
    confirmButton_ = makeButton(client::kTextConfirm, "confirmButton", 1);
    cancelButton_ = makeButton(client::kTextCancel, "cancelButton", 0);
    connect(clearButton_, &QPushButton::clicked, this, [this] { Clear(); });
    connect(confirmButton_, &QPushButton::clicked, this, [this] { Confirm(); });
    connect(cancelButton_, &QPushButton::clicked, this, [this] { reject(); });
    setFixedSize(width, buttonsTop + kButtonHeight + kMargin);
}

void CDlgLocale::Clear() {
    grid_->Clear();
}

void CDlgLocale::Confirm() {
    if (grid_->CellMode()) {
        params_.cells = grid_->ConfirmCells();
    } else {
        const CellRect r = grid_->Rectangle();
        params_.rectangle = {static_cast<uint16_t>(r.left), static_cast<uint16_t>(r.top),
                             static_cast<uint16_t>(r.right), static_cast<uint16_t>(r.bottom)};
    }
    accept();
}

}  // namespace kestrel::ui
