#include "recorder_answers.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>

#include "kestrel_net_codes.h"

namespace kestrel::net {

namespace {

constexpr size_t kLoginAnswerBytes = 16;
constexpr int32_t kFullRightsLevel = 10;
constexpr int32_t kAllRightsA = 511;
constexpr int32_t kAllRightsB = 31;

constexpr size_t kValidFlagOffset = 20;
constexpr size_t kFamilyOffset = 26;
constexpr size_t kModelOffset = 27;

constexpr size_t kTalkAnswerBytes = 8;
constexpr size_t kFormatAnswerBytes = 4;
constexpr uint32_t kFormatRunning = 8;

// A search answer fails at its first empty receive.
constexpr int kSearchEmptyReceives = 1;
constexpr size_t kFileRecordBytes = sizeof(FileRecord);

constexpr size_t kDiscoveryInfoOffset = 17;
constexpr size_t kDiscoveryMacOffset = 32;

constexpr int kUidMaxReceives = 3;

static_assert(kFileRecordBytes == 148, "a file record is 148 bytes on the wire");
static_assert(kDiscoveryMacOffset + sizeof(SearchDevInfo::mac) <= kDiscoveryAnswerBytes);

}  // namespace

int32_t ReadStandardResponse(uint8_t* response, size_t capacity, const ResponseLimits& limits,
                             const ReceiveStep& receive, size_t* total) {
    if (capacity < kStandardResponseHeader) {
        return QW_NET_ERR_RESPONSE;
    }
    size_t received = 0;
    size_t wanted = std::min(std::max(limits.first_read, kStandardResponseHeader), capacity);
    int receives = 0;
    int empty_receives = 0;
    for (;;) {
        if (limits.max_receives > 0 && receives >= limits.max_receives) {
            return QW_NET_ERR_RESPONSE;
        }
        ++receives;
        size_t got = wanted - received;
        if (!receive(response + received, &got)) {
            return QW_NET_ERR_RESPONSE;
        }
        if (got == 0 && ++empty_receives >= limits.max_empty_receives) {
            return QW_NET_ERR_RESPONSE;
        }
        received += got;
        if (received < kStandardResponseHeader) {
            continue;
        }
        const uint32_t announced = ReadLE32(response);
        // A total below its own header cannot be a response; one past the
        // buffer would overrun it.
        if (announced < kStandardResponseHeader || announced > capacity) {
            return QW_NET_ERR_RESPONSE;
        }
        if (received >= announced) {
            *total = announced;
            return QW_NET_OK;
        }
        wanted = announced;
    }
}

UserRights LoginRights(const RequestBlock& response) {
    static_assert(kLoginAnswerBytes <= kRequestBlockBytes);
    UserRights rights;
    rights.total_length = static_cast<int32_t>(response.GetLE32(0));
    rights.level = static_cast<int32_t>(response.GetLE32(4));
    rights.rights_a = static_cast<int32_t>(response.GetLE32(8));
    rights.rights_b = static_cast<int32_t>(response.GetLE32(12));
    if (rights.level == kFullRightsLevel) {
        rights.rights_a = kAllRightsA;
        rights.rights_b = kAllRightsB;
    }
    return rights;
}

int32_t WholeConfigSize(const RequestBlock& response, uint32_t* size) {
    const auto result = static_cast<int32_t>(response.GetLE32(4));
    if (result != 0) {
        return result;
    }
    const uint32_t announced = response.GetLE32(8);
    // Refused before anything is allocated for it.
    if (announced > kMaxWholeConfigBytes) {
        return QW_NET_ERR_RESPONSE;
    }
    *size = announced;
    return QW_NET_OK;
}

bool ParseIdentifyAnswer(const RequestBlock& answer, Identity* identity) {
    if (answer.GetLE32(kValidFlagOffset) != 1) {
        return false;
    }
    identity->family = answer.data()[kFamilyOffset];
    identity->model = answer.data()[kModelOffset];
    return true;
}

bool TalkRequestAccepted(const uint8_t* answer, size_t received) {
    return received >= kTalkAnswerBytes && ReadLE32(answer + 4) == 0;
}

uint32_t FormatStatusWord(const uint8_t* answer, size_t received) {
    std::array<uint8_t, kFormatAnswerBytes> word{};
    std::memcpy(word.data(), answer, std::min(received, word.size()));
    return ReadLE32(word.data());
}

int32_t FormatStatusNotification(uint32_t status) {
    switch (status) {
        case 1:
            return QW_FORMAT_STATUS_1;
        case 2:
            return QW_FORMAT_STATUS_2;
        case 4:
            return QW_FORMAT_STATUS_4;
        case kFormatRunning:
            return QW_FORMAT_IN_PROGRESS;
        default:
            return QW_FORMAT_STATUS_OTHER;
    }
}

int32_t ReadFileListAnswer(uint8_t* reply, size_t capacity, const ReceiveStep& receive,
                           FileList* out) {
    ResponseLimits limits;
    limits.max_empty_receives = kSearchEmptyReceives;
    size_t total = 0;
    const int32_t transport = ReadStandardResponse(reply, capacity, limits, receive, &total);
    if (transport != QW_NET_OK) {
        return transport;
    }
    const auto result = static_cast<int32_t>(ReadLE32(reply + 4));
    if (result != 0) {
        return result;
    }
    const size_t count = (total - kStandardResponseHeader) / kFileRecordBytes;
    auto* records = reinterpret_cast<FileRecord*>(reply + kStandardResponseHeader);
    // A name that fills its whole field would run into the next bytes, or
    // past the reply, for whoever reads it as a C string.
    for (size_t i = 0; i < count; ++i) {
        records[i].name[sizeof records[i].name - 1] = '\0';
    }
    out->count = static_cast<int32_t>(count);
    out->records = records;
    return QW_NET_OK;
}

bool ParseDiscoveryAnswer(const uint8_t* datagram, size_t length, SearchDevInfo* found) {
    if (length != kDiscoveryAnswerBytes) {
        return false;
    }
    *found = SearchDevInfo{};
    found->found = 1;
    std::memcpy(found->info, datagram + kDiscoveryInfoOffset, sizeof found->info);
    std::memcpy(found->mac, datagram + kDiscoveryMacOffset, sizeof found->mac);
    return true;
}

int32_t ReadUidAnswer(const ReceiveStep& receive, DvrAddressRecord* record) {
    std::array<uint8_t, sizeof record->bytes> answer{};
    size_t received = 0;
    for (int i = 0; i < kUidMaxReceives && received < answer.size(); ++i) {
        size_t got = answer.size() - received;
        // A closed connection will bring nothing more.
        if (!receive(answer.data() + received, &got) || got == 0) {
            break;
        }
        received += got;
    }
    if (received < answer.size()) {
        // A part of an answer is no address; leave nothing half-written.
        std::memset(record, 0, sizeof *record);
        return 0;
    }
    std::memcpy(record->bytes, answer.data(), answer.size());
    return 1;
}

}  // namespace kestrel::net
