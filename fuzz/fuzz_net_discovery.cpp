// Fuzzes the answers of the network services: a discovery datagram and the
// identifier lookup's answer. Input: a selector byte; for 0 the rest is one
// datagram; for 1 two plan bytes for the scripted peer (fuzz_net_peer.h)
// follow, then the bytes the lookup server sends.
//
// Only a 48-byte datagram is an answer, and it yields exactly its info and
// address bytes; anything else leaves the result alone. The lookup reads
// its 72 bytes in at most three receives and never more; a part of an
// answer leaves the record all zero.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "fuzz_entry.h"
#include "fuzz_net_peer.h"
#include "recorder_answers.h"

namespace {

using kestrel::fuzz::ScriptedPeer;
namespace net = kestrel::net;

constexpr uint8_t kUntouched = 0xCC;

void FuzzDatagram(const uint8_t* datagram, size_t length) {
    // The receiver's buffer is larger than an answer; so is this one.
    std::array<uint8_t, 1024> buffer{};
    const size_t kept = std::min(length, buffer.size());
    std::copy_n(datagram, kept, buffer.begin());

    SearchDevInfo found;
    std::memset(&found, kUntouched, sizeof found);
    const bool accepted = net::ParseDiscoveryAnswer(buffer.data(), kept, &found);
    Check(accepted == (kept == net::kDiscoveryAnswerBytes));
    if (!accepted) {
        const auto* bytes = reinterpret_cast<const uint8_t*>(&found);
        Check(std::all_of(bytes, bytes + sizeof found, [](uint8_t b) { return b == kUntouched; }));
        return;
    }
    Check(found.found == 1);
    Check(std::equal(found.info, found.info + sizeof found.info, datagram + 17));
    Check(std::equal(found.mac, found.mac + sizeof found.mac, datagram + 32));
}

void FuzzUidAnswer(const uint8_t* plan, std::string_view stream) {
    DvrAddressRecord record;
    std::memset(&record, kUntouched, sizeof record);
    // The reader receives into a buffer of its own: each receive must
    // continue where the last one ended, within the 72 bytes.
    ScriptedPeer peer(plan, stream, nullptr, 0);
    const uint8_t* start = nullptr;
    int receives = 0;
    size_t delivered = 0;
    const net::ReceiveStep step = [&](uint8_t* into, size_t* length) {
        ++receives;
        if (start == nullptr) {
            start = into;
        }
        Check(into == start + delivered);
        Check(*length > 0 && delivered + *length <= sizeof record.bytes);
        peer.Rebase(into, *length);
        const bool ok = peer.Step()(into, length);
        delivered += *length;
        return ok;
    };
    const int32_t found = net::ReadUidAnswer(step, &record);
    Check(receives <= 3);
    Check(delivered <= sizeof record.bytes);
    if (found == 1) {
        Check(delivered == sizeof record.bytes);
        Check(std::memcmp(record.bytes, stream.data(), sizeof record.bytes) == 0);
    } else {
        Check(found == 0 && delivered < sizeof record.bytes);
        Check(std::all_of(record.bytes, record.bytes + sizeof record.bytes,
                          [](uint8_t b) { return b == 0; }));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    if ((data[0] & 1) == 0) {
        FuzzDatagram(data + 1, size - 1);
        return 0;
    }
    if (size < 1 + ScriptedPeer::kPlanBytes) {
        return 0;
    }
    FuzzUidAnswer(data + 1, std::string_view(
                                reinterpret_cast<const char*>(data) + 1 + ScriptedPeer::kPlanBytes,
                                size - 1 - ScriptedPeer::kPlanBytes));
    return 0;
}
