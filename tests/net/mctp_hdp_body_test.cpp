#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "mctp_test_support.h"

namespace {

HdpPtr NewBody() {
    HdpBody* raw = nullptr;
    EXPECT_EQ(QW_VSCP_Hdp_Create(&raw), QW_NET_OK);
    return HdpPtr(raw);
}

std::string Build(const HdpBody* body) {
    std::string packet;
    EXPECT_EQ(QW_VSCP_Hdp_BuildPacket(body, &packet), QW_NET_OK);
    return packet;
}

int32_t Count(const HdpBody* body) {
    int32_t count = -1;
    EXPECT_EQ(QW_VSCP_Hdp_GetSegmentCount(body, &count), QW_NET_OK);
    return count;
}

std::string Line(const HdpBody* body, int32_t index, const char* name) {
    const char* value = nullptr;
    int32_t code = QW_VSCP_Hdp_GetSegmentLine(body, index, name, &value);
    if (code != QW_NET_OK) {
        return "<not found>";
    }
    return value != nullptr ? value : "<absent>";
}

TEST(HdpBody, SegmentDataRoundTripsByLength) {
    std::string all_bytes;
    for (int i = 0; i < 256; ++i) {
        all_bytes += static_cast<char>(i);
    }
    const std::vector<std::string> segments = {
        "",        "\r\n\r\n", std::string("a\0b\0", 4), "Segment-Seq:9\r\nData-Length:99\r\n\r\n",
        all_bytes,
    };
    HdpPtr body = NewBody();
    for (const std::string& data : segments) {
        ASSERT_EQ(QW_VSCP_Hdp_AppendSegment(body.get(), data.data(),
                                            static_cast<uint32_t>(data.size()), kHdpCopy),
                  QW_NET_OK);
    }
    HdpPtr parsed;
    ASSERT_EQ(ParseHdp(Build(body.get()), &parsed), QW_NET_OK);
    ASSERT_EQ(Count(parsed.get()), static_cast<int32_t>(segments.size()));
    for (size_t i = 0; i < segments.size(); ++i) {
        EXPECT_EQ(SegmentData(parsed.get(), static_cast<int32_t>(i + 1)), segments[i]) << i;
    }
}

TEST(HdpBody, BorrowedSegmentsReadTheCallersBytesAtSerialiseTime) {
    char borrowed[] = "old";
    char copied[] = "old";
    HdpPtr body = NewBody();
    ASSERT_EQ(QW_VSCP_Hdp_AppendSegment(body.get(), borrowed, 3, kHdpBorrow), QW_NET_OK);
    ASSERT_EQ(QW_VSCP_Hdp_AppendSegment(body.get(), copied, 3, kHdpCopy), QW_NET_OK);
    borrowed[0] = 'n';
    copied[0] = 'n';
    EXPECT_EQ(SegmentData(body.get(), 1), "nld");
    EXPECT_EQ(SegmentData(body.get(), 2), "old");
}

TEST(HdpBody, RefusesBadArgumentsAndIndices) {
    HdpPtr body = NewBody();
    const char data[] = "x";
    EXPECT_EQ(QW_VSCP_Hdp_AppendSegment(body.get(), data, 1, 2), QW_VSCP_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_VSCP_Hdp_AppendSegment(body.get(), data, 1, -1), QW_VSCP_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_VSCP_Hdp_AppendSegment(body.get(), nullptr, 1, kHdpCopy),
              QW_VSCP_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_VSCP_Hdp_AppendSegmentLine(body.get(), "X", "1"), QW_VSCP_ERR_NO_SEGMENT);
    ASSERT_EQ(QW_VSCP_Hdp_AppendSegment(body.get(), data, 1, kHdpCopy), QW_NET_OK);
    EXPECT_EQ(QW_VSCP_Hdp_AppendSegmentLine(body.get(), "Data-Length", "5"),
              QW_VSCP_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_VSCP_Hdp_AppendSegmentLine(body.get(), "X", "1\r\n\r\n"),
              QW_VSCP_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_VSCP_Hdp_SetSegmentFreeFlag(body.get(), 1, 2), QW_VSCP_ERR_BAD_ARGUMENT);
    EXPECT_EQ(Count(body.get()), 1);

    const char* out = nullptr;
    uint32_t length = 0;
    EXPECT_EQ(QW_VSCP_Hdp_GetSegment(body.get(), 2, &out, &length), QW_VSCP_ERR_SEGMENT_INDEX);
    EXPECT_EQ(QW_VSCP_Hdp_GetSegment(body.get(), 0, &out, &length), QW_VSCP_ERR_SEGMENT_MISSING);
}

struct ParseFailureCase {
    const char* name;
    std::string text;
    int32_t code;
};

TEST(HdpBody, ParseRefusesMalformedBodies) {
    const std::string seg1 = "Segment-Seq:1\r\n";
    const ParseFailureCase cases[] = {
        {"empty", "", QW_VSCP_ERR_BAD_SEGMENT_NUM},
        {"count line not ended", "Segment-Num:0", QW_VSCP_ERR_BAD_SEGMENT_NUM},
        {"other first line", "Segments:1\r\n", QW_VSCP_ERR_BAD_SEGMENT_NUM},
        {"no colon", "Segment-Num 1\r\n", QW_VSCP_ERR_BAD_SEGMENT_NUM},
        {"negative count", "Segment-Num:-1\r\n", QW_VSCP_ERR_BAD_SEGMENT_NUM},
        {"count overflows", "Segment-Num:4294967297\r\n", QW_VSCP_ERR_BAD_SEGMENT_NUM},
        {"fewer segments", "Segment-Num:2\r\n" + seg1 + "Data-Length:1\r\n\r\nA",
         QW_VSCP_ERR_BAD_ARGUMENT},
        {"count beyond the bytes", "Segment-Num:1000000\r\n" + seg1 + "\r\n",
         QW_VSCP_ERR_BAD_ARGUMENT},
        {"data past the end", "Segment-Num:1\r\n" + seg1 + "Data-Length:5\r\n\r\nabc",
         QW_VSCP_ERR_DATA_LENGTH},
        {"data one byte short", "Segment-Num:1\r\n" + seg1 + "Data-Length:4\r\n\r\nabc",
         QW_VSCP_ERR_DATA_LENGTH},
        {"negative length", "Segment-Num:1\r\n" + seg1 + "Data-Length:-1\r\n\r\n",
         QW_VSCP_ERR_DATA_LENGTH},
        {"length overflows",
         "Segment-Num:1\r\n" + seg1 + "Data-Length:18446744073709551617\r\n\r\n",
         QW_VSCP_ERR_DATA_LENGTH},
        {"length not a number", "Segment-Num:1\r\n" + seg1 + "Data-Length:4x\r\n\r\nabcd",
         QW_VSCP_ERR_DATA_LENGTH},
        {"two lengths", "Segment-Num:1\r\nData-Length:1\r\nData-Length:0\r\n\r\nA",
         QW_VSCP_ERR_DATA_LENGTH},
        {"line without colon", "Segment-Num:1\r\n" + seg1 + "bogus\r\n\r\n",
         QW_VSCP_ERR_BAD_HEADER_LINE},
    };
    for (const ParseFailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        HdpPtr body;
        EXPECT_EQ(ParseHdp(c.text, &body), c.code);
        EXPECT_EQ(body, nullptr);
    }
}

TEST(HdpBody, ParseAcceptsEmptyAndLengthlessSegments) {
    HdpPtr body;
    ASSERT_EQ(ParseHdp("Segment-Num: 0 \r\n", &body), QW_NET_OK);
    EXPECT_EQ(Count(body.get()), 0);

    ASSERT_EQ(
        ParseHdp("Segment-Num:2\r\nSegment-Seq:1\r\n\r\nSegment-Seq:2\r\nData-Length:\r\n\r\n",
                 &body),
        QW_NET_OK);
    ASSERT_EQ(Count(body.get()), 2);
    EXPECT_EQ(SegmentData(body.get(), 1), "");
    EXPECT_EQ(SegmentData(body.get(), 2), "");
}

TEST(HdpBody, ExtraLinesStayWithTheirOwnSegmentAndSurviveARoundTrip) {
    HdpPtr body;
    ASSERT_EQ(ParseHdp("Segment-Num:2\r\n"
                       "Segment-Seq:1\r\nData-Length:1\r\nX-Name: one \r\nX-Flag:\r\n\r\nA"
                       "Segment-Seq:2\r\nX-Name:two\r\nData-Length:1\r\n\r\nB",
                       &body),
              QW_NET_OK);
    HdpPtr again;
    ASSERT_EQ(ParseHdp(Build(body.get()), &again), QW_NET_OK);
    for (const HdpBody* b : {body.get(), again.get()}) {
        EXPECT_EQ(Line(b, 1, "X-Name"), "one");
        EXPECT_EQ(Line(b, 1, "X-Flag"), "<absent>");
        EXPECT_EQ(Line(b, 2, "X-Name"), "two");
        EXPECT_EQ(Line(b, 2, "X-Flag"), "<not found>");
        EXPECT_EQ(SegmentData(b, 1), "A");
        EXPECT_EQ(SegmentData(b, 2), "B");
    }
}

TEST(HdpBody, ClearingTheFreeFlagHandsTheDataToTheCaller) {
    HdpPtr body;
    ASSERT_EQ(ParseHdp("Segment-Num:1\r\nData-Length:3\r\n\r\nabc", &body), QW_NET_OK);
    const char* data = nullptr;
    uint32_t length = 0;
    ASSERT_EQ(QW_VSCP_Hdp_GetSegment(body.get(), 1, &data, &length), QW_NET_OK);
    ASSERT_EQ(QW_VSCP_Hdp_SetSegmentFreeFlag(body.get(), 1, 0), QW_NET_OK);
    body.reset();
    // Still ours after the body is gone (a use after free shows under ASan),
    // and released exactly once here.
    EXPECT_EQ(std::string(data, length), "abc");
    EXPECT_EQ(data[length], '\0');
    std::free(const_cast<char*>(data));
}

}  // namespace
