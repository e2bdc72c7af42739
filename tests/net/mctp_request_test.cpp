#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mctp_test_support.h"
#include "qw_vscp_dataproc_request.h"
#include "qw_vscp_trace.h"

namespace {

struct Request {
    int32_t code;
    std::string header;
    std::string body;
};

Request Build(const char* name, uint32_t cseq, uint32_t version,
              std::vector<MctpArgBuffer> args = {}) {
    Request r;
    r.code = QW_VSCP_DataProc_BuildRequest(name, cseq, version, args, &r.header, &r.body);
    return r;
}

TEST(MctpRequest, NoArgumentsGivesTheFifteenByteBody) {
    Request r = Build("QW_SRDK_NET_GetWebServerPort", 1, 16);
    ASSERT_EQ(r.code, QW_NET_OK);
    EXPECT_EQ(r.body, "Segment-Num:0\r\n");
    EXPECT_EQ(r.header,
              "REMOTE QW_SRDK_NET_GetWebServerPort MCTP/1.0\r\n"
              "CSeq:1\r\n"
              "Accept:text/HDP\r\n"
              "Content-Type:text/HDP\r\n"
              "Func-Version:0x10\r\n"
              "Content-Length:15\r\n"
              "\r\n");
}

TEST(MctpRequest, ArgumentBuffersBecomeSegmentsInOrder) {
    const char word[4] = {2, 0, 0, 0};
    Request r = Build("QW_SRDK_F", 7, 16, {{word, 4}, {nullptr, 0}});
    ASSERT_EQ(r.code, QW_NET_OK);
    const std::string expected_body = std::string(
                                          "Segment-Num:2\r\n"
                                          "Segment-Seq:1\r\nData-Length:4\r\n\r\n") +
                                      std::string(word, 4) +
                                      "Segment-Seq:2\r\nData-Length:0\r\n\r\n";
    EXPECT_EQ(r.body, expected_body);
    EXPECT_NE(
        r.header.find("\r\nContent-Length:" + std::to_string(expected_body.size()) + "\r\n\r\n"),
        std::string::npos)
        << r.header;
}

TEST(MctpRequest, NumbersAreFormattedAsTheRecorderExpects) {
    struct Case {
        uint32_t cseq;
        uint32_t version;
        const char* cseq_text;
        const char* version_text;
    };
    const Case cases[] = {
        {1, 0, "1", "0"},
        {4294967295u, 16, "4294967295", "0x10"},
        {0, 0xABCDEFu, "0", "0xabcdef"},
    };
    for (const Case& c : cases) {
        Request r = Build("QW_SRDK_F", c.cseq, c.version);
        ASSERT_EQ(r.code, QW_NET_OK);
        EXPECT_NE(r.header.find(std::string("\r\nCSeq:") + c.cseq_text + "\r\n"),
                  std::string::npos);
        EXPECT_NE(r.header.find(std::string("\r\nFunc-Version:") + c.version_text + "\r\n"),
                  std::string::npos)
            << r.header;
    }
}

TEST(MctpRequest, RefusesBadNamesAndBuffers) {
    EXPECT_EQ(Build(nullptr, 1, 16).code, QW_VSCP_ERR_BAD_ARGUMENT);
    EXPECT_EQ(Build("", 1, 16).code, QW_VSCP_ERR_BAD_ARGUMENT);
    EXPECT_EQ(Build("QW SRDK", 1, 16).code, QW_VSCP_ERR_BAD_ARGUMENT);
    EXPECT_EQ(Build("QW_SRDK_F", 1, 16, {{nullptr, 4}}).code, QW_VSCP_ERR_BAD_ARGUMENT);
}

std::string g_traced;

void CaptureTrace(const char* tag, int32_t /*level*/, const char* text) {
    g_traced += std::string("[") + tag + "]" + text;
}

TEST(MctpRequest, HeaderMustFitTheHeaderBufferWithItsNul) {
    // Grow the function name so that the header is exactly 2047 bytes, then one more.
    const size_t fixed = Build("F", 1, 16).header.size() - 1;
    const std::string fits(kMctpHeaderBufferSize - 1 - fixed, 'F');
    Request ok = Build(fits.c_str(), 1, 16);
    ASSERT_EQ(ok.code, QW_NET_OK);
    EXPECT_EQ(ok.header.size(), kMctpHeaderBufferSize - 1);

    g_traced.clear();
    QW_VSCP_Trace_SetHook(CaptureTrace);
    Request too_long = Build((fits + "F").c_str(), 1, 16);
    QW_VSCP_Trace_SetHook(nullptr);
    EXPECT_EQ(too_long.code, QW_VSCP_ERR_HEADER_TOO_LONG);
    EXPECT_TRUE(too_long.header.empty());
    EXPECT_NE(g_traced.find("[VSCP_DataProc]"), std::string::npos);
    EXPECT_NE(g_traced.find("May be beyond the mark,2048 > 2048"), std::string::npos) << g_traced;
}

}  // namespace
