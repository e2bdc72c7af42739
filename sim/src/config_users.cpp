// User management, preview rights and groups. The user calls always answer
// the user list as it is after the call, so the client shows the recorder's
// state whatever the result.
#include <algorithm>

#include "config_handlers.h"
#include "kestrel_records.h"
#include "sim/result_codes.h"

namespace kestrel::sim {
namespace {

// The administrator's entry: never deleted, never freed.
constexpr size_t kAdminEntry = 0;
constexpr uint32_t kAllEntriesMask = (1u << QW_USER_COUNT) - 1;

template <typename Record>
Record Stored(CallContext& c, std::string_view key) {
    return DecodeRecord<Record>(c.records[std::string(key)]);
}
template <typename Record>
void Store(CallContext& c, std::string_view key, const Record& record) {
    c.records[std::string(key)] = EncodeRecord(record);
}

std::string_view NameOf(const QwUserEntry& entry) {
    return FieldText(entry.name, sizeof entry.name);
}
std::string_view PasswordOf(const QwUserEntry& entry) {
    return FieldText(entry.password, sizeof entry.password);
}
bool FieldsTerminated(const QwUserEntry& entry) {
    return FieldTerminated(entry.name, sizeof entry.name) &&
           FieldTerminated(entry.password, sizeof entry.password);
}

int32_t AnswerUsers(CallContext& c, const QwUserList& list, int32_t result) {
    Store(c, kUserListKey, list);
    c.answer.push_back(EncodeRecord(list));
    return result;
}

int32_t SetUserPage(CallContext& c, int32_t enable) {
    QwUserList list = Stored<QwUserList>(c, kUserListKey);
    list.controls_enable = enable;
    Store(c, kUserListKey, list);
    return kMctpOk;
}

}  // namespace

int32_t HandleAddUser(CallContext& c) {
    const auto request = DecodeRecord<QwUserAddRequest>(c.request[0]);
    QwUserList list = Stored<QwUserList>(c, kUserListKey);
    if (!FieldTerminated(request.name, sizeof request.name) ||
        !FieldTerminated(request.password, sizeof request.password)) {
        return AnswerUsers(c, list, kMctpBadRecord);  // longer than the fields hold
    }
    const std::string_view name = FieldText(request.name, sizeof request.name);
    if (name.empty()) {
        return AnswerUsers(c, list, kMctpBadRecord);
    }
    if (std::any_of(std::begin(list.user), std::end(list.user),
                    [&](const QwUserEntry& entry) { return NameOf(entry) == name; })) {
        return AnswerUsers(c, list, kUserExists);
    }
    if (request.password[0] == '\0') {
        return AnswerUsers(c, list, kUserNoPassword);
    }
    auto* free_entry = std::find_if(std::begin(list.user) + 1, std::end(list.user),
                                    [](const QwUserEntry& entry) { return NameOf(entry).empty(); });
    if (free_entry == std::end(list.user)) {
        return AnswerUsers(c, list, kUserListFull);
    }
    *free_entry = QwUserEntry{};  // a new user starts without rights
    std::copy(std::begin(request.name), std::end(request.name), free_entry->name);
    std::copy(std::begin(request.password), std::end(request.password), free_entry->password);

    auto preview = Stored<QwUserPreviewRights>(c, kPreviewKey);
    QwUserPreviewEntry& rights = preview.user[free_entry - std::begin(list.user)];
    rights = QwUserPreviewEntry{};
    std::copy(std::begin(request.name), std::end(request.name), rights.name);
    Store(c, kPreviewKey, preview);
    return AnswerUsers(c, list, kUserAdded);
}

int32_t HandleDelUser(CallContext& c) {
    const auto request = DecodeRecord<QwUserDelRequest>(c.request[0]);
    QwUserList list = Stored<QwUserList>(c, kUserListKey);
    const uint32_t mask = request.delete_mask;
    bool valid = mask != 0 && (mask & ~kAllEntriesMask) == 0 && (mask & (1u << kAdminEntry)) == 0;
    for (size_t k = 0; valid && k < QW_USER_COUNT; ++k) {
        valid = (mask & (1u << k)) == 0 || !NameOf(list.user[k]).empty();
    }
    if (!valid) {
        return AnswerUsers(c, list, kUserChangeRefused);
    }
    auto preview = Stored<QwUserPreviewRights>(c, kPreviewKey);
    for (size_t k = 0; k < QW_USER_COUNT; ++k) {
        if ((mask & (1u << k)) != 0) {
            list.user[k] = QwUserEntry{};
            preview.user[k] = QwUserPreviewEntry{};
        }
    }
    Store(c, kPreviewKey, preview);
    return AnswerUsers(c, list, kUserChangeDone);
}

// Changes passwords, rights and the password mode; names are added and
// removed only by AddUser and DelUser, and a user keeps a password.
int32_t HandleModifyUsers(CallContext& c) {
    const auto changed = DecodeRecord<QwUserList>(c.request[0]);
    QwUserList list = Stored<QwUserList>(c, kUserListKey);
    for (size_t k = 0; k < QW_USER_COUNT; ++k) {
        const QwUserEntry& entry = changed.user[k];
        const bool named = !NameOf(list.user[k]).empty();
        if (!FieldsTerminated(entry) || NameOf(entry) != NameOf(list.user[k]) ||
            (named && PasswordOf(entry).empty())) {
            return AnswerUsers(c, list, kUserChangeRefused);
        }
    }
    for (size_t k = 0; k < QW_USER_COUNT; ++k) {
        if (!NameOf(list.user[k]).empty()) {
            std::copy(std::begin(changed.user[k].password), std::end(changed.user[k].password),
                      list.user[k].password);
            list.user[k].local_rights = changed.user[k].local_rights;
            list.user[k].remote_rights = changed.user[k].remote_rights;
        }
    }
    list.password_mode = changed.password_mode;
    return AnswerUsers(c, list, kUserChangeDone);
}

int32_t HandleEnableUserPage(CallContext& c) {
    return SetUserPage(c, 1);
}

int32_t HandleDisableUserPage(CallContext& c) {
    return SetUserPage(c, 0);
}

int32_t HandleGetPreview(CallContext& c) {
    c.answer.push_back(c.records[std::string(kPreviewKey)]);
    return kMctpOk;
}

int32_t HandleSetPreview(CallContext& c) {
    c.records[std::string(kPreviewKey)] = SegmentBytes(c.request[0]);
    return HandleGetPreview(c);
}

// Group numbers are positions in the group list.
int32_t HandleAddGroup(CallContext& c) {
    Bytes& groups = c.records[std::string(kGroupListKey)];
    const size_t count = groups.size() / sizeof(QwGroupInfo);
    if (count >= kMaxStoredRecords) {
        return kMctpStoreFull;
    }
    groups.insert(groups.end(), c.request[0].begin(), c.request[0].end());
    c.answer.push_back(WordBytes(static_cast<uint32_t>(count)));
    return kMctpOk;
}

int32_t HandleDelGroup(CallContext& c) {
    Bytes& groups = c.records[std::string(kGroupListKey)];
    const uint32_t number = SegmentWord(c.request[0]);
    if (number >= groups.size() / sizeof(QwGroupInfo)) {
        return kMctpNoSuchRecord;
    }
    const auto first = groups.begin() + static_cast<std::ptrdiff_t>(number * sizeof(QwGroupInfo));
    groups.erase(first, first + sizeof(QwGroupInfo));
    return kMctpOk;
}

}  // namespace kestrel::sim
