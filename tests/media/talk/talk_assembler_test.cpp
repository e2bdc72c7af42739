// Reassembly of received talk audio from pieces of any size.
#include <gtest/gtest.h>

#include <vector>

#include "talk_assembler.h"

namespace kestrel::media {
namespace {

using Bytes = std::vector<uint8_t>;

// An audio record: stored payload length `stored` (0 = one block), then the
// payload and zero padding to a multiple of 8.
Bytes Record(uint8_t codec, uint16_t block, uint16_t stored, const Bytes& payload) {
    Bytes r = {'0',
               codec,
               'w',
               'b',
               static_cast<uint8_t>(block & 0xFF),
               static_cast<uint8_t>(block >> 8),
               static_cast<uint8_t>(stored & 0xFF),
               static_cast<uint8_t>(stored >> 8)};
    r.insert(r.end(), payload.begin(), payload.end());
    r.resize((r.size() + 7) / 8 * 8, 0);
    return r;
}

Bytes Pattern(size_t n, uint8_t seed) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) {
        b[i] = static_cast<uint8_t>(seed + i * 7);
    }
    return b;
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) {
        all.insert(all.end(), p.begin(), p.end());
    }
    return all;
}

struct Collector {
    std::vector<Bytes> blocks;
    TalkAssembler::BlockSink Sink() {
        return [this](std::span<const uint8_t> b) { blocks.emplace_back(b.begin(), b.end()); };
    }
};

TEST(TalkAssembler, RecordsCutAnywhereComeOutOnceWhole) {
    const Bytes a = Pattern(164, 1);
    const Bytes b = Pattern(164, 2);
    const Bytes c = Pattern(100, 3);
    const Bytes stream = Join({Record('5', 164, 328, Join({a, b})), Record('3', 100, 0, c)});
    // Every cut point, including inside a header and inside a marker.
    for (size_t cut = 1; cut < stream.size(); ++cut) {
        SCOPED_TRACE(cut);
        auto assembler = TalkAssembler::Create();
        ASSERT_TRUE(assembler);
        Collector got;
        assembler->Input(std::span(stream).first(cut), got.Sink());
        assembler->Input(std::span(stream).subspan(cut), got.Sink());
        ASSERT_EQ(got.blocks.size(), 3u);
        EXPECT_EQ(got.blocks[0], a);
        EXPECT_EQ(got.blocks[1], b);
        EXPECT_EQ(got.blocks[2], c);
        EXPECT_LE(assembler->Pending(), TalkAssembler::kKeepWithoutMarker);
    }
}

TEST(TalkAssembler, PassesOverNoiseVideoAndEmptyBlockSizes) {
    const Bytes video = {'0', '0', 'd', 'c', 'H', '2', '6', '4', 9, 9, 9, 9};
    const Bytes keep = Pattern(40, 5);
    const Bytes stream = Join({Pattern(13, 200), video, Record('5', 0, 64, Pattern(64, 9)),
                               Record('3', 40, 90, Join({keep, keep, Pattern(10, 4)}))});
    auto assembler = TalkAssembler::Create();
    Collector got;
    assembler->Input(stream, got.Sink());
    // Block size 0 hands nothing on; the 10 bytes after the last whole block
    // neither.
    ASSERT_EQ(got.blocks.size(), 2u);
    EXPECT_EQ(got.blocks[0], keep);
    EXPECT_EQ(got.blocks[1], keep);
}

TEST(TalkAssembler, WithoutAMarkerOnlyTheTailIsKept) {
    auto assembler = TalkAssembler::Create();
    Collector got;
    const Bytes block = Pattern(24, 6);
    const Bytes record = Record('5', 24, 24, block);
    // Noise, then the first three bytes of a marker.
    assembler->Input(Join({Pattern(5000, 100), Bytes(record.begin(), record.begin() + 3)}),
                     got.Sink());
    EXPECT_EQ(assembler->Pending(), TalkAssembler::kKeepWithoutMarker);
    assembler->Input(Bytes(record.begin() + 3, record.end()), got.Sink());
    ASSERT_EQ(got.blocks.size(), 1u);
    EXPECT_EQ(got.blocks[0], block);
}

TEST(TalkAssembler, InputBeyondTheRoomLeftIsTakenInTurns) {
    // A large record held incomplete, then a piece that does not fit beside
    // it: everything still comes out, in order, and the carry stays bounded.
    const Bytes big = Pattern(60000, 11);
    const Bytes big_record = Record('5', 60000, 60000, big);
    Bytes rest(big_record.begin() + 30000, big_record.end());
    std::vector<Bytes> small;
    while (rest.size() < TalkAssembler::kCapacity - 1000) {
        small.push_back(Pattern(200, static_cast<uint8_t>(small.size())));
        const Bytes r = Record('5', 200, 200, small.back());
        rest.insert(rest.end(), r.begin(), r.end());
    }
    auto assembler = TalkAssembler::Create();
    Collector got;
    assembler->Input(std::span(big_record).first(30000), got.Sink());
    EXPECT_EQ(assembler->Pending(), 30000u);
    assembler->Input(rest, got.Sink());
    ASSERT_EQ(got.blocks.size(), 1 + small.size());
    EXPECT_EQ(got.blocks[0], big);
    for (size_t i = 0; i < small.size(); ++i) {
        ASSERT_EQ(got.blocks[1 + i], small[i]) << i;
    }
    EXPECT_LE(assembler->Pending(), TalkAssembler::kKeepWithoutMarker);
}

}  // namespace
}  // namespace kestrel::media
