// The region grid over a camera picture: either a set of cells that a drag
// flips (cell mode, the motion area) or one rectangle of cells that a drag
// draws (rectangle mode, the cover area).
//
// Geometry: Setup divides the widget's size by the columns and rows
// (integer division) and shrinks the widget to the whole cells plus a
// one-pixel border, so cell c spans pixels c * width .. (c + 1) * width and
// the far frame line belongs to the last cell.
//
// Threading: GUI thread only.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

#include "region_cells.h"

namespace kestrel::ui {

// A rectangle of cells as grid lines: the cells left .. right - 1 and
// top .. bottom - 1. Empty when right <= left or bottom <= top.
struct CellRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool Empty() const { return right <= left || bottom <= top; }
    bool operator==(const CellRect&) const = default;
};

class CSelectStatic : public QWidget {
    Q_OBJECT

public:
    static constexpr int kCellMode = 1;

    explicit CSelectStatic(QWidget* parent = nullptr);

    // mode kCellMode: cells, anything else: a rectangle. Columns and rows
    // are kept within 1..15 and 1..12; resizes the widget as described above.
    void Setup(int mode, int columns, int rows);
    // The background picture; read on the first paint after this call.
    void SetPicturePath(const QString& path);

    // Empties the selection: both cell arrays, or the rectangle.
    void Clear();
    // Sets the displayed and the confirmed cells.
    void SetCells(const client::RegionCells& cells);
    // Kept inside the grid, corners ordered.
    void SetRectangle(CellRect rect);

    bool CellMode() const { return mode_ == kCellMode; }
    int Columns() const { return columns_; }
    int Rows() const { return rows_; }
    int CellWidth() const { return cellWidth_; }
    int CellHeight() const { return cellHeight_; }
    // The cells as shown.
    const client::RegionCells& Cells() const { return cells_; }
    // Merges the shown cells into the confirmed ones and returns those: the
    // grid's cells as shown (a cell cleared on the grid stays cleared), bits
    // outside the grid as SetCells gave them.
    client::RegionCells ConfirmCells();
    CellRect Rectangle() const { return rectangle_; }
    // The rectangle being dragged (empty when none).
    CellRect DragRectangle() const { return drag_; }
    bool PictureLoaded() const { return pictureLoaded_; }
    // The pixel rectangle a cell rectangle covers, frame lines included.
    QRect PixelRect(CellRect rect) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPoint CellAt(const QPoint& pixel) const;
    // The cells from the pressed one to the one at pixel, ordered.
    CellRect SpanTo(const QPoint& pixel) const;
    void LoadPicture();

    int mode_ = kCellMode;
    int columns_ = client::kRegionMaxColumns;
    int rows_ = client::kRegionMaxRows;
    int cellWidth_ = 1;
    int cellHeight_ = 1;
    client::RegionCells cells_{};
    client::RegionCells confirmed_{};
    CellRect rectangle_;
    CellRect drag_;
    QPoint pressed_;  // cell column and row of the button press
    bool held_ = false;
    QString picturePath_;
    QImage picture_;
    bool pictureTried_ = false;
    bool pictureLoaded_ = false;
};

}  // namespace kestrel::ui
