// What recorders and the network send back, taken apart without touching a
// socket: the standard response reader, the fields callers take from
// answers, the file list of a search, and the discovery and identifier
// lookup answers. The receive step is passed in, so the socket code and the
// fuzz targets run the same readers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "command_block.h"
#include "kestrel_net.h"

namespace kestrel::net {

// One receive into `into` of up to *length bytes, like
// DvrConnection::ReceiveOnce: true with *length = 0 when the peer closed,
// false (and *length = 0) on time-out or error.
using ReceiveStep = std::function<bool(uint8_t* into, size_t* length)>;

struct ResponseLimits {
    size_t first_read = kStandardResponseHeader;  // bytes asked for at first
    int max_receives = 0;                         // 0: no limit
    int max_empty_receives = 3;                   // peer-closed receives that end it
};

// Reads one standard response into response[0, capacity): first
// max(first_read, 8) bytes, then up to the announced total, never more, so
// bytes that follow stay unread. QW_NET_OK with *total set, or
// QW_NET_ERR_RESPONSE for a failed receive, too many receives or a total
// below 8 or past capacity. Bytes not received are left as they were.
int32_t ReadStandardResponse(uint8_t* response, size_t capacity, const ResponseLimits& limits,
                             const ReceiveStep& receive, size_t* total);

// The login answer (16 bytes read): level and rights; the full-rights level
// grants every right whatever the words say.
UserRights LoginRights(const RequestBlock& response);

// The whole-configuration answer: the recorder's non-zero result, or
// QW_NET_ERR_RESPONSE for a size no recorder's configuration reaches, or
// QW_NET_OK with the size of the data that follows.
constexpr uint32_t kMaxWholeConfigBytes = 16u << 20;
int32_t WholeConfigSize(const RequestBlock& response, uint32_t* size);

struct Identity {
    uint8_t family = 0;
    uint8_t model = 0;
};

// The identify answer, a whole 500-byte block: false unless it is marked
// valid.
bool ParseIdentifyAnswer(const RequestBlock& answer, Identity* identity);

// The talk request's answer: accepted only when its whole 8-byte head came
// with a zero result.
bool TalkRequestAccepted(const uint8_t* answer, size_t received);

// The format worker's status word (up to 4 bytes, little-endian; missing
// bytes read as 0) and the notification value it stands for.
uint32_t FormatStatusWord(const uint8_t* answer, size_t received);
int32_t FormatStatusNotification(uint32_t status);

// The search answer read into reply[0, capacity) (a standard response whose
// payload is 148-byte records): QW_NET_OK with *out pointing into reply,
// the recorder's non-zero result, or a transport code. Every record's name
// is NUL-terminated, as the interface promises.
int32_t ReadFileListAnswer(uint8_t* reply, size_t capacity, const ReceiveStep& receive,
                           FileList* out);

// One discovery datagram: true with *found filled for an answer of exactly
// 48 bytes.
constexpr size_t kDiscoveryAnswerBytes = 48;
bool ParseDiscoveryAnswer(const uint8_t* datagram, size_t length, SearchDevInfo* found);

// The identifier lookup's answer: at most three receives. 1 with the 72
// bytes in *record, else 0 with *record all zero.
int32_t ReadUidAnswer(const ReceiveStep& receive, DvrAddressRecord* record);

}  // namespace kestrel::net
