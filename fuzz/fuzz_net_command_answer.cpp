// Fuzzes the readers of the command protocol's answers and the fields the
// callers take from them. Input: a selector byte, two plan bytes for the
// scripted peer (fuzz_net_peer.h), then the bytes the recorder sends.
//
//   0 standard response (calendar, download, stream sound, whole
//     configuration's head), 1 login (16 bytes read first), 2 live start
//     (three receives at most), 3 two responses on one link (configuration
//     write, firmware announce), 4 identify block, 5 talk answer,
//     6 format status.
//
// A response reader receives only into its block, in order, never past the
// announced total (past the first read), and leaves what it did not receive
// zero, so fields a short answer leaves out read as 0.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "fuzz_entry.h"
#include "fuzz_net_peer.h"
#include "kestrel_net_codes.h"
#include "recorder_answers.h"
#include "recorder_types.h"

namespace {

using kestrel::fuzz::ScriptedPeer;
using kestrel::fuzz::StreamLE32;
namespace net = kestrel::net;

enum Selector : uint8_t {
    kPlain,
    kLogin,
    kLiveStart,
    kTwoResponses,
    kIdentify,
    kTalk,
    kFormat,
    kSelectors,
};

// The block as ReadResponse leaves it: zeroed, then one response read in.
// Checks what must hold of any outcome; returns the reader's code.
int32_t ReadChecked(ScriptedPeer& peer, net::RequestBlock& block, const net::ResponseLimits& limits,
                    size_t* total) {
    block.Fill(0);
    peer.Rebase(block.data(), block.size());
    const size_t before = peer.Delivered();
    const int32_t code =
        net::ReadStandardResponse(block.data(), block.size(), limits, peer.Step(), total);
    const size_t got = peer.Delivered() - before;
    Check(got == peer.WrittenHere());
    Check(std::memcmp(block.data(), peer.Stream().data() + before, got) == 0);
    Check(std::all_of(block.data() + got, block.data() + block.size(),
                      [](uint8_t b) { return b == 0; }));
    if (limits.max_receives > 0) {
        Check(peer.Receives() <= limits.max_receives || code != QW_NET_OK);
    }
    if (code == QW_NET_OK) {
        Check(*total >= net::kStandardResponseHeader && *total <= block.size());
        Check(*total == StreamLE32(peer.Stream(), before));
        const size_t first = std::max(limits.first_read, net::kStandardResponseHeader);
        Check(got >= *total && got <= std::max(first, *total));
    } else {
        Check(code == QW_NET_ERR_RESPONSE);
    }
    return code;
}

void FuzzStandard(ScriptedPeer& peer, uint8_t selector) {
    net::RequestBlock block(0, 0);
    net::ResponseLimits limits;
    if (selector == kLogin) {
        limits.first_read = 16;
    } else if (selector == kLiveStart) {
        limits.max_receives = 3;
    }
    size_t total = 0;
    if (ReadChecked(peer, block, limits, &total) != QW_NET_OK) {
        return;
    }
    const int32_t result = static_cast<int32_t>(block.GetLE32(4));

    if (selector == kLogin) {
        const UserRights rights = net::LoginRights(block);
        Check(rights.total_length == static_cast<int32_t>(total));
        Check(rights.level == result);
        if (rights.level == 10) {
            Check(rights.rights_a == 511 && rights.rights_b == 31);
        } else {
            Check(static_cast<uint32_t>(rights.rights_a) == block.GetLE32(8));
            Check(static_cast<uint32_t>(rights.rights_b) == block.GetLE32(12));
        }
        return;
    }

    // Calendar day mask, download length, stream identifier and the whole
    // configuration's size all sit after the head; ReadChecked saw that a
    // response without them leaves zeros there.
    uint32_t size = 0xFFFFFFFF;
    const int32_t config = net::WholeConfigSize(block, &size);
    if (result != 0) {
        Check(config == result && size == 0xFFFFFFFF);
    } else if (config == QW_NET_OK) {
        Check(size <= net::kMaxWholeConfigBytes && size == block.GetLE32(8));
    } else {
        Check(config == QW_NET_ERR_RESPONSE && block.GetLE32(8) > net::kMaxWholeConfigBytes);
    }

    if (selector == kTwoResponses && result == 0) {
        // The second answer starts right after the first one's total.
        const size_t second_at = peer.Delivered();
        if (ReadChecked(peer, block, net::ResponseLimits{}, &total) == QW_NET_OK) {
            Check(block.GetLE32(0) == StreamLE32(peer.Stream(), second_at));
        }
    }
}

void FuzzIdentify(std::string_view stream) {
    net::RequestBlock block(0, 0);
    block.Fill(0);
    // Only a whole block is an answer.
    if (stream.size() < block.size()) {
        return;
    }
    std::copy_n(stream.begin(), block.size(), block.data());
    net::Identity identity;
    identity.family = 0xEE;
    identity.model = 0xEE;
    const bool valid = net::ParseIdentifyAnswer(block, &identity);
    Check(valid == (StreamLE32(stream, 20) == 1));
    if (!valid) {
        Check(identity.family == 0xEE && identity.model == 0xEE);
        return;
    }
    Check(identity.family == block.data()[26] && identity.model == block.data()[27]);
    if (const auto type = net::LookupRecorderType(identity.family, identity.model)) {
        Check(type->type != 0);
        net::RequiresLogin(type->type);
        net::IsLiveStreamType(type->type);
    }
}

void FuzzTalk(ScriptedPeer& peer) {
    uint8_t answer[net::kStandardResponseHeader] = {};
    peer.Rebase(answer, sizeof answer);
    size_t got = sizeof answer;
    if (!peer.Step()(answer, &got)) {
        return;
    }
    const bool accepted = net::TalkRequestAccepted(answer, got);
    // A short answer cannot pass for a zero result.
    Check(accepted == (got == sizeof answer && StreamLE32(peer.Stream(), 4) == 0));
}

void FuzzFormat(ScriptedPeer& peer) {
    uint8_t answer[4] = {};
    peer.Rebase(answer, sizeof answer);
    size_t got = sizeof answer;
    if (!peer.Step()(answer, &got)) {
        return;
    }
    const uint32_t status = net::FormatStatusWord(answer, got);
    Check(got == sizeof answer ? status == StreamLE32(peer.Stream(), 0) : status >> (8 * got) == 0);
    const int32_t value = net::FormatStatusNotification(status);
    Check(value == QW_FORMAT_STATUS_1 || value == QW_FORMAT_STATUS_2 ||
          value == QW_FORMAT_STATUS_4 || value == QW_FORMAT_IN_PROGRESS ||
          value == QW_FORMAT_STATUS_OTHER);
    // Only status 8 keeps the worker polling.
    Check((value == QW_FORMAT_IN_PROGRESS) == (status == 8));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 + ScriptedPeer::kPlanBytes) {
        return 0;
    }
    const uint8_t selector = data[0] % kSelectors;
    const std::string_view stream(
        reinterpret_cast<const char*>(data) + 1 + ScriptedPeer::kPlanBytes,
        size - 1 - ScriptedPeer::kPlanBytes);
    ScriptedPeer peer(data + 1, stream, nullptr, 0);
    switch (selector) {
        case kIdentify:
            FuzzIdentify(stream);
            break;
        case kTalk:
            FuzzTalk(peer);
            break;
        case kFormat:
            FuzzFormat(peer);
            break;
        default:
            FuzzStandard(peer, selector);
            break;
    }
    return 0;
}
