// Reading a step back's bytes: exact when they are in the file, nothing
// when a damaged frame length points past it.
#include "key_frame.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace kestrel::media {
namespace {

TEST(KeyFrame, AStepBackReadsOnlyWhatTheFileHolds) {
    std::vector<uint8_t> file(4096);
    std::iota(file.begin(), file.end(), uint8_t{0});
    MemoryInput input(file);
    LocatedFrame last;
    last.offset = 1000;
    last.header.payload_length = 500;
    const auto bytes = ReadUpToEndOf(input, 200, last);
    ASSERT_TRUE(bytes);
    ASSERT_EQ(bytes->size(), last.offset + last.header.RecordLength() - 200);
    EXPECT_EQ(bytes->front(), file[200]);
    EXPECT_EQ(bytes->back(), file[last.offset + last.header.RecordLength() - 1]);

    last.header.payload_length = 0xFFFFFFF0;  // no buffer of 4 GB for this
    EXPECT_FALSE(ReadUpToEndOf(input, 200, last));
    last.header.payload_length = 500;
    EXPECT_FALSE(ReadUpToEndOf(input, 2000, last)) << "a start after the end";
}

}  // namespace
}  // namespace kestrel::media
