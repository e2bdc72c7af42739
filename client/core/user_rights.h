// The recorder's user accounts as the user-management pages edit them:
// rights masks from check boxes and back, the deletion mask, what an add
// answer means, and which preview entry belongs to a user.
//
// Threading: plain functions; no state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "kestrel_records.h"

namespace kestrel::client {

constexpr int kLocalRightCount = 9;   // QW_LOCAL_PTZ .. QW_LOCAL_MAINTENANCE
constexpr int kRemoteRightCount = 5;  // QW_REMOTE_PTZ .. QW_REMOTE_MUTE
// Entry 0 is the administrator; only 1..7 can be deleted.
constexpr int kFirstDeletableUser = 1;

// Bit k set for each checked box k.
uint32_t RightsMask(std::span<const bool> checked);
bool HasRight(uint32_t mask, int bit);

// checked[i] stands for entry i + kFirstDeletableUser; bit 0 is never set.
uint32_t DeletionMask(std::span<const bool> checked);

// How the recorder answered QW_SRDK_SYS_USERMNG_AddUser.
enum class AddUserOutcome { kListFull, kExists, kNoPassword, kAdded, kFailed };
AddUserOutcome ReadAddUserResult(int32_t result);

// Whether text (UTF-8) fits a NUL-terminated field of fieldSize bytes.
inline bool FitsField(std::string_view text, size_t fieldSize) {
    return text.size() < fieldSize;
}

// Which preview entry holds the flags of user index of the list: the entry
// under the user's name, else the one at the same index. -1 for an index
// outside the list or an unnamed user.
int PreviewEntryOf(const QwUserPreviewRights& rights, const QwUserList& users, int index);

}  // namespace kestrel::client
