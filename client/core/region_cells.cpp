#include "region_cells.h"

#include <algorithm>

namespace kestrel::client {
namespace {

constexpr int kUsedBits = kRegionMaxRows * kRegionMaxColumns;  // 180
constexpr int kDays = 7;
constexpr int kHours = 24;

}  // namespace

RegionCells UnpackCells(const PackedRegion& packed) {
    RegionCells cells{};
    for (int bit = 0; bit < kUsedBits; ++bit) {
        if ((packed[static_cast<size_t>(bit / 8)] >> (bit % 8) & 1) != 0) {
            cells[static_cast<size_t>(bit / kRegionMaxColumns)] |=
                static_cast<uint16_t>(1u << (bit % kRegionMaxColumns));
        }
    }
    return cells;
}

PackedRegion PackCells(const RegionCells& cells, int rows, int columns) {
    PackedRegion packed{};
    rows = std::clamp(rows, 0, kRegionMaxRows);
    columns = std::clamp(columns, 0, kRegionMaxColumns);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            if ((cells[static_cast<size_t>(r)] >> c & 1) != 0) {
                const int bit = r * kRegionMaxColumns + c;
                packed[static_cast<size_t>(bit / 8)] |= static_cast<uint8_t>(1u << (bit % 8));
            }
        }
    }
    return packed;
}

int CellUnder(int pixel, int cellSize, int count) {
    if (cellSize <= 0 || count <= 0) {
        return 0;
    }
    return std::clamp(pixel / cellSize, 0, count - 1);
}

void FlipCells(RegionCells& cells, int left, int top, int right, int bottom, int rows,
               int columns) {
    rows = std::clamp(rows, 0, kRegionMaxRows);
    columns = std::clamp(columns, 0, kRegionMaxColumns);
    for (int r = std::max(top, 0); r <= bottom && r < rows; ++r) {
        for (int c = std::max(left, 0); c <= right && c < columns; ++c) {
            cells[static_cast<size_t>(r)] ^= static_cast<uint16_t>(1u << c);
        }
    }
}

int ScheduleRowOfDay(int day) {
    return (day + 1) % kDays + 1;
}

int ScheduleColumnOfHour(int hour) {
    return (hour + 1) % kHours + 1;
}

int ScheduleDayOfRow(int row) {
    if (row < 1 || row > kDays) {
        return -1;
    }
    return (row - 2 + kDays) % kDays;
}

int ScheduleHourOfColumn(int column) {
    if (column < 1 || column > kHours) {
        return -1;
    }
    return (column - 2 + kHours) % kHours;
}

}  // namespace kestrel::client
