// The remote settings window's navigation: its tree items, the page each
// opens, and which items a recorder and a login are offered.
//
// Threading: plain functions; no state.
#pragma once

#include <cstdint>
#include <vector>

namespace kestrel::client {

enum class SettingsPageId {
    kNone,  // a branch that opens no page
    kVideoParameter,
    kRecordMode,
    kDeviceAlarm,
    kChannelAlarm,
    kPtzConfig,
    kNetwork,
    kMobile,
    kEmail,
    kSystem,
    kVersionInfo,
    kDisks,
    kUsers,
    kPasswordRights,
    // Pages the tree offers no item for.
    kAudioParameter,
    kAvBinding,
    kRemoteUpgrade,
};

struct SettingsTreeItem {
    int textId;
    int parent;  // index of the branch in the list, -1 at the top
    SettingsPageId page;
};

// What decides the offer: the recorder's two type words and the login
// reply's level (second word) and rights word B (fourth word).
struct SettingsAccess {
    uint32_t deviceType = 0;
    uint32_t deviceSubtype = 0;
    int32_t level = 0;
    int32_t rightsB = 0;
};

// The items offered, in tree order; a branch comes before its children.
std::vector<SettingsTreeItem> OfferedSettingsItems(const SettingsAccess& access);

}  // namespace kestrel::client
