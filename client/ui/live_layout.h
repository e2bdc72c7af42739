// The live page's grid rules as plain arithmetic: which panes show and where,
// for the normal page and for full screen, so that placement can be checked
// without any widget.
#pragma once

#include <QRect>
#include <vector>

namespace kestrel::ui {

constexpr int kLivePanes = 16;

struct LiveGrid {
    int windowCount = 4;    // panes in the grid: 1, 4, 9 or 16
    int previousCount = 4;  // grid size before the last change
    int selected = 0;       // 0..15
    bool singleMode = false;
    bool fullScreen = false;
    int channelCount = 0;  // of the open recorder; 0 without one
};

struct PaneCell {
    int pane;
    QRect rect;
};

// The pane in the grid's top-left cell.
int FirstGridPane(const LiveGrid& grid);
// The panes that show and their cells inside area, row by row: the selected
// pane alone over the whole area in single mode.
std::vector<PaneCell> LayOutPanes(const LiveGrid& grid, const QRect& area);
// Where the panes go in full screen on a screen of this size: below a
// 20-pixel strip, above a 4-pixel one.
QRect FullScreenPaneArea(const QSize& screen);

}  // namespace kestrel::ui
