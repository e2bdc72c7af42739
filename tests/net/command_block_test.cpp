// The request block layout and the process-wide sequence counter.
#include <gtest/gtest.h>

#include <cstring>

#include "command_block.h"

namespace kestrel::net {
namespace {

TEST(CommandBlock, HeaderMixesByteOrders) {
    RequestBlock block(kCmdIdentify, 28);
    const uint8_t* b = block.data();
    const uint8_t expected[] = {0, 0, 0, 1, 0, 0, 0, 0x0A};
    EXPECT_EQ(std::memcmp(b, expected, sizeof expected), 0);
    EXPECT_EQ(b[16], 0);
    EXPECT_EQ(b[19], 0x1C);
    EXPECT_EQ(block.size(), 500u);
    block.PutText(20, 4, "abcdef");  // cut to the field, no NUL
    EXPECT_EQ(std::memcmp(b + 20, "abcd", 4), 0);
    EXPECT_EQ(b[24], 0);
}

TEST(CommandBlock, SequenceRunsFromZeroToTenThousandAndWraps) {
    uint32_t first = NextSequenceNumber();
    ASSERT_LE(first, 10000u);
    uint32_t previous = first;
    bool wrapped = false;
    for (int i = 0; i < 10001; ++i) {
        uint32_t next = NextSequenceNumber();
        if (previous == 10000) {
            EXPECT_EQ(next, 0u);
            wrapped = true;
        } else {
            EXPECT_EQ(next, previous + 1);
        }
        previous = next;
    }
    EXPECT_TRUE(wrapped);
    // 10001 values later the counter is back where it started.
    EXPECT_EQ(previous, first);
}

}  // namespace
}  // namespace kestrel::net
