// Fuzzes the file list answer of a search, read into the 1 MiB reply
// buffer the device keeps. Input: two plan bytes for the scripted peer
// (fuzz_net_peer.h), then the bytes the recorder sends.
//
// The reader receives only into the reply, in order, never past the
// announced total; a listed record lies whole inside what arrived, equals
// the bytes sent except that its name always ends in a NUL, and the reply
// past what arrived is untouched.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "fuzz_entry.h"
#include "fuzz_net_peer.h"
#include "kestrel_net_codes.h"
#include "recorder_answers.h"

namespace {

using kestrel::fuzz::ScriptedPeer;
using kestrel::fuzz::StreamLE32;
namespace net = kestrel::net;

constexpr size_t kReplyBytes = 1048576;
constexpr size_t kGuard = 64;
constexpr uint8_t kGuardByte = 0xA5;
constexpr size_t kNameOffset = offsetof(FileRecord, name);
constexpr size_t kTailWindow = 4096;

// Every one of length bytes at p is value (memcmp is not instrumented, a
// byte loop here would be).
bool AllEqual(const uint8_t* p, size_t length, uint8_t value) {
    return length == 0 || (p[0] == value && std::memcmp(p, p + 1, length - 1) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < ScriptedPeer::kPlanBytes) {
        return 0;
    }
    const std::string_view stream(reinterpret_cast<const char*>(data) + ScriptedPeer::kPlanBytes,
                                  size - ScriptedPeer::kPlanBytes);
    // One buffer for the whole run, like the device's; what the previous
    // input wrote is cleared again.
    static std::vector<uint8_t> buffer = [] {
        std::vector<uint8_t> bytes(kReplyBytes + 2 * kGuard, kGuardByte);
        std::fill(bytes.begin() + kGuard, bytes.end() - kGuard, 0);
        return bytes;
    }();
    static size_t dirty = 0;
    uint8_t* reply = buffer.data() + kGuard;
    std::memset(reply, 0, dirty);

    ScriptedPeer peer(data, stream, reply, kReplyBytes);
    FileList list{-1, nullptr};
    const int32_t code = net::ReadFileListAnswer(reply, kReplyBytes, peer.Step(), &list);
    const size_t got = peer.Delivered();

    dirty = got;
    Check(AllEqual(buffer.data(), kGuard, kGuardByte));
    Check(AllEqual(buffer.data() + kGuard + kReplyBytes, kGuard, kGuardByte));
    // Nothing written past what arrived (a window of it: the whole reply
    // would cost most of the run).
    Check(AllEqual(reply + got, std::min(kTailWindow, kReplyBytes - got), 0));
    if (got >= net::kStandardResponseHeader) {
        const uint32_t total = StreamLE32(stream, 0);
        Check(got <= std::max<size_t>(total, net::kStandardResponseHeader));
    }

    if (code != QW_NET_OK) {
        Check(list.count == -1 && list.records == nullptr);
        if (code != QW_NET_ERR_RESPONSE) {
            Check(code == static_cast<int32_t>(StreamLE32(stream, 4)));
        }
        return 0;
    }
    Check(StreamLE32(stream, 4) == 0);
    const uint32_t total = StreamLE32(stream, 0);
    Check(got >= total && total <= kReplyBytes);
    Check(list.records == reinterpret_cast<FileRecord*>(reply + net::kStandardResponseHeader));
    Check(list.count >= 0 &&
          net::kStandardResponseHeader + static_cast<size_t>(list.count) * sizeof(FileRecord) <=
              total);
    Check(total - net::kStandardResponseHeader -
              static_cast<size_t>(list.count) * sizeof(FileRecord) <
          sizeof(FileRecord));
    for (int32_t i = 0; i < list.count; ++i) {
        const FileRecord& record = list.records[i];
        const size_t at = net::kStandardResponseHeader + static_cast<size_t>(i) * sizeof record;
        Check(std::memchr(record.name, 0, sizeof record.name) != nullptr);
        // Everything but the name's last byte is as sent.
        const auto* bytes = reinterpret_cast<const uint8_t*>(&record);
        for (size_t b = 0; b < sizeof record; ++b) {
            if (b != kNameOffset + sizeof record.name - 1) {
                Check(bytes[b] == static_cast<uint8_t>(stream[at + b]));
            }
        }
    }
    return 0;
}
