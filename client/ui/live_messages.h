// The notifications among the live page, its panes and its two panels. The
// numbers are the ones the client has always used.
//
// Threading: GUI thread; all of them are sent or posted between widgets.
#pragma once

#include <cstdint>

namespace kestrel::ui {

// Pane -> live page: the pane was clicked (first: pane index).
constexpr uint32_t UM_SELECT_PANE = 0x1400;
// Pane -> live page: the pane was double-clicked (first: pane index).
constexpr uint32_t UM_PANE_LAYOUT = 0x1401;
// Channel panel -> live page: speaker on (first 1) or off (0).
constexpr uint32_t UM_SOUND_SWITCH = 0xC0D;
// Channel panel -> live page: first kVolumeChangeTag, second the volume.
constexpr uint32_t UM_VOLUME_CHANGE = 0x3401;
constexpr intptr_t kVolumeChangeTag = 0x701;
// PTZ pane -> live page: first the command code (0 stops a movement).
constexpr uint32_t UM_PTZ_COMMAND = 0xC00;
// Live page -> channel panel: first 1 when every channel plays, else 0.
constexpr uint32_t UM_PLAY_STATE = 0xD05;

// UM_PANEL_COMMAND codes (first parameter; second is the argument).
constexpr intptr_t kPanelConnectAll = 1;
constexpr intptr_t kPanelSnapshot = 2;
constexpr intptr_t kPanelRecordAll = 3;
constexpr intptr_t kPanelLayout = 4;  // argument 0 full screen, 1 single, 2/3/4 grids
constexpr intptr_t kPanelMotionSnapshot = 5;
constexpr intptr_t kPaneStartView = 0x80B;
constexpr intptr_t kPaneStopView = 0x80C;
constexpr intptr_t kPaneConnectAll = 0x80D;
constexpr intptr_t kPaneDisconnectAll = 0x80E;
constexpr intptr_t kPaneStartRecord = 0x80F;
constexpr intptr_t kPaneStopRecord = 0x810;

// PTZ command codes beyond the eight directions (1..8, up clockwise).
constexpr intptr_t kPtzStop = 0;
constexpr intptr_t kPtzZoomMinus = 9;
constexpr intptr_t kPtzZoomPlus = 10;
constexpr intptr_t kPtzFocusMinus = 11;
constexpr intptr_t kPtzFocusPlus = 12;
constexpr intptr_t kPtzIrisMinus = 13;
constexpr intptr_t kPtzIrisPlus = 14;
constexpr intptr_t kPtzSetPreset = 15;
constexpr intptr_t kPtzClearPreset = 16;
constexpr intptr_t kPtzCallPreset = 17;
// Larger codes are not the camera's and are ignored.
constexpr intptr_t kPtzLastCode = 20;

}  // namespace kestrel::ui
