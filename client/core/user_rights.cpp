#include "user_rights.h"

#include "record_fields.h"

namespace kestrel::client {

uint32_t RightsMask(std::span<const bool> checked) {
    uint32_t mask = 0;
    for (size_t bit = 0; bit < checked.size() && bit < 32; ++bit) {
        if (checked[bit]) {
            mask |= 1u << bit;
        }
    }
    return mask;
}

bool HasRight(uint32_t mask, int bit) {
    return bit >= 0 && bit < 32 && (mask & (1u << bit)) != 0;
}

uint32_t DeletionMask(std::span<const bool> checked) {
    uint32_t mask = 0;
    for (size_t i = 0; i < checked.size(); ++i) {
        const size_t entry = i + kFirstDeletableUser;
        if (checked[i] && entry < QW_USER_COUNT) {
            mask |= 1u << entry;
        }
    }
    return mask;
}

AddUserOutcome ReadAddUserResult(int32_t result) {
    switch (result) {
        case 0:
            return AddUserOutcome::kListFull;
        case 1:
            return AddUserOutcome::kExists;
        case 2:
            return AddUserOutcome::kNoPassword;
        default:
            // Library codes and the recorder's refusals are all negative; the
            // recorder's own success value is some other positive number.
            return result < 0 ? AddUserOutcome::kFailed : AddUserOutcome::kAdded;
    }
}

int PreviewEntryOf(const QwUserPreviewRights& rights, const QwUserList& users, int index) {
    if (index < 0 || index >= QW_USER_COUNT) {
        return -1;
    }
    const std::string name = FieldText(users.user[index].name);
    if (name.empty()) {
        return -1;
    }
    for (int i = 0; i < QW_USER_COUNT; ++i) {
        if (FieldText(rights.user[i].name) == name) {
            return i;
        }
    }
    return index;
}

}  // namespace kestrel::client
