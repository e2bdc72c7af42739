// Fuzzes the reassembly of received talk audio: the same bytes go to one
// assembler whole and to another in pieces cut at points taken from the
// input. Both must hand on the same blocks, each a run of the input found
// after the one before it, and neither may hold more than one record.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "frame_format.h"
#include "fuzz_entry.h"
#include "talk_assembler.h"

namespace {

using Blocks = std::vector<std::vector<uint8_t>>;

// Longest carry-over: one incomplete record of the largest size.
constexpr size_t kMaxPending = kestrel::media::kAudioHeaderSize + 0xFFFF;

void Feed(kestrel::media::TalkAssembler& assembler, std::span<const uint8_t> data, Blocks* out) {
    assembler.Input(data, [out](std::span<const uint8_t> block) {
        Check(!block.empty() && block.size() <= 0xFFFF);
        out->emplace_back(block.begin(), block.end());
    });
    Check(assembler.Pending() < kMaxPending);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using kestrel::media::TalkAssembler;
    if (size < 1) {
        return 0;
    }
    const std::span<const uint8_t> stream(data + 1, size - 1);

    auto whole = TalkAssembler::Create();
    Check(whole != nullptr);
    Blocks whole_blocks;
    Feed(*whole, stream, &whole_blocks);

    auto pieces = TalkAssembler::Create();
    Check(pieces != nullptr);
    Blocks piece_blocks;
    std::span<const uint8_t> rest = stream;
    uint32_t cut = data[0];
    while (!rest.empty()) {
        const size_t n = std::min<size_t>(rest.size(), cut % 301);  // empty pieces too
        Feed(*pieces, rest.first(n), &piece_blocks);
        rest = rest.subspan(n);
        cut = cut * 1103515245 + 12345;
    }
    Check(whole_blocks == piece_blocks);
    Check(whole->Pending() == pieces->Pending());

    // Blocks come from the input, in order and without overlap.
    auto at = stream.begin();
    for (const auto& block : whole_blocks) {
        at = std::search(at, stream.end(), block.begin(), block.end());
        Check(at != stream.end());
        at += static_cast<std::ptrdiff_t>(block.size());
    }
    return 0;
}
