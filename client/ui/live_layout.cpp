#include "live_layout.h"

#include <algorithm>
#include <cmath>

namespace kestrel::ui {

int FirstGridPane(const LiveGrid& grid) {
    const int selected = std::clamp(grid.selected, 0, kLivePanes - 1);
    const int count = grid.windowCount;
    const int channels = grid.channelCount;
    int first = 0;
    if (grid.fullScreen) {
        if (count < grid.previousCount && count < channels) {
            first = selected / 4 * 4;
        }
    } else if (count == 1) {
        first = selected;
    } else if (count == 4) {
        if (channels == 4 || channels == 8 || channels == 16) {
            first = selected / 4 * 4;
        }
    } else if (count == 9) {
        if (selected > 8 && channels > 15) {
            first = channels - 9;
        }
    }
    // A grid starting this late would run past the last pane; full screen's
    // rounding to four can ask for that with nine panes.
    return std::clamp(first, 0, std::max(0, kLivePanes - count));
}

std::vector<PaneCell> LayOutPanes(const LiveGrid& grid, const QRect& area) {
    std::vector<PaneCell> cells;
    if (grid.singleMode) {
        cells.push_back({std::clamp(grid.selected, 0, kLivePanes - 1), area});
        return cells;
    }
    const int side = std::max(1, static_cast<int>(std::sqrt(grid.windowCount)));
    const int cellWidth = area.width() / side;
    const int cellHeight = area.height() / side;
    const int first = FirstGridPane(grid);
    for (int i = 0; i < side * side && first + i < kLivePanes; ++i) {
        const int row = i / side;
        const int column = i % side;
        cells.push_back({first + i, QRect(area.x() + column * cellWidth,
                                          area.y() + row * cellHeight, cellWidth, cellHeight)});
    }
    return cells;
}

QRect FullScreenPaneArea(const QSize& screen) {
    return QRect(0, 20, screen.width(), std::max(0, screen.height() - 24));
}

}  // namespace kestrel::ui
