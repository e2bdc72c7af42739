#include "settings_tree.h"

#include <cstddef>
#include <iterator>

#include "text_ids.h"

namespace kestrel::client {
namespace {

// The recorder model whose firmware has no video, channel alarm, PTZ, mobile
// or e-mail settings.
constexpr uint32_t kReducedType = 0x01000402;
constexpr uint32_t kReducedSubtype = 0x04000009;

struct Entry {
    int textId;
    int parentEntry;  // index in kEntries, -1 at the top
    SettingsPageId page;
    bool reducedHides;  // not offered on the reduced model
};

using P = SettingsPageId;
constexpr Entry kEntries[] = {
    {kTextEncodeSetting, -1, P::kVideoParameter, false},  // 0
    {kTextVideoParameter, 0, P::kVideoParameter, true},
    {kTextRecordSetting, -1, P::kRecordMode, false},
    {kTextAlarmSetting, -1, P::kNone, false},  // 3
    {kTextDeviceAlarm, 3, P::kDeviceAlarm, false},
    {kTextChannelAlarm, 3, P::kChannelAlarm, true},
    {kTextPtzSetting, -1, P::kPtzConfig, true},
    {kTextNetworkSetting, -1, P::kNone, false},  // 7
    {kTextNetworkItem, 7, P::kNetwork, false},
    {kTextMobile, 7, P::kMobile, true},
    {kTextEmail, 7, P::kEmail, true},
    {kTextAdvancedSetting, -1, P::kNone, false},  // 11
    {kTextSystemSetting, 11, P::kSystem, false},
    {kTextSystemInfo, -1, P::kNone, false},  // 13
    {kTextVersionInfo, 13, P::kVersionInfo, false},
    // The page decides who gets its button, so every login is offered it.
    {kTextRemoteUpgrade, 13, P::kRemoteUpgrade, false},
    {kTextHddInfo, 13, P::kDisks, false},
    {kTextUserManager, -1, P::kNone, false},  // 17
    {kTextAddOrDelete, 17, P::kUsers, false},
    {kTextModifyPasswordOrPermission, 17, P::kPasswordRights, false},
    // Offered under the encode branch.
    {kTextAudioParameter, 0, P::kAudioParameter, false},
    {kTextBindAudioToVideo, 0, P::kAvBinding, false},
};
constexpr int kUserManagerEntry = 17;
constexpr int kPtzEntry = 6;
constexpr int32_t kRightPtzSetting = 1;

}  // namespace

std::vector<SettingsTreeItem> OfferedSettingsItems(const SettingsAccess& access) {
    const bool reduced =
        access.deviceType == kReducedType && access.deviceSubtype == kReducedSubtype;
    const bool administrator = access.level == 10 || access.level == 11;
    std::vector<SettingsTreeItem> items;
    int indexOf[std::size(kEntries)];
    for (size_t i = 0; i < std::size(kEntries); ++i) {
        const Entry& entry = kEntries[i];
        indexOf[i] = -1;
        const bool userBranch =
            static_cast<int>(i) == kUserManagerEntry || entry.parentEntry == kUserManagerEntry;
        if ((reduced && entry.reducedHides) ||
            (static_cast<int>(i) == kPtzEntry && (access.rightsB & kRightPtzSetting) == 0) ||
            (userBranch && !administrator) ||
            (entry.parentEntry >= 0 && indexOf[entry.parentEntry] < 0)) {
            continue;
        }
        indexOf[i] = static_cast<int>(items.size());
        // The reduced model keeps the encode branch, without the page it hides.
        const SettingsPageId page =
            reduced && entry.page == P::kVideoParameter ? P::kNone : entry.page;
        items.push_back(
            {entry.textId, entry.parentEntry >= 0 ? indexOf[entry.parentEntry] : -1, page});
    }
    return items;
}

}  // namespace kestrel::client
