// The cell grid of the region editor and the packed bit field in which the
// recorder keeps a motion area: the cell in row r, column c is bit
// r * 15 + c of 32 bytes, least significant bit first, whatever the number
// of columns.
//
// Threading: plain functions; no state.
#pragma once

#include <array>
#include <cstdint>

namespace kestrel::client {

constexpr int kRegionMaxColumns = 15;
constexpr int kRegionMaxRows = 12;
constexpr int kPackedRegionBytes = 32;

// Bit c of word r is the cell in column c, row r.
using RegionCells = std::array<uint16_t, kRegionMaxRows>;
using PackedRegion = std::array<uint8_t, kPackedRegionBytes>;

// Every bit below 180 that is set becomes its cell.
RegionCells UnpackCells(const PackedRegion& packed);
// The cells of the first rows x columns (each at most its maximum).
PackedRegion PackCells(const RegionCells& cells, int rows, int columns);

// The cell under a pixel along one axis of a grid of count cells of size
// pixels each: a pixel on the far edge (or beyond) is in the last cell.
int CellUnder(int pixel, int cellSize, int count);

// Flips every cell of the inclusive cell rectangle that lies inside the
// first rows x columns.
void FlipCells(RegionCells& cells, int left, int top, int right, int bottom, int rows, int columns);

// The record-schedule grid: day d (0..6) is shown in row ((d + 1) mod 7) + 1
// and hour slot h (0..23) in column ((h + 1) mod 24) + 1, both from 1.
int ScheduleRowOfDay(int day);
int ScheduleColumnOfHour(int hour);
// The inverses; -1 outside the grid.
int ScheduleDayOfRow(int row);
int ScheduleHourOfColumn(int column);

}  // namespace kestrel::client
